// Million pixels per second of the "Pseudo" pixel pass over a 4096 x 4096 float block of
// relief, fast against the cell-by-cell reference measured in the same run: on one core on each
// vector path the processor has (processor time), and in strips on every core (wall time). The
// fast pass must agree with the reference within 1 per channel on each path before anything is
// timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "colour/colour_control.h"
#include "draw/pseudo.h"
#include "draw/strips.h"
#include "draw/vector_path.h"

using namespace Tarn::Colour;
using namespace Tarn::Draw;

namespace {

constexpr int64_t kSide = 4096;
constexpr int64_t kPixels = kSide * kSide;

// Hills over four octaves with noise, in metres, and a few round no-data lakes: what a 30 m
// DEM tile looks like to the pass.
struct Relief {
    std::vector<float> values;
    std::vector<uint8_t> validity;
    float low = 0.0f, high = 0.0f;

    Relief() : values(kPixels), validity(kPixels, 1) {
        std::mt19937 random(11);
        std::uniform_real_distribution<float> noise(-1.5f, 1.5f);
        low = 1e30f;
        high = -1e30f;
        for (int64_t y = 0; y < kSide; ++y) {
            for (int64_t x = 0; x < kSide; ++x) {
                double v = 900.0;
                double scale = 1.0 / 700.0, amplitude = 600.0;
                for (int octave = 0; octave < 4; ++octave) {
                    v += amplitude * std::sin(x * scale + octave) *
                         std::cos(y * scale * 1.3 - octave);
                    scale *= 2.7;
                    amplitude *= 0.35;
                }
                const float value = static_cast<float>(v) + noise(random);
                values[y * kSide + x] = value;
                low = std::min(low, value);
                high = std::max(high, value);
            }
        }
        const int64_t lakes[][3] = {{800, 900, 120}, {3000, 1200, 200}, {2000, 3500, 90}};
        for (const auto& [cx, cy, r] : lakes) {
            for (int64_t y = cy - r; y <= cy + r; ++y) {
                for (int64_t x = cx - r; x <= cx + r; ++x) {
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
                        validity[y * kSide + x] = 0;
                        values[y * kSide + x] = -3.4e38f;
                    }
                }
            }
        }
    }
    FloatBlock Block() const { return {values.data(), validity.data(), kSide, kSide}; }
};

const Relief& TheRelief() {
    static const Relief relief;
    return relief;
}

// A 256-entry ramp under a linear mapping over the band's range, shading and highlights on.
struct Setup {
    CColourControl control;
    std::vector<double> red, green, blue;
    PseudoColouring how;

    explicit Setup(bool log_mapping = false) {
        const Relief& relief = TheRelief();
        control.BuildRamp(PackWide(0, 20000, 65535, 0), PackWide(65535, 50000, 0, 0), 256,
                          kRampHsl);
        if (log_mapping) {
            control.SetLogMapping(relief.low, relief.high, 10, 1, false, kRangePercentage, 0.05,
                                  0.95);
        } else {
            control.SetLinearMapping(relief.low, relief.high, false, kRangePercentage, 0.05, 0.95);
        }
        for (const ColourTableEntry& e : control.Table()) {
            red.push_back(PackedRed(e.colour) / 255.0);
            green.push_back(PackedGreen(e.colour) / 255.0);
            blue.push_back(PackedBlue(e.colour) / 255.0);
        }
        ShadingInputs in;
        in.relief_statistic = 35.0;
        in.cell_size_x = in.cell_size_y = 30.0f;
        in.value_minimum = relief.low;
        in.value_maximum = relief.high;
        in.highlight_size = 40.0;
        how.control = &control;
        how.red_fractions = red;
        how.green_fractions = green;
        how.blue_fractions = blue;
        how.background = PackColour(255, 255, 255, 0);
        how.transparent = PackColour(255, 255, 255, 0);
        how.shading_on = true;
        how.highlights_on = true;
        how.shading = MakeShadingConstants(in);
    }
};

using Pass = void (*)(const FloatBlock&, const PseudoColouring&, uint8_t*);

enum class Light { kOff, kShaded, kHighlights };

// The fast pass in strips on one thread per core (at most 8), as RH_StartDraw draws by default.
void AllCores(const FloatBlock& block, const PseudoColouring& how, uint8_t* pixels) {
    DrawPseudoInStrips(block, how, pixels, {DrawThreadsFor(0)});
}

