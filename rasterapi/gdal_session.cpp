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
    CPLPushErrorHandlerEx(Collect, this);
    CPLErrorReset();
}

void CPL_STDCALL QuietGdalErrors::Collect(CPLErr kind, CPLErrorNum, const char* message) {
    if (kind < CE_Failure || message == nullptr) return;
    auto* self = static_cast<QuietGdalErrors*>(CPLGetErrorHandlerUserData());
    if (self == nullptr) return;
    (self->first_.empty() ? self->first_ : self->last_) = message;
}

std::string QuietGdalErrors::Failures() const {
    return last_.empty() || last_ == first_ ? first_ : first_ + " (" + last_ + ")";
}

QuietGdalErrors::~QuietGdalErrors() {
    CPLPopErrorHandler();
}

void SetGdalCacheMegabytes(unsigned megabytes) {
    if (megabytes == 0) return;
    GDALSetCacheMax64(static_cast<int64_t>(megabytes) * 1024 * 1024);
}

}  // namespace Tarn::RasterApi
