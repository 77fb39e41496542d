// When a raster gets a pyramid, and finding, building and checking it.
#include "rasterapi/raster_pyramid.h"

#include "platform/temp_file.h"
#include "rasterapi/pyramid_build.h"
#include "rasterapi/pyramid_key.h"
#include "rasterapi/resampling.h"

namespace Tarn::RasterApi {
namespace {

bool MaskedByNoDataAtMost(GDALRasterBandH band) {
    const int flags = GDALGetMaskFlags(band);
    return flags == GMF_ALL_VALID || flags == GMF_NODATA;
}

}  // namespace

RasterPyramid::RasterPyramid(GDALDatasetH dataset, std::string path, const FieldModel& field,
                             PyramidSettings settings)
    : dataset_(dataset),
      path_(std::move(path)),
      settings_(std::move(settings)),
      store_(settings_.directory, settings_.cap_bytes) {
    if (!settings_.enabled || settings_.directory.empty()) return;
    const int bands = GDALGetRasterCount(dataset_);
    int classified = 0;
    for (int b = 1; b <= bands; ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset_, b);
        if (!MaskedByNoDataAtMost(band)) return;
        classified += ContentOf(field, band) == BandContent::Classified;
    }
    if (classified == 0) {
        resampling_ = "AVERAGE";
        kernel_ = GRIORA_Average;
    } else if (classified == bands) {
        resampling_ = "MODE";
        kernel_ = GRIORA_Mode;
    }
}

RasterPyramid::~RasterPyramid() {
    if (pyramid_ != nullptr) GDALClose(pyramid_);
}

bool RasterPyramid::Serves(GDALRIOResampleAlg kernel) const {
    return resampling_ != nullptr && !failed_ && kernel == kernel_;
}

bool RasterPyramid::OpenFromCache() {
    if (pyramid_ != nullptr) return true;
    if (resampling_ == nullptr || failed_) return false;
    if (!key_known_) {
        key_known_ = true;
        key_ = PyramidKey(dataset_, path_);
    }
    if (!key_) return false;
    pyramid_ = store_.Open(*key_);
    if (pyramid_ != nullptr && !PyramidMatches(pyramid_, dataset_)) {
        // Not what this raster's pyramid must be: damaged, or left by another build.
        GDALClose(pyramid_);
        pyramid_ = nullptr;
        store_.Remove(*key_);
    }
    return pyramid_ != nullptr;
}

bool RasterPyramid::Ready(int64_t read_cells) {
    if (OpenFromCache()) return true;
    if (!key_ || failed_ || read_cells <= settings_.large_cells) return false;
    // A pyramid beyond the cap would only push everything else out, itself next.
    if (PyramidBytes(dataset_) > settings_.cap_bytes) {
        failed_ = true;
        return false;
    }
    const std::string source = Platform::AbsolutePath(path_);
    const char* resampling = resampling_;
    if (!store_.Build(*key_, [&](const std::string& base) {
            return BuildPyramidFile(source, base, resampling);
        })) {
        failed_ = true;  // once per open raster: a cache that cannot be written costs only speed
        return false;
    }
    return OpenFromCache();
}

GDALRasterBandH RasterPyramid::Band(int gdal_band) const {
    return pyramid_ != nullptr ? GDALGetRasterBand(pyramid_, gdal_band) : nullptr;
}

void RasterPyramid::Discard() {
    if (pyramid_ != nullptr) GDALClose(pyramid_);
    pyramid_ = nullptr;
    if (key_) store_.Remove(*key_);
    failed_ = true;
}

}  // namespace Tarn::RasterApi
