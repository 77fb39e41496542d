// Lookup and release of the handler context.
#include "handler/handler_context.h"

#include "engine/engine_calls.h"
#include "handler/picture.h"
#include "platform/file_system.h"
#include "system/utf.h"

namespace Tarn::Handler {
namespace Kvr = Engine::Kvr;

int32_t UnderviewModeOf(int32_t value) {
    return value >= 1 && value <= 5 ? value - 1 : kUnderviewModeNone;
}

HandlerContext* ContextOf(HostRasterRecord* host) {
    if (host == nullptr || host->context == nullptr) return nullptr;
    auto* context = static_cast<HandlerContext*>(host->context);
    return context->marker == kContextAlive ? context : nullptr;
}

void DestroyContext(HandlerContext* context) {
    if (context == nullptr) return;
    EndPicture(*context);
    for (ChannelRecord& channel : context->channels) channel.statistics.Release();
    context->band_statistics.Release();
    if (context->info_handle != KVR_INVALID_HANDLE) {
        Kvr::ReleaseRasterInfo(context->info_handle);
        context->info_handle = KVR_INVALID_HANDLE;
    }
    if (context->raster_handle != KVR_INVALID_HANDLE) {
        Kvr::CloseRaster(context->raster_handle, KVR_CLOSE_OPTIONS, 0);
        context->raster_handle = KVR_INVALID_HANDLE;
    }
    if (context->delete_style_at_close && !context->render_style_path.empty()) {
        try {
            Platform::RemoveFile(System::WideToUtf8(context->render_style_path));
        } catch (...) {
            // Out of memory for the path: the temporary document stays; the context still goes.
        }
    }
    context->marker = kContextFreed;
    delete context;
}

}  // namespace Tarn::Handler
