// KVR_PopulateCellBlock (format 51) on a 4096 x 4096 Float32 GeoTIFF, at full size and at a
// quarter of the size, by nearest cell (underview mode 0), against plain GDALRasterIO of the same
// windows into a fresh buffer, in the same run. (scaled_draw_bench times the resampling kernels.)
// Then the full-size block on one thread against the block in bands of rows on every core (wall
// time), from that file and from a tiled, deflate-compressed copy, as DEMs are often stored, with
// a block cache of 4 MB so that every read decodes the file, as a first draw does. (What stays is
// the first touch of the fresh block, which on this kind of machine hardly gets faster on more
// cores.)
// The engine is loaded from the build's bin directory as the plug-in loads it, with the block cache
// the plug-in asks for by default (512 MB).
#include <benchmark/benchmark.h>
#include <cpl_conv.h>
#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/kvr_contract.h"
#include "platform/dynamic_library.h"

namespace {

constexpr int kSize = 4096;

struct Engine {
    KvrOpenRasterReadOnlyFn open = nullptr;
    KvrPopulateCellBlockFn populate = nullptr;
    KvrReleaseDataFn release = nullptr;
    KvrCloseRasterFn close = nullptr;
    KvrSetCacheSizeFn cache = nullptr;
    KvrSetReadThreadsFn read_threads = nullptr;
};

struct Fixture {
    std::string directory;
    std::string path;
    GDALDatasetH dataset = nullptr;
    Engine engine;
    KvrHandle raster = KVR_INVALID_HANDLE;
    KvrHandle compressed = KVR_INVALID_HANDLE;  // the deflate-compressed copy
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// A smooth surface with detail, so the file is not trivially compressible by the page cache.
float Height(int x, int y) {
    return static_cast<float>(500.0 + 200.0 * std::sin(x * 0.01) * std::cos(y * 0.013) +
                              (x * 7 + y * 13) % 17);
}

bool Prepare() {
    Fixture& f = TheFixture();
    GDALAllRegister();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/engine-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return false;
    f.directory = pattern;
    f.path = f.directory + "/dem.tif";
    GDALDatasetH out = GDALCreate(GDALGetDriverByName("GTiff"), f.path.c_str(), kSize, kSize, 1,
                                  GDT_Float32, nullptr);
    if (out == nullptr) return false;
    double gt[6] = {500000, 10, 0, 6000000, 0, -10};
    GDALSetGeoTransform(out, gt);
    std::vector<float> row(kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) row[x] = Height(x, y);
        if (GDALRasterIO(GDALGetRasterBand(out, 1), GF_Write, 0, y, kSize, 1, row.data(), kSize, 1,
                         GDT_Float32, 0, 0) != CE_None)
            return false;
    }
    GDALClose(out);

    void* library = Tarn::Platform::OpenLibrary(std::string(RH_BIN_DIR) + "/KVRasterAPI.so");
    if (library == nullptr) return false;
    auto find = [&](const char* name) { return Tarn::Platform::FindSymbol(library, name); };
    f.engine.open = reinterpret_cast<KvrOpenRasterReadOnlyFn>(find("KVR_H_OpenRasterReadOnly"));
    f.engine.populate = reinterpret_cast<KvrPopulateCellBlockFn>(find("KVR_H_PopulateCellBlock"));
    f.engine.release = reinterpret_cast<KvrReleaseDataFn>(find("KVR_H_ReleaseData"));
    f.engine.close = reinterpret_cast<KvrCloseRasterFn>(find("KVR_H_CloseRaster"));
    f.engine.cache = reinterpret_cast<KvrSetCacheSizeFn>(find("KVR_H_SetCacheSize"));
    f.engine.read_threads = reinterpret_cast<KvrSetReadThreadsFn>(find("KVR_H_SetReadThreads"));
    if (!f.engine.open || !f.engine.populate || !f.engine.release || !f.engine.close ||
        !f.engine.cache || !f.engine.read_threads)
        return false;
    f.engine.cache(512);

    std::u16string wide(f.path.begin(), f.path.end());  // the path is ASCII
    if (f.engine.open(wide.c_str(), &f.raster, 2, 0) != 0) return false;
    f.dataset = GDALOpen(f.path.c_str(), GA_ReadOnly);
    if (f.dataset == nullptr) return false;

