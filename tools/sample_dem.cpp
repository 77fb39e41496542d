// The sample DEM: gradient noise in octaves (ridged for the mountains, plain for hills and the
// lie of the land), normalised to heights in metres, and its GeoTIFF through GDAL.
#include "tools/sample_dem.h"

#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>
#include <thread>

namespace Tarn::Tools {
namespace {

// Gradient noise on the integer lattice with a quintic fade; values in about [-1, 1].
class GradientNoise {
public:
    explicit GradientNoise(uint32_t seed) {
        std::array<uint8_t, 256> order{};
        std::iota(order.begin(), order.end(), uint8_t{0});
        std::shuffle(order.begin(), order.end(), std::mt19937(seed));
        for (size_t i = 0; i < 512; ++i) permutation_[i] = order[i & 255];
    }

    double At(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = static_cast<int>(fx) & 255, iy = static_cast<int>(fy) & 255;
        const double dx = x - fx, dy = y - fy;
        const double u = Fade(dx), v = Fade(dy);
        const double n00 = Gradient(Hash(ix, iy), dx, dy);
        const double n10 = Gradient(Hash(ix + 1, iy), dx - 1, dy);
        const double n01 = Gradient(Hash(ix, iy + 1), dx, dy - 1);
        const double n11 = Gradient(Hash(ix + 1, iy + 1), dx - 1, dy - 1);
        const double bottom = n00 + u * (n10 - n00);
        const double top = n01 + u * (n11 - n01);
        return (bottom + v * (top - bottom)) * 1.4;
    }

    // Octaves of halving amplitude at doubling frequency.
    double Fractal(double x, double y, int octaves) const {
        double sum = 0.0, amplitude = 1.0, norm = 0.0;
        for (int i = 0; i < octaves; ++i) {
            sum += amplitude * At(x, y);
            norm += amplitude;
            // A small rotation per octave keeps the lattice from lining up across octaves.
            const double rx = 1.6 * x + 1.2 * y, ry = -1.2 * x + 1.6 * y;
            x = rx + 17.3, y = ry - 9.1;
            amplitude *= 0.5;
        }
        return sum / norm;
    }

    // Ridged multifractal: sharp crests where the noise crosses zero, the finer octaves weighted
    // by the coarser ones so that valleys stay smooth and crests rough. About [0, 1].
    double Ridged(double x, double y, int octaves) const {
        double sum = 0.0, amplitude = 1.0, norm = 0.0, weight = 1.0;
        for (int i = 0; i < octaves; ++i) {
            // A softened absolute value: crests of the coarse octaves would otherwise be knife
            // edges that the shading draws as seams.
            const double n = At(x, y);
            double signal = 1.0 - std::sqrt(n * n + 0.004);
            signal *= signal * weight;
            weight = std::clamp(signal * 2.0, 0.0, 1.0);
            sum += amplitude * signal;
            norm += amplitude;
            const double rx = 1.6 * x + 1.2 * y, ry = -1.2 * x + 1.6 * y;
            x = rx - 5.7, y = ry + 13.9;
            amplitude *= 0.45;
        }
        return sum / norm;
    }

private:
    static double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
    int Hash(int x, int y) const { return permutation_[permutation_[x & 255] + (y & 255)]; }
    // Eight directions, none along an axis: an axis-aligned gradient at both ends of a lattice
    // edge makes the noise zero all along it, a straight crease in the ridges.
    static double Gradient(int hash, double x, double y) {
        static constexpr double kC = 0.92387953, kS = 0.38268343;  // cos, sin of 22.5 degrees
        static constexpr double kDirections[8][2] = {{kC, kS},   {kS, kC},   {-kS, kC}, {-kC, kS},
                                                     {-kC, -kS}, {-kS, -kC}, {kS, -kC}, {kC, -kS}};
        const double* g = kDirections[hash & 7];
        return g[0] * x + g[1] * y;
    }

