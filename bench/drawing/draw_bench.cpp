// A whole draw through the built plug-in's exports: RH_StartDraw of a 4096 x 4096 Float32
// GeoTIFF DEM (the sample DEM) at full size, "Pseudo" with a linear mapping over a 256-entry
// table, shading and highlights on; against GDALDEMProcessing "hillshade" and "color-relief" of
// the same file to in-memory rasters, in the same run. The parts of a draw are timed alone too:
// the engine's read (on one thread and in bands of rows on every core), the pixel pass with the
// plug-in's colouring, and the first touch of a fresh buffer the size of the picture (where page
// faults are dear, in virtual machines, that is much of a draw). The draw and the pass run as the
// plug-in runs them, in strips on every core, and on one thread; the pass also on the SSE2 path
// where the processor has AVX2. Times are the processor time (all threads) and the wall time the
// caller waits. Then the peak resident memory the draw adds, against the picture and the engine's
// two blocks, for the whole raster and for a window inside it (read with a halo). GDAL's block
// cache is kept at 4 MB for everyone.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <gdal.h>
#include <gdal_utils.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "colour/colour_values.h"
#include "draw/strips.h"
#include "draw/vector_path.h"
#include "engine/kvr_contract.h"
#include "handler/handler_context.h"
#include "handler/rh_api.h"
#include "handler/start_draw.h"
#include "platform/memory_advice.h"
#include "tools/sample_dem.h"

