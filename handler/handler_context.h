// The handler context: the plug-in's private state for one open raster, hung on the host record.
#pragma once

#include <cstdint>

#include "handler/rh_api.h"

namespace Tarn::Handler {

inline constexpr uint32_t kContextAlive = 0x0CCCCCCC;
inline constexpr uint32_t kContextFreed = 0x0DEADEAD;

struct HandlerContext {
    uint32_t marker = kContextAlive;

    // The current picture (from RH_StartDraw to RH_EndDraw). Rows of 3 bytes per pixel, red,
    // green, blue, without padding; allocated with malloc.
    DrawRect cell_rect{};
    DrawRect output_rect{};
    double lines_per_row = 1.0;
    uint8_t* pixels = nullptr;
    bool picture_ready = false;
};

// The live context hung on `host`, or null (no host, no context, or a foreign marker).
HandlerContext* ContextOf(HostRasterRecord* host);

// Frees the context and everything it owns; the marker is overwritten first.
void DestroyContext(HandlerContext* context);

}  // namespace Tarn::Handler
