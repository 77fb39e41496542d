// Nanoseconds per ValueToColour / ValueToIndex lookup for each mapping kind, over a million
// cell values, against a plain loop that only reads the values (measured in the same run).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "colour/colour_control.h"

using namespace Tarn::Colour;

namespace {

constexpr int kCells = 1'000'000;
constexpr double kLow = 0.0, kHigh = 1000.0;

// Cell values as drawing gets them: 32-bit floats over the band's range.
const std::vector<float>& Cells() {
    static const std::vector<float> cells = [] {
        std::mt19937 random(42);
        std::uniform_real_distribution<float> spread(static_cast<float>(kLow),
                                                     static_cast<float>(kHigh));
        std::vector<float> v(kCells);
        for (float& x : v) x = spread(random);
        return v;
    }();
    return cells;
}

std::vector<double> Cumulative(int bins) {
    std::vector<double> h(bins);
    for (int i = 0; i < bins; ++i) {
        const double t = (i + 1.0) / bins;
        h[i] = t * t;  // a skewed population
    }
    return h;
}

CColourControl Ramp() {
    CColourControl c;
    c.BuildRamp(PackWide(0, 0, 65535, 0), PackWide(65535, 0, 0, 0), 256, kRampHsl);
    return c;
}

std::vector<MapPair> Pairs(int count, bool positions_as_indexes) {
    std::vector<MapPair> pairs(count);
    for (int i = 0; i < count; ++i) {
        pairs[i].value = kLow + (kHigh - kLow) * i / (count - 1);
        pairs[i].position = positions_as_indexes ? i : static_cast<double>(i) / (count - 1);
    }
    return pairs;
}

struct Setup {
    const char* name;
    std::function<void(CColourControl&)> apply;
    double probe;        // a value whose entry is known
    int expected_index;  // ValueToIndex(probe)
};

const std::vector<Setup>& Setups() {
    static const std::vector<Setup> setups = {
        {"Index", [](CColourControl& c) { c.SetIndexMapping(); }, 127.5, 127},
        {"DirectColour", [](CColourControl& c) { c.SetDirectMapping(kDirectColour); }, 255, 0},
        {"Direct8", [](CColourControl& c) { c.SetDirectMapping(kDirectColour8); }, 128, 128},
        {"Linear", [](CColourControl& c) { c.SetLinearMapping(kLow, kHigh, false, 1, 0.05, 0.95); },
         500, 128},
        {"Log", [](CColourControl& c) { c.SetLogMapping(1, kHigh, 10, 1, false, 1, 0.05, 0.95); },
         10, 85},
        {"EqualArea",
         [](CColourControl& c) {
             const std::vector<double> h = Cumulative(256);
             c.SetEqualAreaMappingFromHistogram(kLow, kHigh, h, false, 2, 0.05, 0.95);
         },
         500, 64},
        {"UserInterpolating", [](CColourControl& c) { c.SetUserMapping(Pairs(256, false), true); },
         501, 128},
        {"UserStep", [](CColourControl& c) { c.SetUserMapping(Pairs(256, false), false); }, 501,
         128},
        {"ClosedRanges",
         [](CColourControl& c) {
             std::vector<double> lows, highs, positions;
             for (int i = 0; i < 16; ++i) {
                 lows.push_back(kLow + (kHigh - kLow) * i / 16);
                 highs.push_back(kLow + (kHigh - kLow) * (i + 1) / 16);
                 positions.push_back(i / 15.0);
             }
             c.Transform().SetClosedRanges(lows, highs, positions);
             c.SetMappingKind(kMappingClosedRanges);
         },
         999, 255},
        // A legend file at the table's bound: the ranges are searched by bisection.
        {"HalfOpenRanges65536",
         [](CColourControl& c) {
             constexpr int kRanges = 65536;
             std::vector<double> lows, highs, positions;
             for (int i = 0; i < kRanges; ++i) {
                 lows.push_back(kLow + (kHigh - kLow) * i / kRanges);
                 highs.push_back(kLow + (kHigh - kLow) * (i + 1) / kRanges);
                 positions.push_back(i / (kRanges - 1.0));
             }
             c.Transform().SetHalfOpenRanges(lows, highs, positions);
             c.SetMappingKind(kMappingHalfOpenRanges);
         },
         999.99, 255},
        {"ExactIndex",
         [](CColourControl& c) {
             const std::vector<MapPair> pairs = Pairs(256, true);
             std::vector<double> values, points;
             for (const MapPair& p : pairs) {
                 values.push_back(p.value);
                 points.push_back(p.position);
             }
             c.Transform().CreateNonLinearTable(values, points, false);
             c.SetMappingKind(kMappingExactIndex);
         },
         kHigh, 255},
        {"CeilingPosition",
         [](CColourControl& c) {
             const std::vector<MapPair> pairs = Pairs(256, true);
             std::vector<double> values, indexes;
             for (const MapPair& p : pairs) {
                 values.push_back(p.value);
                 indexes.push_back(p.position + 0.01);
             }
             c.Transform().CreateNonLinearTable(values, indexes, true);
             c.SetMappingKind(kMappingCeilingPosition);
         },
         kLow, 1},
    };
    return setups;
}

void BM_ReadOnly(benchmark::State& state) {
    const std::vector<float>& cells = Cells();
    for (auto _ : state) {
        uint32_t sum = 0;
        for (float x : cells) sum += static_cast<uint32_t>(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void BM_ValueToColour(benchmark::State& state, const Setup& setup) {
    CColourControl c = Ramp();
    setup.apply(c);
    const std::vector<float>& cells = Cells();
    for (auto _ : state) {
        uint32_t mix = 0;
        for (float x : cells) mix ^= c.ValueToColour(x);
        benchmark::DoNotOptimize(mix);
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void BM_ValueToIndex(benchmark::State& state, const Setup& setup) {
    CColourControl c = Ramp();
    setup.apply(c);
    const std::vector<float>& cells = Cells();
    for (auto _ : state) {
        int sum = 0;
        for (float x : cells) sum += c.ValueToIndex(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

// Each mapping must give its known entry before it is timed.
bool CheckResults() {
    bool ok = true;
    for (const Setup& setup : Setups()) {
        CColourControl c = Ramp();
        setup.apply(c);
        const int index = c.ValueToIndex(setup.probe);
        const PackedColour colour = c.ValueToColour(setup.probe);
        const PackedColour expected_colour =
            setup.expected_index >= 0 && std::string(setup.name) != "DirectColour"
                ? c.Table()[setup.expected_index].colour
                : static_cast<PackedColour>(setup.probe);
        if (index != setup.expected_index || colour != expected_colour) {
            std::fprintf(stderr, "%s: value %g gives index %d colour %08X, expected %d %08X\n",
                         setup.name, setup.probe, index, colour, setup.expected_index,
                         expected_colour);
            ok = false;
        }
    }
    return ok;
}

// Keeps each run's processor time per lookup (the machine may be shared) to print the ratios
// against the read-only loop.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const double ns =
                run.GetAdjustedCPUTime() * (run.time_unit == benchmark::kMillisecond   ? 1e6
                                            : run.time_unit == benchmark::kMicrosecond ? 1e3
                                            : run.time_unit == benchmark::kSecond      ? 1e9
                                                                                       : 1.0);
            // With repetitions, the least disturbed one.
            const std::string name = run.run_name.function_name;
            const auto found = per_lookup_.find(name);
            if (found == per_lookup_.end() || ns / kCells < found->second) {
                per_lookup_[name] = ns / kCells;
            }
        }
    }
    void PrintRatios() const {
        const auto base = per_lookup_.find("ReadOnly");
        if (base == per_lookup_.end()) return;
        std::printf("\n%-34s %10s %10s\n", "lookup", "ns/value", "x baseline");
        for (const auto& [name, ns] : per_lookup_) {
            std::printf("%-34s %10.2f %10.2f\n", name.c_str(), ns, ns / base->second);
        }
    }

private:
    std::map<std::string, double> per_lookup_;
};

}  // namespace

int main(int argc, char** argv) {
    if (!CheckResults()) return 1;
    benchmark::RegisterBenchmark("ReadOnly", BM_ReadOnly)->Unit(benchmark::kMillisecond);
    for (const Setup& setup : Setups()) {
        benchmark::RegisterBenchmark((std::string("ValueToColour/") + setup.name).c_str(),
                                     BM_ValueToColour, setup)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("ValueToIndex/") + setup.name).c_str(),
                                     BM_ValueToIndex, setup)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
