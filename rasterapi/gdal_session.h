// GDAL set-up shared by every engine call: drivers registered once, and GDAL's messages kept
// off stderr while the engine works (failures reach the caller as status codes instead).
#pragma once

namespace Tarn::RasterApi {

// Registers GDAL's drivers on first use; cheap afterwards.
void EnsureGdalRegistered();

// While alive, GDAL messages raised on this thread are discarded. GDAL's handler stack is per
// thread, so concurrent calls on other threads are unaffected.
class QuietGdalErrors {
public:
    QuietGdalErrors();
    ~QuietGdalErrors();
    QuietGdalErrors(const QuietGdalErrors&) = delete;
    QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;
};

// Sets GDAL's block cache size; 0 leaves it as it is.
void SetGdalCacheMegabytes(unsigned megabytes);

}  // namespace Tarn::RasterApi
