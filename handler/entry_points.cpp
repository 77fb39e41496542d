// The thirteen RH_ entry points. Each checks its arguments, calls into the handler and turns
// every failure into its result; the work itself lives in the files named after it.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "handler/entry_guard.h"
#include "handler/handler_context.h"
#include "handler/host_record.h"
#include "handler/identification.h"
#include "handler/open_raster.h"
#include "handler/picture.h"
#include "handler/raster_queries.h"
#include "handler/rh_api.h"
#include "handler/start_draw.h"
#include "system/utf.h"

using namespace Tarn::Handler;

extern "C" {

RH_EXPORT int RH_Identify(HandlerIdentity* identity) {
    return GuardEntry([&] {
        if (identity == nullptr) return 0;
        return IdentifyHandler(ActiveFlavour(), *identity);
    });
}

RH_EXPORT int RH_IsFormat(const char* path) {
    return GuardEntry([&] {
        if (path == nullptr) return 0;
        const std::u16string wide = Tarn::System::Utf8ToWide(path);
        // The conversion stops at invalid UTF-8; the prefix would name another file.
        if (Tarn::System::WideToUtf8(wide) != path) return 0;
        return RH_IsFormatW(wide.c_str());
    });
}

RH_EXPORT int RH_IsFormatW(const rh_wchar* path) {
    return GuardEntry([&] {
        if (path == nullptr) return 0;
        return IsServedFormat(ActiveFlavour(), path);
    });
}

RH_EXPORT int RH_Open(HostRasterRecord* host, const char* path, uint32_t flags) {
    return GuardEntry([&] {
        if (host == nullptr || path == nullptr) return 0;
        const std::u16string wide = Tarn::System::Utf8ToWide(path);
        // The conversion stops at invalid UTF-8; the prefix would name another file.
        if (Tarn::System::WideToUtf8(wide) != path) return 0;
        return RH_OpenW(host, wide.c_str(), flags);
    });
}

RH_EXPORT int RH_OpenW(HostRasterRecord* host, const rh_wchar* path, uint32_t /*flags*/) {
    return GuardEntry([&] {
        if (host == nullptr || path == nullptr) return 0;
        try {
            return OpenRaster(*host, path);
        } catch (const std::bad_alloc&) {
            host->error_code = RH_ERROR_MEMORY;  // the context, if any, stays for RH_Close
            return 0;
        }
    });
}

RH_EXPORT int RH_GetCapabilities(HostRasterRecord* host, int* capability) {
    return GuardEntry([&] {
        if (capability == nullptr) return 0;
        if (host == nullptr) {
            *capability = 1;
            return 1;
        }
        HandlerContext* context = ContextOf(host);
        if (context == nullptr) return 0;
        if (!QueryCapabilities(*context, *capability)) {
            host->error_code = RH_ERROR_ENGINE;
            return 0;
        }
        return 1;
    });
}

RH_EXPORT int RH_GetCorvaneCoordinateSystem(HostRasterRecord* host, char** buffer, int32_t size) {
    return GuardEntry([&] {
        const HandlerContext* context = ContextOf(host);
        if (context == nullptr || buffer == nullptr || *buffer == nullptr) return 0;
        return CopyCoordinateSystem(*context, *buffer, size) ? 1 : 0;
    });
}

RH_EXPORT int RH_StartDraw(HostRasterRecord* host, const DrawRect* output, const DrawRect* cells,
                           double lines_per_row, int* output_width) {
    return GuardEntry([&] {
        // Written before anything can fail; computed wide so that no rectangle overflows it.
        if (output != nullptr && output_width != nullptr)
            *output_width = static_cast<int>(int64_t{output->x1} - output->x0);
        HandlerContext* context = ContextOf(host);
        if (context == nullptr || output == nullptr || cells == nullptr) return 0;
        return StartDraw(*host, *context, *output, *cells, lines_per_row);
    });
}

RH_EXPORT int RH_GetLine(HostRasterRecord* host, int32_t line, uint8_t** row, int16_t* flag) {
    return GuardEntry([&] {
        HandlerContext* context = ContextOf(host);
        if (context == nullptr || row == nullptr) return 0;
        uint8_t* found = PictureRow(*context, line);
        if (found == nullptr) return 0;
        *row = found;
        if (flag != nullptr) *flag = 0;
        host->error_code = RH_ERROR_NONE;
        return 1;
    });
}

RH_EXPORT int RH_GetBlock(HostRasterRecord* host, uint8_t** pixels, DrawRect* rect) {
    return GuardEntry([&] {
        HandlerContext* context = ContextOf(host);
        if (context == nullptr || pixels == nullptr || rect == nullptr) return 0;
        if (!context->picture_ready || context->pixels == nullptr) return 0;
        *rect = context->output_rect;
        FlipPicture(*context);
        *pixels = context->pixels;
        host->error_code = RH_ERROR_NONE;
        return 1;
    });
}

RH_EXPORT int RH_EndDraw(HostRasterRecord* host) {
    return GuardEntry([&] {
        if (host == nullptr) return 0;
        if (HandlerContext* context = ContextOf(host)) EndPicture(*context);
        host->error_code = RH_ERROR_NONE;
        return 1;
    });
}

RH_EXPORT int RH_Close(HostRasterRecord* host) {
    GuardEntry([&] {
        if (host == nullptr) return 1;
        DestroyContext(ContextOf(host));
        host->context = nullptr;
        ReleaseHostAttachments(*host);
        host->error_code = RH_ERROR_NONE;
        return 1;
    });
    return 1;
}

RH_EXPORT int RH_GetTransparentColorFromImage(HostRasterRecord* host, uint8_t* blue_green_red) {
    return GuardEntry([&] {
        HandlerContext* context = ContextOf(host);
        if (context == nullptr || blue_green_red == nullptr) return 0;
        return TransparentColourBytes(*context, blue_green_red) ? 1 : 0;
    });
}

}  // extern "C"
