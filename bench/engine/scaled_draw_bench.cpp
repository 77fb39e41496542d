// Whole draws at other scales than cell for cell, through the built plug-in's exports with the
// resampling settings untouched (the automatic underview mode), shading and highlights on and a
// linear colour mapping (as draw_bench), against GDAL's own RasterIO of the same window at the
// same size with the same kernel, in the same run:
//
//   reduced     the whole 4096 x 4096 sample DEM drawn at 1024 x 1024   (GDAL: average)
//   magnified   its central 512 x 512 cells drawn at 2048 x 2048        (GDAL: cubic)
//
// The DEM has no overviews, so both sides read the full resolution. The engine's block alone is
// timed too. GDAL's block cache holds the whole file for everyone, so the disk is out of it.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <gdal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/kvr_contract.h"
#include "handler/handler_context.h"
#include "handler/rh_api.h"
#include "tools/plugin_host.h"
#include "tools/sample_dem.h"

namespace {

constexpr int kSide = 4096;
constexpr int kCacheMegabytes = 256;

struct Scale {
    const char* name;
    int x, y, cells;  // a square window, rows from the north
    int pixels;
    GDALRIOResampleAlg kernel;
};

constexpr Scale kScales[] = {
    {"reduced", 0, 0, kSide, 1024, GRIORA_Average},
    {"magnified", kSide / 2 - 256, kSide / 2 - 256, 512, 2048, GRIORA_Cubic},
};

struct Fixture {
    std::string directory;
    std::string dem;
    std::unique_ptr<Tarn::Tools::PluginHost> host_library;
    Tarn::Tools::PluginEntryPoints plugin;
    KvrPopulateCellBlockFn populate = nullptr;
    KvrReleaseDataFn release = nullptr;
    HostRasterRecord host{};
    GDALDatasetH dataset = nullptr;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

const Tarn::Handler::HandlerContext& Context() {
    return *static_cast<const Tarn::Handler::HandlerContext*>(TheFixture().host.context);
}

template <typename Fn>
bool Bind(void* library, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(library, name));
    if (slot == nullptr) std::fprintf(stderr, "missing %s\n", name);
    return slot != nullptr;
}

// Settings of the benchmark's own: nothing about underviews; the colouring and shading of
// draw_bench (the default colouring mode maps each cell through a slower lookup, which would
// time the colour control rather than the resampling); the engine's cache through the name set
// that carries it; no pyramid, so that both sides read the full resolution whatever the
// threshold.
void IsolateSettings(const std::string& directory) {
    Tarn::Bench::IsolateSettings(directory,
                                 "[Colouring]\nMode = 0\nColourTable = Pseudocolor.lut\n"
                                 "[Shading]\nEnabled = yes\nLightAzimuth = 315\n"
                                 "Highlights = yes\n[Engine]\nHNames = yes\nCacheSize = " +
                                     std::to_string(kCacheMegabytes) +
                                     "\n[Pyramids]\nEnabled = no\n");
}

bool Prepare() {
    Fixture& f = TheFixture();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/scaled-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return false;
    f.directory = pattern;
    f.dem = f.directory + "/dem.tif";
    IsolateSettings(f.directory);
    Tarn::Tools::SampleDemOptions options;
    options.width = options.height = kSide;
    std::string error;
    if (!Tarn::Tools::WriteSampleDem(f.dem, options, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }

    f.host_library = Tarn::Tools::PluginHost::Load(RH_BIN_DIR "/KVRasterHandlerGDAL.rha", error);
    if (!f.host_library) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    const Tarn::Tools::PluginEntryPoints& p = f.plugin = f.host_library->Entry();
    HandlerIdentity identity;
    if (!p.identify(&identity) || !p.is_format(f.dem.c_str()) || !p.open(&f.host, f.dem.c_str(), 0))
        return false;
    void* engine = dlopen(RH_BIN_DIR "/KVRasterAPI.so", RTLD_NOW | RTLD_NOLOAD);
    if (engine == nullptr || !Bind(engine, "KVR_H_PopulateCellBlock", f.populate) ||
        !Bind(engine, "KVR_H_ReleaseData", f.release))
        return false;
    GDALAllRegister();
    f.dataset = GDALOpen(f.dem.c_str(), GA_ReadOnly);
    return f.dataset != nullptr;
}

void CleanUp() {
    Fixture& f = TheFixture();
    if (f.plugin.close != nullptr && f.host.context != nullptr) f.plugin.close(&f.host);
    if (f.dataset != nullptr) GDALClose(f.dataset);
    std::error_code ignored;
    if (!f.directory.empty()) std::filesystem::remove_all(f.directory, ignored);
}

bool Draw(const Scale& s) {
    Fixture& f = TheFixture();
    // The host's cell rectangle counts rows from the bottom.
    const DrawRect cells{s.x, kSide - s.y - s.cells, s.x + s.cells, kSide - s.y};
    const DrawRect output{0, 0, s.pixels, s.pixels};
    int width = 0;
    return f.plugin.start_draw(&f.host, &output, &cells, 1.0, &width) == 1;
}

std::unique_ptr<float[]> GdalRead(const Scale& s) {
    std::unique_ptr<float[]> buffer(new float[static_cast<size_t>(s.pixels) * s.pixels]);
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = s.kernel;
    if (GDALRasterIOEx(GDALGetRasterBand(TheFixture().dataset, 1), GF_Read, s.x, s.y, s.cells,
                       s.cells, buffer.get(), s.pixels, s.pixels, GDT_Float32, 0, 0,
                       &extra) != CE_None)
        return nullptr;
    return buffer;
}

// The engine's block: the same kernel as GDAL's (values equal where the engine says valid), and
// the picture drawn, before anything is timed.
bool CheckResults() {
    Fixture& f = TheFixture();
    const auto& context = Context();
    if (context.underview_mode != 5 || !context.shading_on) {
        std::fprintf(stderr, "the plug-in's settings are not the defaults\n");
        return false;
    }
    for (const Scale& s : kScales) {
        const std::unique_ptr<float[]> expected = GdalRead(s);
        void* data = nullptr;
        uint8_t* validity = nullptr;
        if (!expected ||
            f.populate(context.raster_handle, &data, &validity, KVR_BLOCK_FLOAT, s.x, s.y, s.cells,
                       s.cells, s.pixels, s.pixels, 0, 0, 5, INT64_MIN, INT64_MAX) != 0)
            return false;
        const size_t count = static_cast<size_t>(s.pixels) * s.pixels;
        size_t differ = 0, valid = 0;
        for (size_t i = 0; i < count; ++i) {
            if (validity[i] == 0) continue;
            ++valid;
            differ += static_cast<float*>(data)[i] != expected[i];
        }
        f.release(&data);
        f.release(reinterpret_cast<void**>(&validity));
        // Pixels beside the sea may take their own cell's value (none here: the sea has a
        // declared no-data value, which GDAL's kernels mask).
        if (differ != 0 || valid == 0 || !Draw(s)) {
            std::fprintf(stderr, "%s: %zu of %zu valid pixels differ from GDAL's read\n", s.name,
                         differ, valid);
            return false;
        }
        f.plugin.end_draw(&f.host);
    }
    return true;
}

void BM_Draw(benchmark::State& state, const Scale& s) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        if (!Draw(s)) state.SkipWithError("RH_StartDraw failed");
        state.PauseTiming();
        f.plugin.end_draw(&f.host);
        state.ResumeTiming();
    }
}