    const std::string compressed = f.directory + "/dem-deflate.tif";
    const char* options[] = {"TILED=YES", "COMPRESS=DEFLATE", "PREDICTOR=3", nullptr};
    GDALDatasetH copy = GDALCreateCopy(GDALGetDriverByName("GTiff"), compressed.c_str(), f.dataset,
                                       FALSE, const_cast<char**>(options), nullptr, nullptr);
    if (copy == nullptr) return false;
    GDALClose(copy);
    std::u16string wide_copy(compressed.begin(), compressed.end());
    return f.engine.open(wide_copy.c_str(), &f.compressed, 2, 0) == 0;
}

void CleanUp() {
    Fixture& f = TheFixture();
    if (f.raster != KVR_INVALID_HANDLE) f.engine.close(f.raster, KVR_CLOSE_OPTIONS, 0);
    if (f.compressed != KVR_INVALID_HANDLE) f.engine.close(f.compressed, KVR_CLOSE_OPTIONS, 0);
    if (f.dataset) GDALClose(f.dataset);
    std::error_code ignored;
    if (!f.directory.empty()) std::filesystem::remove_all(f.directory, ignored);
}

std::unique_ptr<float[]> GdalRead(int output) {
    std::unique_ptr<float[]> buffer(new float[static_cast<size_t>(output) * output]);
    if (GDALRasterIO(GDALGetRasterBand(TheFixture().dataset, 1), GF_Read, 0, 0, kSize, kSize,
                     buffer.get(), output, output, GDT_Float32, 0, 0) != CE_None)
        return nullptr;
    return buffer;
}

// The engine's block must equal GDAL's read, every cell valid, before anything is timed.
bool CheckResults() {
    Fixture& f = TheFixture();
    for (int output : {kSize, kSize / 4}) {
        const std::unique_ptr<float[]> expected = GdalRead(output);
        void* data = nullptr;
        uint8_t* validity = nullptr;
        if (!expected ||
            f.engine.populate(f.raster, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, kSize, kSize,
                              output, output, 0, 0, 0, INT64_MIN, INT64_MAX) != 0)
            return false;
        const size_t cells = static_cast<size_t>(output) * output;
        bool same = std::memcmp(data, expected.get(), cells * sizeof(float)) == 0;
        for (size_t i = 0; i < cells && same; ++i) same = validity[i] == 1;
        f.engine.release(&data);
        f.engine.release(reinterpret_cast<void**>(&validity));
        if (!same) {
            std::fprintf(stderr, "engine block of %d x %d differs from GDAL's read\n", output,
                         output);
            return false;
        }
    }
    return true;
}

void BM_GdalRasterIO(benchmark::State& state) {
    const int output = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::unique_ptr<float[]> buffer = GdalRead(output);
        benchmark::DoNotOptimize(buffer.get());
    }
}

void ReadBlocks(benchmark::State& state, KvrHandle raster, int output) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        void* data = nullptr;
        uint8_t* validity = nullptr;
        if (f.engine.populate(raster, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, kSize, kSize, output,
                              output, 0, 0, 0, INT64_MIN, INT64_MAX) != 0)
            state.SkipWithError("the engine refused the block");
        benchmark::DoNotOptimize(data);
        f.engine.release(&data);
        f.engine.release(reinterpret_cast<void**>(&validity));
    }
}

void BM_PopulateCellBlock(benchmark::State& state) {
    TheFixture().engine.read_threads(1);
    ReadBlocks(state, TheFixture().raster, static_cast<int>(state.range(0)));
}

// Arguments: 0 the file, 1 its compressed copy; the threads.
void BM_FullBlockThreads(benchmark::State& state) {
    Fixture& f = TheFixture();
    f.engine.read_threads(static_cast<int>(state.range(1)));
    f.engine.cache(4);
    ReadBlocks(state, state.range(0) == 0 ? f.raster : f.compressed, kSize);
    f.engine.cache(512);
    f.engine.read_threads(1);
}

int AllCores() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

// Several repetitions, compared by their median processor time: the machine may be shared, and
// wall time then measures the neighbours.
BENCHMARK(BM_GdalRasterIO)
    ->Arg(kSize)
    ->Arg(kSize / 4)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PopulateCellBlock)
    ->Arg(kSize)
    ->Arg(kSize / 4)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_FullBlockThreads)
    ->ArgsProduct({{0, 1}, {1, AllCores()}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->UseRealTime()
    ->ReportAggregatesOnly(true);

// Keeps each run's time to print the engine's ratio against GDAL per output size.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const std::string name = run.run_name.function_name + "/" + run.run_name.args;
                times_[name] = run.GetAdjustedCPUTime();
                wall_[name] = run.GetAdjustedRealTime();
            }
    }
    void PrintRatios() const {
        std::printf("\nmedian processor time\n%-12s %12s %12s %8s\n", "output", "GDAL ms",
                    "engine ms", "ratio");
        for (int output : {kSize, kSize / 4}) {
            const std::string suffix = "/" + std::to_string(output);
            const auto gdal = times_.find("BM_GdalRasterIO" + suffix);
            const auto engine = times_.find("BM_PopulateCellBlock" + suffix);
            if (gdal == times_.end() || engine == times_.end()) continue;
            std::printf("%5d x %-4d %12.2f %12.2f %7.2fx\n", output, output, gdal->second,
                        engine->second, engine->second / gdal->second);
        }
        std::printf("\nfull-size block, 4 MB block cache, median wall time\n%-22s %12s %12s %8s\n",
                    "file", "1 thread ms", std::to_string(AllCores()).append(" threads ms").c_str(),
                    "ratio");
        const char* files[] = {"tiff", "deflate tiff"};
        for (int file = 0; file < 2; ++file) {
            const std::string prefix = "BM_FullBlockThreads/" + std::to_string(file) + "/";
            const auto one = wall_.find(prefix + "1");
            const auto all = wall_.find(prefix + std::to_string(AllCores()));
            if (one == wall_.end() || all == wall_.end()) continue;
            std::printf("%-22s %12.2f %12.2f %7.2fx\n", files[file], one->second, all->second,
                        all->second / one->second);
        }
    }

private:
    std::map<std::string, double> times_, wall_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!Prepare()) {
        std::fprintf(stderr, "could not prepare the fixture or load the engine\n");
        CleanUp();
        return 1;
    }
    if (!CheckResults()) {
        CleanUp();
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    CleanUp();
    return 0;
}
