// The engine's status codes: 0 is success, every failure is a distinct nonzero value so that a
// caller's log says what went wrong.
#pragma once

namespace Tarn::RasterApi {

enum Status : int {
    kOk = 0,
    kBadArgument = 1,    // null pointer, field / band / level / format / size out of range
    kUnknownHandle = 2,  // never issued, or already closed / released
    kOpenFailed = 3,     // the path does not open as a raster
    kReadFailed = 4,     // GDAL refused a read
    kNotAvailable = 5,   // no statistics known (force 0), no valid cell, no EPSG code
    kOutOfMemory = 6,
    kInternal = 7,  // an unexpected exception, caught at the boundary
};

}  // namespace Tarn::RasterApi
