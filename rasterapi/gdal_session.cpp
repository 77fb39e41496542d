// Driver registration, the quiet error handler and the block cache size.
#include "rasterapi/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

#include <cstdint>
#include <mutex>

namespace Tarn::RasterApi {

void EnsureGdalRegistered() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

QuietGdalErrors::QuietGdalErrors() {
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

QuietGdalErrors::~QuietGdalErrors() {
    CPLPopErrorHandler();
}

void SetGdalCacheMegabytes(unsigned megabytes) {
    if (megabytes == 0) return;
    GDALSetCacheMax64(static_cast<int64_t>(megabytes) * 1024 * 1024);
}

}  // namespace Tarn::RasterApi
