// The pyramid cache on a large DEM without overviews, through the built plug-in with its default
// settings (only the cache directory is the benchmark's own), all in one run:
//
//   first draw   RH_OpenW and RH_StartDraw of the whole 16384 x 16384 DEM at 1024 x 1024 with
//                an empty cache, which builds the pyramid   vs  `gdaladdo -r average` of a copy
//                of the same file                              target <= 1.3
//   later draw   RH_StartDraw of the same picture, the pyramid cached   vs  the same draw of a
//                2048 x 2048 DEM                                        target <= 2
//   later open   RH_OpenW and RH_StartDraw, likewise
//
// and the memory an open and draw adds: the peak resident size while it runs above the size
// before it, each in a process of its own.
// Wall time throughout, as gdaladdo is a process of its own. The DEMs are sample DEMs (tiled,
// deflate) kept in $RH_BENCH_DATA (default $TMPDIR/corvane-bench) from run to run, since writing
// the large one takes minutes; they and their copies take about 3 GB of disk.
#include <benchmark/benchmark.h>
#include <cpl_string.h>
#include <dlfcn.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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

namespace fs = std::filesystem;

constexpr int kLargeSide = 16384;
constexpr int kSmallSide = 2048;
constexpr int kPicture = 1024;

struct Fixture {
    std::string data;       // the DEMs, kept between runs
    std::string directory;  // this run's settings, cache and copies
    std::string large, small;
    std::unique_ptr<Tarn::Tools::PluginHost> host_library;
    Tarn::Tools::PluginEntryPoints plugin;
    HostRasterRecord large_host{}, small_host{};  // open for the later draws
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

std::string Cache() {
    return TheFixture().directory + "/cache";
}

// The plug-in's defaults but for the colouring and shading of draw_bench (the default colouring
// mode maps each cell through a slower lookup) and the cache directory.
void IsolateSettings(const std::string& directory) {
    Tarn::Bench::IsolateSettings(directory,
                                 "[Colouring]\nMode = 0\nColourTable = Pseudocolor.lut\n"
                                 "[Shading]\nEnabled = yes\nLightAzimuth = 315\nHighlights = yes\n"
                                 "[Pyramids]\nDirectory = " +
                                     directory + "/cache\n");
}

// A sample DEM, tiled and deflate-compressed, written unless an earlier run left it.
bool EnsureDem(const std::string& path, int side) {
    if (GDALDatasetH existing = GDALOpen(path.c_str(), GA_ReadOnly)) {
        const bool fits = GDALGetRasterXSize(existing) == side &&
                          GDALGetOverviewCount(GDALGetRasterBand(existing, 1)) == 0;
        GDALClose(existing);
        if (fits) return true;
    }
    std::fprintf(stderr, "writing %s (%d x %d)...\n", path.c_str(), side, side);
    const std::string plain = path + ".plain.tif";
    Tarn::Tools::SampleDemOptions options;
    options.width = options.height = side;
    std::string error;
    if (!Tarn::Tools::WriteSampleDem(plain, options, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    char** arguments = nullptr;
    for (const char* a : {"-co", "TILED=YES", "-co", "COMPRESS=DEFLATE", "-co", "BIGTIFF=IF_SAFER"})
        arguments = CSLAddString(arguments, a);
    GDALTranslateOptions* translate = GDALTranslateOptionsNew(arguments, nullptr);
    CSLDestroy(arguments);
    GDALDatasetH source = GDALOpen(plain.c_str(), GA_ReadOnly);
    GDALDatasetH written =
        source ? GDALTranslate(path.c_str(), source, translate, nullptr) : nullptr;
    GDALTranslateOptionsFree(translate);
    if (written != nullptr) GDALClose(written);
    if (source != nullptr) GDALClose(source);
    fs::remove(plain);
    return written != nullptr;
}

bool Open(HostRasterRecord& host, const std::string& path) {
    host = HostRasterRecord{};
    return TheFixture().plugin.open(&host, path.c_str(), 0) == 1;
}

bool Draw(HostRasterRecord& host, int side) {
    const Tarn::Tools::PluginEntryPoints& p = TheFixture().plugin;
    const DrawRect cells{0, 0, side, side};
    const DrawRect output{0, 0, kPicture, kPicture};
    int width = 0;
    const bool drawn = p.start_draw(&host, &output, &cells, 1.0, &width) == 1;
    if (drawn) p.end_draw(&host);
    return drawn;
}

bool OpenAndDraw(const std::string& path, int side) {
    HostRasterRecord host;
    const bool ok = Open(host, path) && Draw(host, side);
    TheFixture().plugin.close(&host);
    return ok;
}

// A copy of the large DEM that gdaladdo may change.
std::string FreshCopy() {
    const std::string copy = TheFixture().directory + "/addo.tif";
    fs::remove(copy);
    fs::copy_file(TheFixture().large, copy);
    return copy;
}

bool Gdaladdo(const std::string& path) {
    return std::system(("gdaladdo -q -r average '" + path + "'").c_str()) == 0;
}

size_t CacheFiles() {
    size_t count = 0;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(Cache(), ignored))
        count += entry.is_regular_file();
    return count;
}

double Seconds(const std::function<bool()>& work, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Kilobytes of a /proc/self/status line ("VmRSS", "VmHWM").
long StatusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field) + 1, nullptr, 10);
    return -1;
}