void BM_Pass(benchmark::State& state, Pass pass, bool log_mapping, Light light, VectorPath path) {
    const VectorPath previous = SetVectorPath(path);
    Setup setup(log_mapping);
    setup.how.shading_on = light != Light::kOff;
    setup.how.highlights_on = light == Light::kHighlights;
    std::vector<uint8_t> pixels(3 * kPixels);
    for (auto _ : state) {
        pass(TheRelief().Block(), setup.how, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
    SetVectorPath(previous);
}

bool CheckResults(VectorPath path) {
    const VectorPath previous = SetVectorPath(path);
    for (const bool log_mapping : {false, true}) {
        const Setup setup(log_mapping);
        std::vector<uint8_t> fast(3 * kPixels), reference(3 * kPixels);
        DrawPseudo(TheRelief().Block(), setup.how, fast.data());
        DrawPseudoReference(TheRelief().Block(), setup.how, reference.data());
        for (size_t i = 0; i < fast.size(); ++i) {
            if (std::abs(fast[i] - reference[i]) > 1) {
                std::fprintf(stderr, "byte %zu: fast %d, reference %d\n", i, fast[i], reference[i]);
                SetVectorPath(previous);
                return false;
            }
        }
    }
    SetVectorPath(previous);
    return true;
}

// The least disturbed repetition's processor time per picture, for the rates and the ratio.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const std::string name = run.run_name.function_name;
            const auto n = static_cast<double>(run.iterations);
            Keep(processor_, name, run.cpu_accumulated_time / n);
            Keep(wall_, name, run.real_accumulated_time / n);
        }
    }
    // Processor time for one thread's figures; for strips on every core what counts is the time
    // the caller waits, which the wall column gives for every entry (on a shared machine it
    // includes the time others held the cores).
    void PrintRates() const {
        const auto base = processor_.find("Reference/Linear/Highlights");
        std::printf("\n%-34s %14s %14s %14s\n", "pass", "Mpixel/s", "x reference", "Mpixel/s wall");
        for (const auto& [name, seconds] : processor_) {
            const double ratio = base == processor_.end() ? 0.0 : base->second / seconds;
            std::printf("%-34s %14.1f %14.2f %14.1f\n", name.c_str(), kPixels / seconds / 1e6,
                        ratio, kPixels / wall_.at(name) / 1e6);
        }
    }

private:
    static void Keep(std::map<std::string, double>& least, const std::string& name, double s) {
        const auto found = least.find(name);
        if (found == least.end() || s < found->second) least[name] = s;
    }
    std::map<std::string, double> processor_;
    std::map<std::string, double> wall_;
};

}  // namespace

int main(int argc, char** argv) {
    const VectorPath widest = ActiveVectorPath();
    if (!CheckResults(VectorPath::kSse2) || !CheckResults(widest)) return 1;
    std::printf("vector path: %s; threads on all cores: %d\n",
                widest == VectorPath::kAvx2Fma ? "AVX2 and FMA" : "SSE2", DrawThreadsFor(0));
    const auto add = [](const char* name, Pass pass, bool log_mapping, Light light,
                        VectorPath path) {
        auto* bench = benchmark::RegisterBenchmark(name, BM_Pass, pass, log_mapping, light, path);
        bench
            ->Unit(benchmark::kMillisecond)
            // Short repetitions: the least disturbed one is the figure (the machine is shared).
            ->MinTime(0.3)
            ->Repetitions(7);
        // Processor time of every thread; strips on every core run as long as the caller waits.
        bench->MeasureProcessCPUTime();
        if (std::string(name).find("AllCores") != std::string::npos) bench->UseRealTime();
    };
    add("Reference/Linear/Highlights", &DrawPseudoReference, false, Light::kHighlights, widest);
    add("Fast/Linear/Highlights", &DrawPseudo, false, Light::kHighlights, widest);
    add("Fast/Linear/Highlights/SSE2", &DrawPseudo, false, Light::kHighlights, VectorPath::kSse2);
    add("Fast/Linear/Shaded", &DrawPseudo, false, Light::kShaded, widest);
    add("Fast/Linear/Unshaded", &DrawPseudo, false, Light::kOff, widest);
    add("Fast/Log/Highlights", &DrawPseudo, true, Light::kHighlights, widest);
    add("Fast/Linear/Highlights/AllCores", &AllCores, false, Light::kHighlights, widest);
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRates();
    benchmark::Shutdown();
    return 0;
}