void BM_EngineBlock(benchmark::State& state, const Scale& s) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        void* data = nullptr;
        uint8_t* validity = nullptr;
        if (f.populate(Context().raster_handle, &data, &validity, KVR_BLOCK_FLOAT, s.x, s.y,
                       s.cells, s.cells, s.pixels, s.pixels, 0, 0, 5, INT64_MIN, INT64_MAX) != 0)
            state.SkipWithError("the engine refused the block");
        state.PauseTiming();
        f.release(&data);
        f.release(reinterpret_cast<void**>(&validity));
        state.ResumeTiming();
    }
}

void BM_GdalRead(benchmark::State& state, const Scale& s) {
    for (auto _ : state) {
        std::unique_ptr<float[]> buffer = GdalRead(s);
        if (!buffer) state.SkipWithError("GDAL's read failed");
        benchmark::DoNotOptimize(buffer.get());
    }
}

void PrintRatios(const Tarn::Bench::LeastDisturbedReporter& reporter) {
    using Clock = Tarn::Bench::LeastDisturbedReporter::Clock;
    // Processor time says what the work costs; wall time what the user waits, which the draw's
    // worker threads shorten and GDAL's single-threaded read does not.
    for (const auto& [clock, title] : {std::pair{Clock::Processor, "processor time"},
                                       std::pair{Clock::Wall, "wall time"}}) {
        std::printf("\n%s, least disturbed repetition\n", title);
        std::printf("%-10s %10s %10s %10s %12s %12s\n", "", "GDAL ms", "block ms", "draw ms",
                    "block/GDAL", "draw/GDAL");
        for (const Scale& s : kScales) {
            const std::string name = s.name;
            const double gdal = reporter.Seconds("GdalRead/" + name, clock);
            const double block = reporter.Seconds("EngineBlock/" + name, clock);
            const double draw = reporter.Seconds("Draw/" + name, clock);
            if (gdal <= 0 || block <= 0 || draw <= 0) continue;
            std::printf("%-10s %10.1f %10.1f %10.1f %11.2fx %11.2fx   target <= 1.5\n", s.name,
                        gdal * 1e3, block * 1e3, draw * 1e3, block / gdal, draw / gdal);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!Prepare() || !CheckResults()) {
        CleanUp();
        return 1;
    }
    for (const Scale& s : kScales) {
        const std::string name = s.name;
        for (const auto& [prefix, function] :
             {std::pair{"GdalRead/", &BM_GdalRead}, std::pair{"EngineBlock/", &BM_EngineBlock},
              std::pair{"Draw/", &BM_Draw}}) {
            benchmark::RegisterBenchmark((prefix + name).c_str(), function, s)
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime()
                ->Iterations(3)
                ->Repetitions(5);
        }
    }
    benchmark::Initialize(&argc, argv);
    Tarn::Bench::LeastDisturbedReporter reporter(
        Tarn::Bench::LeastDisturbedReporter::Clock::Processor);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    CleanUp();
    return 0;
}
