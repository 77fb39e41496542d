// What the benchmarks share: settings of their own (a preferences file named by a
// per-user registry file of their own), and a console reporter that keeps the least disturbed
// repetition of each benchmark for the ratios printed at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace Tarn::Bench {

// `preferences` becomes the raster preferences file in `directory`, which the plug-in and the
// engine read from then on.
inline void IsolateSettings(const std::string& directory, const std::string& preferences) {
    std::ofstream(directory + "/raster.ini") << preferences;
    std::ofstream(directory + "/user.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\r\n"
        << "\"PreferencesFile\"=\"" << directory << "/raster.ini\"\r\n";
    setenv("CORVANE_USER_REG", (directory + "/user.reg").c_str(), 1);
    setenv("CORVANE_SYSTEM_REG", (directory + "/system.reg").c_str(), 1);
    setenv("XDG_CONFIG_HOME", directory.c_str(), 1);
}

class LeastDisturbedReporter : public benchmark::ConsoleReporter {
public:
    enum class Clock { Processor, Wall };
    explicit LeastDisturbedReporter(Clock clock) : clock_(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const std::string name = run.run_name.function_name;
            const double iterations = static_cast<double>(run.iterations);
            Keep(processor_, name, run.cpu_accumulated_time / iterations);
            Keep(wall_, name, run.real_accumulated_time / iterations);
        }
    }

    // Seconds per iteration by the reporter's clock, or by `clock`; 0 for a benchmark that did
    // not run.
    double Seconds(const std::string& name) const { return Seconds(name, clock_); }
    double Seconds(const std::string& name, Clock clock) const {
        const auto& seconds = clock == Clock::Processor ? processor_ : wall_;
        const auto found = seconds.find(name);
        return found == seconds.end() ? 0.0 : found->second;
    }

private:
    static void Keep(std::map<std::string, double>& least, const std::string& name,
                     double seconds) {
        const auto found = least.find(name);
        if (found == least.end() || seconds < found->second) least[name] = seconds;
    }

    Clock clock_;
    std::map<std::string, double> processor_, wall_;
};

}  // namespace Tarn::Bench
