// GDAL set-up shared by every engine call: drivers registered once, and GDAL's messages kept
// off stderr while the engine works (failures reach the caller as status codes instead).
#pragma once

#include <cpl_error.h>

#include <string>

namespace Tarn::RasterApi {

// Registers GDAL's drivers on first use; cheap afterwards.
void EnsureGdalRegistered();

// While alive, GDAL messages raised on this thread are kept off stderr; its failures are kept
// to say why a request failed. GDAL's handler stack is per thread, so concurrent calls on other
// threads are unaffected.
class QuietGdalErrors {
public:
    QuietGdalErrors();
    ~QuietGdalErrors();
    QuietGdalErrors(const QuietGdalErrors&) = delete;
    QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;

    // GDAL's failure messages so far: the first, which is the most precise ("Read error at
    // scanline 8; got 0 bytes, expected 1024"), and the last, which names the file and band,
    // when it is another. Empty when GDAL reported no failure.
    std::string Failures() const;

private:
    static void CPL_STDCALL Collect(CPLErr kind, CPLErrorNum number, const char* message);
    std::string first_;
    std::string last_;
};

// Sets GDAL's block cache size; 0 leaves it as it is.
void SetGdalCacheMegabytes(unsigned megabytes);

}  // namespace Tarn::RasterApi