namespace {

constexpr int kSide = 4096;
constexpr int64_t kPixels = int64_t{kSide} * kSide;
constexpr int kCacheMegabytes = 4;

struct Plugin {
    decltype(&RH_Identify) identify = nullptr;
    decltype(&RH_IsFormat) is_format = nullptr;
    decltype(&RH_Open) open = nullptr;
    decltype(&RH_StartDraw) start_draw = nullptr;
    decltype(&RH_GetBlock) get_block = nullptr;
    decltype(&RH_EndDraw) end_draw = nullptr;
    decltype(&RH_Close) close = nullptr;
};

struct Engine {
    KvrPopulateCellBlockFn populate = nullptr;
    KvrReleaseDataFn release = nullptr;
    KvrSetReadThreadsFn read_threads = nullptr;
};

struct Fixture {
    std::string directory;
    std::string dem;
    std::string colours;  // GDAL's colour-relief file with the plug-in's 256 entries
    Plugin plugin;
    Engine engine;
    HostRasterRecord host{};
    GDALDatasetH dataset = nullptr;
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

Tarn::Handler::HandlerContext& Context() {
    return *static_cast<Tarn::Handler::HandlerContext*>(TheFixture().host.context);
}

template <typename Fn>
bool Bind(void* library, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(library, name));
    if (slot == nullptr) std::fprintf(stderr, "missing %s\n", name);
    return slot != nullptr;
}

// Settings of the benchmark's own: the style the picture is to have, and the engine's name set
// that carries the cache size.
void IsolateSettings(const std::string& directory) {
    Tarn::Bench::IsolateSettings(
        directory,
        "[Colouring]\nMode = 0\nColourTable = Pseudocolor.lut\n"
        "[Shading]\nEnabled = yes\nLightAzimuth = 315\nLightElevation = 45\n"
        "Highlights = yes\nHighlightAzimuth = 315\nHighlightElevation = 45\nHighlightSize = 50\n"
        "[Engine]\nHNames = yes\nCacheSize = " +
            std::to_string(kCacheMegabytes) + "\n");
}

// GDAL's colour-relief table: the plug-in's entries over the same range, linearly.
bool WriteColourFile(const std::string& path) {
    const auto& context = Context();
    const auto& table = context.colour_control.Table();
    std::ofstream out(path);
    const double low = context.value_minimum, high = context.value_maximum;
    for (size_t i = 0; i < table.size(); ++i) {
        const double value = low + (high - low) * static_cast<double>(i) / (table.size() - 1);
        out << value << " " << Tarn::Colour::PackedRed(table[i].colour) << " "
            << Tarn::Colour::PackedGreen(table[i].colour) << " "
            << Tarn::Colour::PackedBlue(table[i].colour) << "\n";
    }
    out << "nv 255 255 255\n";
    return static_cast<bool>(out);
}

bool Prepare() {
    Fixture& f = TheFixture();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/draw-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return false;
    f.directory = pattern;
    f.dem = f.directory + "/dem.tif";
    f.colours = f.directory + "/colours.txt";
    IsolateSettings(f.directory);

    Tarn::Tools::SampleDemOptions options;
    options.width = options.height = kSide;
    std::string error;
    if (!Tarn::Tools::WriteSampleDem(f.dem, options, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }

    void* library = dlopen(RH_BIN_DIR "/KVRasterHandlerGDAL.rha", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return false;
    }
    Plugin& p = f.plugin;
    if (!Bind(library, "RH_Identify", p.identify) || !Bind(library, "RH_IsFormat", p.is_format) ||
        !Bind(library, "RH_Open", p.open) || !Bind(library, "RH_StartDraw", p.start_draw) ||
        !Bind(library, "RH_GetBlock", p.get_block) || !Bind(library, "RH_EndDraw", p.end_draw) ||
        !Bind(library, "RH_Close", p.close))
        return false;
    HandlerIdentity identity;
    if (!p.identify(&identity) || !p.is_format(f.dem.c_str()) || !p.open(&f.host, f.dem.c_str(), 0))
        return false;

    // The engine as the plug-in bound it: the same library, so the same open raster.
    void* engine = dlopen(RH_BIN_DIR "/KVRasterAPI.so", RTLD_NOW | RTLD_NOLOAD);
    if (engine == nullptr || !Bind(engine, "KVR_H_PopulateCellBlock", f.engine.populate) ||
        !Bind(engine, "KVR_H_ReleaseData", f.engine.release) ||
        !Bind(engine, "KVR_H_SetReadThreads", f.engine.read_threads))
        return false;

    GDALAllRegister();
    GDALSetCacheMax64(int64_t{kCacheMegabytes} << 20);
    f.dataset = GDALOpen(f.dem.c_str(), GA_ReadOnly);
    return f.dataset != nullptr && WriteColourFile(f.colours);
}

void CleanUp() {
    Fixture& f = TheFixture();
    if (f.plugin.close != nullptr) f.plugin.close(&f.host);
    if (f.dataset != nullptr) GDALClose(f.dataset);
    std::error_code ignored;
    if (!f.directory.empty()) std::filesystem::remove_all(f.directory, ignored);
}

constexpr DrawRect kWhole{0, 0, kSide, kSide};

bool StartDraw() {
    Fixture& f = TheFixture();
    int width = 0;
    return f.plugin.start_draw(&f.host, &kWhole, &kWhole, 1.0, &width) == 1;
}

// The picture must be what was asked for before anything is timed: the style as set, and white
// (the background) exactly where the DEM has no value, since shaded pixels stop at 254.
bool CheckResults() {
    Fixture& f = TheFixture();
    const auto& context = Context();
    if (context.style_kind != Tarn::Handler::kStylePseudo || !context.shading_on ||
        !context.highlights_on || context.colour_control.Table().size() != 256 ||
        context.colour_control.MappingKind() != Tarn::Colour::kMappingLinear) {
        std::fprintf(stderr, "the plug-in's style is not the one set for the benchmark\n");
        return false;
    }
    std::vector<float> cells(kPixels);
    int has_no_data = 0;
    const double no_data = GDALGetRasterNoDataValue(GDALGetRasterBand(f.dataset, 1), &has_no_data);
    if (!has_no_data || GDALRasterIO(GDALGetRasterBand(f.dataset, 1), GF_Read, 0, 0, kSide, kSide,
                                     cells.data(), kSide, kSide, GDT_Float32, 0, 0) != CE_None)
        return false;
    if (!StartDraw()) return false;
    uint8_t* block = nullptr;
    DrawRect rect{};
    bool right = f.plugin.get_block(&f.host, &block, &rect) == 1;
    int64_t wrong = 0, empty = 0;
    for (int y = 0; right && y < kSide; ++y) {
        // The block comes bottom row first; the cells north first.
        const uint8_t* row = block + static_cast<size_t>(kSide - 1 - y) * kSide * 3;
        for (int x = 0; x < kSide; ++x) {
            const bool white = row[3 * x] == 255 && row[3 * x + 1] == 255 && row[3 * x + 2] == 255;
            const bool invalid = cells[static_cast<size_t>(y) * kSide + x] == no_data;
            wrong += white != invalid;
            empty += invalid;
        }
    }
    f.plugin.end_draw(&f.host);
    if (!right || wrong != 0) {
        std::fprintf(stderr, "%lld pixels are white where the DEM has a value or the reverse\n",
                     static_cast<long long>(wrong));
        return false;
    }
    std::printf("DEM %d x %d, %.1f%% without data\n", kSide, kSide, 100.0 * empty / kPixels);
    return true;
}

void BM_StartDraw(benchmark::State& state, int32_t threads_preference) {
    Fixture& f = TheFixture();
    auto& context = Context();
    const int32_t preference = context.draw_threads_preference;
    context.draw_threads_preference = threads_preference;
    for (auto _ : state) {
        if (!StartDraw()) state.SkipWithError("RH_StartDraw failed");
        state.PauseTiming();
        f.plugin.end_draw(&f.host);
        state.ResumeTiming();
    }
    context.draw_threads_preference = preference;
}

void BM_EngineRead(benchmark::State& state, int threads) {
    Fixture& f = TheFixture();
    const auto& context = Context();
    f.engine.read_threads(threads);
    for (auto _ : state) {
        void* data = nullptr;
        uint8_t* validity = nullptr;
        if (f.engine.populate(context.raster_handle, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, kSide,
                              kSide, kSide, kSide, 0, 0, context.underview_mode, INT64_MIN,
                              INT64_MAX) != 0)
            state.SkipWithError("the engine refused the block");
        state.PauseTiming();
        f.engine.release(&data);
        void* flags = validity;
        f.engine.release(&flags);
        state.ResumeTiming();
    }
}

// The pixel pass alone, as RH_StartDraw runs it: over the engine's block of the whole raster,
// with the plug-in's own colouring, into a picture whose pages are mapped already.
void BM_Pass(benchmark::State& state, int threads, Tarn::Draw::VectorPath path) {
    Fixture& f = TheFixture();
    const Tarn::Draw::VectorPath previous = Tarn::Draw::SetVectorPath(path);
    auto& context = Context();
    void* data = nullptr;
    uint8_t* validity = nullptr;
    if (f.engine.populate(context.raster_handle, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, kSide,
                          kSide, kSide, kSide, 0, 0, context.underview_mode, INT64_MIN,
                          INT64_MAX) != 0) {
        state.SkipWithError("the engine refused the block");
        return;
    }
    const Tarn::Draw::PseudoColouring how =
        Tarn::Handler::SingleBandColouring(context, kSide, kSide, kSide, kSide);
    const Tarn::Draw::FloatBlock block{static_cast<const float*>(data), validity, kSide, kSide};
    std::vector<uint8_t> pixels(static_cast<size_t>(kPixels) * 3);
    for (auto _ : state) {
        Tarn::Draw::DrawPseudoInStrips(block, how, pixels.data(), {threads});
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    f.engine.release(&data);
    void* flags = validity;
    f.engine.release(&flags);
    Tarn::Draw::SetVectorPath(previous);
}

// What a fresh picture buffer costs before anything is drawn into it: the kernel maps and
// clears each page at its first touch (huge pages where it grants them, as the draw asks).
void BM_FirstTouch(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(kPixels) * 3;
    for (auto _ : state) {
        auto* buffer = static_cast<uint8_t*>(std::malloc(bytes));
        if (buffer == nullptr) state.SkipWithError("no memory");
        Tarn::Platform::AdviseHugePages(buffer, bytes);
        std::memset(buffer, 0, bytes);
        benchmark::DoNotOptimize(buffer);
        state.PauseTiming();
        std::free(buffer);
        state.ResumeTiming();
    }
}

void BM_GdalDem(benchmark::State& state, const char* processing) {
    Fixture& f = TheFixture();
    char of[] = "-of", mem[] = "MEM";
    char* argv[] = {of, mem, nullptr};
    GDALDEMProcessingOptions* options = GDALDEMProcessingOptionsNew(argv, nullptr);
    const bool colours = std::strcmp(processing, "color-relief") == 0;
    for (auto _ : state) {
        GDALDatasetH out = GDALDEMProcessing(
            "", f.dataset, processing, colours ? f.colours.c_str() : nullptr, options, nullptr);
        if (out == nullptr) state.SkipWithError("GDALDEMProcessing failed");
        state.PauseTiming();
        if (out != nullptr) GDALClose(out);
        state.ResumeTiming();
    }
    GDALDEMProcessingOptionsFree(options);
}

using Reporter = Tarn::Bench::LeastDisturbedReporter;

void PrintTimes(const Reporter& reporter) {
    const auto wall = [&](const std::string& name) {
        return reporter.Seconds(name, Reporter::Clock::Wall);
    };
    const char* names[] = {
        "StartDraw",     "StartDrawOneThread", "EngineRead", "EngineReadAllCores",
        "Pass",          "PassAllCores",       "PassSse2",   "FirstTouch",
        "GdalHillshade", "GdalColorRelief"};
    for (const char* name : names)
        if (reporter.Seconds(name) <= 0 || wall(name) <= 0) return;
    const auto rate = [](double seconds) { return kPixels / seconds / 1e6; };
    std::printf("\nvector path %s, %d threads on all cores\n",
                Tarn::Draw::ActiveVectorPath() == Tarn::Draw::VectorPath::kAvx2Fma ? "AVX2 and FMA"
                                                                                   : "SSE2",
                Tarn::Draw::DrawThreadsFor(0));
    std::printf(
        "per picture (least disturbed repetition)   processor        wall    Mpixel/s (wall)\n");
    const auto line = [&](const char* label, const char* name) {
        std::printf("  %-38s %8.1f ms %8.1f ms %8.1f\n", label, reporter.Seconds(name) * 1e3,
                    wall(name) * 1e3, rate(wall(name)));
    };
    line("RH_StartDraw, all cores", "StartDraw");
    line("RH_StartDraw, one thread", "StartDrawOneThread");
    line("  engine read alone, one thread", "EngineRead");
    line("  engine read alone, all cores", "EngineReadAllCores");
    line("  pass alone, one core", "Pass");
    line("  pass alone, all cores", "PassAllCores");
    line("  pass alone, one core, SSE2", "PassSse2");
    line("  first touch of a picture buffer", "FirstTouch");
    line("GDAL hillshade", "GdalHillshade");
    line("GDAL color-relief", "GdalColorRelief");
    const double hillshade = wall("GdalHillshade");
    std::printf("  pass, one core (processor time)        %8.1f Mpixel/s   target >= 400\n",
                rate(reporter.Seconds("Pass")));
    std::printf("  draw / hillshade, wall, all cores      %8.2fx   target <= 0.12\n",
                wall("StartDraw") / hillshade);
    std::printf("  draw / hillshade, wall, one thread     %8.2fx\n",
                wall("StartDrawOneThread") / hillshade);
    std::printf("  draw / hillshade, processor time       %8.2fx\n",
                reporter.Seconds("StartDraw") / reporter.Seconds("GdalHillshade"));
    std::printf("  draw / color-relief, wall, all cores   %8.2fx\n",
                wall("StartDraw") / wall("GdalColorRelief"));
}

long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

// Peak resident memory while one picture of `cells` at one cell per pixel is made, above what
// the process held before it: the kernel's high-water mark is reset first (clear_refs 5).
void PrintMemory(const char* what, const DrawRect& cells) {
    if (!(std::ofstream("/proc/self/clear_refs") << "5")) {
        std::printf("\npeak memory: cannot reset the high-water mark\n");
        return;
    }
    Fixture& f = TheFixture();
    const long before = StatusKilobytes("VmRSS:");
    int width = 0;
    const bool drawn = f.plugin.start_draw(&f.host, &cells, &cells, 1.0, &width) == 1;
    const long peak = StatusKilobytes("VmHWM:");
    f.plugin.end_draw(&f.host);
    if (!drawn || before < 0 || peak < 0) return;
    const double pixels = static_cast<double>(cells.x1 - cells.x0) * (cells.y1 - cells.y0);
    const double added = (peak - before) / 1024.0;
    const double picture = pixels * 3 / 1048576.0;
    const double blocks = pixels * (sizeof(float) + 1) / 1048576.0;
    std::printf("\npeak resident memory %s adds %8.1f MB\n", what, added);
    std::printf("  picture %.1f MB + value and validity blocks %.1f MB = %.1f MB\n", picture,
                blocks, picture + blocks);
    std::printf("  added / (picture + blocks)  %6.2fx   target <= 1.1\n",
                added / (picture + blocks));
}

}  // namespace

int main(int argc, char** argv) {
    if (!Prepare() || !CheckResults()) {
        CleanUp();
        return 1;
    }
    const auto add = [](const char* name, auto&& function) {
        benchmark::RegisterBenchmark(name, function)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->Iterations(3)
            ->Repetitions(5);
    };
    using Tarn::Draw::VectorPath;
    const VectorPath widest = Tarn::Draw::ActiveVectorPath();
    // 0: the plug-in's default, one thread per core.
    add("StartDraw", [](benchmark::State& s) { BM_StartDraw(s, 0); });
    add("StartDrawOneThread", [](benchmark::State& s) { BM_StartDraw(s, 1); });
    add("EngineRead", [](benchmark::State& s) { BM_EngineRead(s, 1); });
    add("EngineReadAllCores",
        [](benchmark::State& s) { BM_EngineRead(s, Tarn::Draw::DrawThreadsFor(0)); });
    add("Pass", [widest](benchmark::State& s) { BM_Pass(s, 1, widest); });
    add("PassAllCores",
        [widest](benchmark::State& s) { BM_Pass(s, Tarn::Draw::DrawThreadsFor(0), widest); });
    add("PassSse2", [](benchmark::State& s) { BM_Pass(s, 1, VectorPath::kSse2); });
    add("FirstTouch", BM_FirstTouch);
    add("GdalHillshade", [](benchmark::State& s) { BM_GdalDem(s, "hillshade"); });
    add("GdalColorRelief", [](benchmark::State& s) { BM_GdalDem(s, "color-relief"); });
    benchmark::Initialize(&argc, argv);
    Reporter reporter(Reporter::Clock::Processor);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTimes(reporter);
    PrintMemory("the draw", kWhole);
    // A window inside the raster: its block brings a halo of one pixel on each side.
    PrintMemory("a window's draw", DrawRect{16, 16, kSide - 16, kSide - 16});
    benchmark::Shutdown();
    CleanUp();
    return 0;
}
