// Lookup and destruction of the handler context.
#include "handler/handler_context.h"

#include <cstdlib>

#include "handler/picture.h"

namespace Tarn::Handler {

HandlerContext* ContextOf(HostRasterRecord* host) {
    if (host == nullptr || host->context == nullptr) return nullptr;
    auto* context = static_cast<HandlerContext*>(host->context);
    return context->marker == kContextAlive ? context : nullptr;
}

void DestroyContext(HandlerContext* context) {
    if (context == nullptr) return;
    EndPicture(*context);
    context->marker = kContextFreed;
    delete context;
}

}  // namespace Tarn::Handler