// What a process doing `work` holds above its size before, in megabytes, at the peak and when
// done: in a child forked before the parent drew anything, so that neither GDAL's block cache
// nor memory the allocator keeps from earlier draws hides what the work needs. Negative when it
// fails.
struct Added {
    double peak = -1, after = -1;
};

Added AddedMegabytes(const std::function<bool()>& work) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const long before = StatusKilobytes("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts from the current size
        Added added;
        if (work()) {
            added.peak = (StatusKilobytes("VmHWM") - before) / 1024.0;
            added.after = (StatusKilobytes("VmRSS") - before) / 1024.0;
        }
        const ssize_t written = write(channel[1], &added, sizeof added);
        std::_Exit(written == sizeof added ? 0 : 1);
    }
    close(channel[1]);
    Added added;
    if (child < 0 || read(channel[0], &added, sizeof added) != sizeof added) added = Added{};
    close(channel[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return added;
}

struct MemoryFigures {
    Added first_draw, later_open, small_open;
};

bool MeasureMemory(MemoryFigures& memory) {
    Fixture& f = TheFixture();
    std::error_code ignored;
    fs::remove_all(Cache(), ignored);
    memory.first_draw = AddedMegabytes([&] { return OpenAndDraw(f.large, kLargeSide); });
    memory.later_open = AddedMegabytes([&] { return OpenAndDraw(f.large, kLargeSide); });
    memory.small_open = AddedMegabytes([&] { return OpenAndDraw(f.small, kSmallSide); });
    return memory.first_draw.peak > 0 && memory.later_open.peak > 0 && memory.small_open.peak > 0;
}

bool Prepare() {
    Fixture& f = TheFixture();
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp ? tmp : "/tmp";
    const char* data = std::getenv("RH_BENCH_DATA");
    f.data = data && *data ? data : base + "/corvane-bench";
    fs::create_directories(f.data);
    std::string pattern = base + "/pyramid-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return false;
    f.directory = pattern;
    IsolateSettings(f.directory);
    GDALAllRegister();
    f.large = f.data + "/dem-16384.tif";
    f.small = f.data + "/dem-2048.tif";
    if (!EnsureDem(f.large, kLargeSide) || !EnsureDem(f.small, kSmallSide)) return false;
    // The style documents beside the DEMs come from these settings.
    fs::remove(f.data + "/dem-16384_tif.ghx");
    fs::remove(f.data + "/dem-2048_tif.ghx");

    std::string error;
    f.host_library = Tarn::Tools::PluginHost::Load(RH_BIN_DIR "/KVRasterHandlerGDAL.rha", error);
    if (!f.host_library) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    f.plugin = f.host_library->Entry();
    HandlerIdentity identity;
    return f.plugin.identify(&identity) && f.plugin.is_format(f.large.c_str());
}

void CleanUp() {
    Fixture& f = TheFixture();
    if (f.plugin.close != nullptr) {
        if (f.large_host.context != nullptr) f.plugin.close(&f.large_host);
        if (f.small_host.context != nullptr) f.plugin.close(&f.small_host);
    }
    std::error_code ignored;
    if (!f.directory.empty()) fs::remove_all(f.directory, ignored);
}

// Before anything is timed: the first draw leaves one pyramid and nothing else in the cache, and
// the engine's block of the whole DEM, read from it, agrees with GDAL's read of gdaladdo's
// overviews.
bool CheckResults() {
    Fixture& f = TheFixture();
    fs::remove_all(Cache());
    if (!OpenAndDraw(f.large, kLargeSide) || CacheFiles() != 1) {
        std::fprintf(stderr, "the first draw left %zu files in the cache\n", CacheFiles());
        return false;
    }
    const std::string copy = FreshCopy();
    if (!Gdaladdo(copy)) return false;
    std::vector<float> expected(static_cast<size_t>(kPicture) * kPicture);
    GDALDatasetH added = GDALOpen(copy.c_str(), GA_ReadOnly);
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_Average;
    const bool read = added && GDALRasterIOEx(GDALGetRasterBand(added, 1), GF_Read, 0, 0,
                                              kLargeSide, kLargeSide, expected.data(), kPicture,
                                              kPicture, GDT_Float32, 0, 0, &extra) == CE_None;
    if (added != nullptr) GDALClose(added);
    fs::remove(copy);
    if (!read || !Open(f.large_host, f.large) || !Open(f.small_host, f.small)) return false;

    void* engine = dlopen(RH_BIN_DIR "/KVRasterAPI.so", RTLD_NOW | RTLD_NOLOAD);
    auto populate =
        engine ? reinterpret_cast<KvrPopulateCellBlockFn>(dlsym(engine, "KVR_PopulateCellBlock"))
               : nullptr;
    auto release =
        engine ? reinterpret_cast<KvrReleaseDataFn>(dlsym(engine, "KVR_ReleaseData")) : nullptr;
    const auto* context = static_cast<const Tarn::Handler::HandlerContext*>(f.large_host.context);
    void* data = nullptr;
    uint8_t* validity = nullptr;
    if (!populate || !release ||
        populate(context->raster_handle, &data, &validity, KVR_BLOCK_FLOAT, 0, 0, kLargeSide,
                 kLargeSide, kPicture, kPicture, 0, 0, 5, INT64_MIN, INT64_MAX) != 0)
        return false;
    double worst = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        if (validity[i])
            worst = std::max(worst, std::fabs(double{static_cast<float*>(data)[i]} - expected[i]));
    release(&data);
    release(reinterpret_cast<void**>(&validity));
    if (worst > 0.01) {
        std::fprintf(stderr, "the pyramid's picture differs from gdaladdo's by %g m\n", worst);
        return false;
    }
    return CacheFiles() == 1;
}

// The first draw and gdaladdo, each the fastest of three, taken in turns as the shared
// machine's load comes and goes.
struct FirstDrawFigures {
    double first_draw = 0, gdaladdo = 0;
};

bool TimeFirstDraws(FirstDrawFigures& figures) {
    figures.first_draw = figures.gdaladdo = INFINITY;
    for (int repetition = 0; repetition < 3; ++repetition) {
        const std::string copy = FreshCopy();
        bool ok = false;
        const double gdaladdo = Seconds([&] { return Gdaladdo(copy); }, ok);
        fs::remove(copy);
        if (!ok) return false;
        std::error_code ignored;
        fs::remove_all(Cache(), ignored);
        const double first_draw =
            Seconds([] { return OpenAndDraw(TheFixture().large, kLargeSide); }, ok);
        if (!ok || CacheFiles() != 1) return false;
        std::printf("repetition %d: gdaladdo %.2f s, first draw %.2f s\n", repetition + 1, gdaladdo,
                    first_draw);
        std::fflush(stdout);
        figures.gdaladdo = std::min(figures.gdaladdo, gdaladdo);
        figures.first_draw = std::min(figures.first_draw, first_draw);
    }
    return true;
}

void BM_LaterDraw(benchmark::State& state, bool large) {
    Fixture& f = TheFixture();
    for (auto _ : state)
        if (!Draw(large ? f.large_host : f.small_host, large ? kLargeSide : kSmallSide))
            state.SkipWithError("RH_StartDraw failed");
}

void BM_LaterOpen(benchmark::State& state, bool large) {
    Fixture& f = TheFixture();
    for (auto _ : state)
        if (!OpenAndDraw(large ? f.large : f.small, large ? kLargeSide : kSmallSide))
            state.SkipWithError("open or draw failed");
}

void PrintFigures(const FirstDrawFigures& first, const MemoryFigures& memory,
                  const Tarn::Bench::LeastDisturbedReporter& reporter) {
    std::printf("\nwall time, least disturbed repetition\n");
    const struct {
        const char* label;
        double ours;
        const char* baseline_label;
        double baseline;
        double target;
    } rows[] = {
        {"first draw", first.first_draw, "gdaladdo", first.gdaladdo, 1.3},
        {"later draw", reporter.Seconds("LaterDraw/16384"), "2048 DEM",
         reporter.Seconds("LaterDraw/2048"), 2.0},
        {"later open", reporter.Seconds("LaterOpen/16384"), "2048 DEM",
         reporter.Seconds("LaterOpen/2048"), 2.0},
    };
    for (const auto& row : rows) {
        if (!(row.ours > 0) || !(row.baseline > 0)) continue;
        std::printf("%-11s %10.3f s   %-9s %10.3f s   %6.2fx   target <= %.1f\n", row.label,
                    row.ours, row.baseline_label, row.baseline, row.ours / row.baseline,
                    row.target);
    }

    std::printf("\nmemory an open and draw adds: at the peak, and still held once done\n");
    const std::pair<const char*, Added> lines[] = {
        {"first draw, 16384 DEM, building", memory.first_draw},
        {"later open, 16384 DEM, cached", memory.later_open},
        {"open, 2048 DEM", memory.small_open}};
    for (const auto& [label, added] : lines)
        std::printf("%-33s %8.1f MB %8.1f MB\n", label, added.peak, added.after);
}

}  // namespace

int main(int argc, char** argv) {
    FirstDrawFigures first;
    MemoryFigures memory;
    if (!Prepare() || !MeasureMemory(memory) || !CheckResults() || !TimeFirstDraws(first)) {
        CleanUp();
        return 1;
    }
    for (const bool large : {true, false}) {
        const std::string side = large ? "/16384" : "/2048";
        benchmark::RegisterBenchmark(("LaterDraw" + side).c_str(), BM_LaterDraw, large)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(5)
            ->Repetitions(5);
        benchmark::RegisterBenchmark(("LaterOpen" + side).c_str(), BM_LaterOpen, large)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3)
            ->Repetitions(3);
    }
    benchmark::Initialize(&argc, argv);
    Tarn::Bench::LeastDisturbedReporter reporter(Tarn::Bench::LeastDisturbedReporter::Clock::Wall);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintFigures(first, memory, reporter);
    benchmark::Shutdown();
    CleanUp();
    return 0;
}