    std::array<uint8_t, 512> permutation_{};
};

double SmoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Octaves whose finest wavelength stays above two cells on a side of `cells` cells when the
// coarsest has `cycles` waves across it.
int OctavesFor(double cells, double cycles, int most) {
    const double fit = std::floor(std::log2(std::max(1.0, cells / (2.0 * cycles)))) + 1.0;
    return std::clamp(static_cast<int>(fit), 1, most);
}

struct ReliefShape {
    int warp_octaves, ridge_octaves, hill_octaves;
};

// The unnormalised height at (u, v), the raster's longer side spanning [0, 1].
double RawHeight(const GradientNoise& noise, const ReliefShape& shape, double u, double v) {
    constexpr double kRange = 3.0;  // the range's scale: three waves across the raster
    const double x = u * kRange, y = v * kRange;
    // Bent ridges: the mountains' coordinates are pushed about by smoother noise.
    const double wx = x + 0.25 * noise.Fractal(x * 0.6 + 3.1, y * 0.6 - 7.4, shape.warp_octaves);
    const double wy = y + 0.25 * noise.Fractal(x * 0.6 - 2.3, y * 0.6 + 5.9, shape.warp_octaves);
    const double land = noise.Fractal(x * 0.35 + 21.0, y * 0.35 + 17.0, 3);  // the lie of the land
    const double mountains = noise.Ridged(wx * 1.1, wy * 1.1, shape.ridge_octaves);
    const double hills = noise.Fractal(x * 2.0 + 11.0, y * 2.0 + 13.0, shape.hill_octaves);
    const double uplift = SmoothStep(-0.15, 0.45, land);
    return 0.9 * land + uplift * mountains * mountains * 1.6 + 0.1 * hills * (0.4 + uplift);
}

// Runs `rows(first, end)` over [0, count) on the machine's cores.
template <typename Rows>
void ForRowBands(int count, Rows rows) {
    const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 16);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(rows, count * t / threads, count * (t + 1) / threads);
    rows(0, count / threads);
    for (std::thread& thread : pool) thread.join();
}

}  // namespace

std::vector<float> SampleDemHeights(const SampleDemOptions& options) {
    const int width = std::max(options.width, 1), height = std::max(options.height, 1);
    const double side = std::max(width, height);
    const GradientNoise noise(options.seed);
    const ReliefShape shape{OctavesFor(side, 3.0 * 0.8, 4), OctavesFor(side, 3.0 * 1.1, 10),
                            OctavesFor(side, 3.0 * 2.0, 7)};
    std::vector<double> raw(static_cast<size_t>(width) * height);
    ForRowBands(height, [&](int first, int end) {
        for (int y = first; y < end; ++y)
            for (int x = 0; x < width; ++x)
                raw[static_cast<size_t>(y) * width + x] =
                    RawHeight(noise, shape, (x + 0.5) / side, (y + 0.5) / side);
    });

    const auto [low, high] = std::minmax_element(raw.begin(), raw.end());
    const double lowest = *low, span = std::max(*high - *low, 1e-12);
    // The lowest ground is sea; above it heights rise steeper towards the peaks, as real
    // ranges do (broad lowlands, narrow summits).
    constexpr double kSeaLevel = 0.06;
    std::vector<float> heights(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = (raw[i] - lowest) / span;
        heights[i] = t < kSeaLevel
                         ? kSampleDemNoData
                         : static_cast<float>(
                               2.0 + 3100.0 * std::pow((t - kSeaLevel) / (1 - kSeaLevel), 1.6));
    }
    return heights;
}

bool WriteSampleDem(const std::string& path, const SampleDemOptions& options, std::string& error) {
    if (options.width <= 0 || options.height <= 0 || !(options.cell_size > 0)) {
        error = "the sample DEM needs a positive size and cell size";
        return false;
    }
    const std::vector<float> heights = SampleDemHeights(options);
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (driver == nullptr) {
        error = "GDAL has no GeoTIFF driver";
        return false;
    }
    const char* creation[] = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", nullptr};
    GDALDatasetH dataset = GDALCreate(driver, path.c_str(), options.width, options.height, 1,
                                      GDT_Float32, const_cast<char**>(creation));
    if (dataset == nullptr) {
        error = "cannot create " + path + ": " + CPLGetLastErrorMsg();
        return false;
    }
    double transform[6] = {options.west,      options.cell_size, 0, options.north, 0,
                           -options.cell_size};
    GDALSetGeoTransform(dataset, transform);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    if (OSRImportFromEPSG(srs, 32633) == OGRERR_NONE) GDALSetSpatialRef(dataset, srs);
    OSRDestroySpatialReference(srs);
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    GDALSetRasterNoDataValue(band, kSampleDemNoData);
    const CPLErr written = GDALRasterIO(band, GF_Write, 0, 0, options.width, options.height,
                                        const_cast<float*>(heights.data()), options.width,
                                        options.height, GDT_Float32, 0, 0);
    // GDAL 3.6's close reports nothing: a failed flush shows in the error state.
    CPLErrorReset();
    GDALClose(dataset);
    if (written != CE_None || CPLGetLastErrorType() >= CE_Failure) {
        error = "cannot write " + path + ": " + CPLGetLastErrorMsg();
        return false;
    }
    return true;
}

}  // namespace Tarn::Tools
