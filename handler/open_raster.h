// Opening a raster into a handler context hung on the host record.
#pragma once

#include "handler/rh_api.h"

namespace Tarn::Handler {

// Opens `path` through the engine, fills the host record (path, size, registration points) and
// hangs a new context on it with the render style prepared and loaded. 0 when the engine cannot
// open the file (no context then) or the style cannot be drawn on it (the context stays for
// RH_Close); error 4 when memory runs out.
int OpenRaster(HostRasterRecord& host, const char16_t* path);

}  // namespace Tarn::Handler
