// Asking the engine for its reason and giving the text back.
#include "handler/engine_errors.h"

#include <string_view>

#include "engine/engine_calls.h"
#include "system/utf.h"

namespace Tarn::Handler {

std::string EngineErrorText(KvrHandle raster) {
    namespace Kvr = Engine::Kvr;
    kvr_wchar* text = nullptr;
    std::string reason;
    if (Kvr::GetErrorText(raster, &text) == 0 && text != nullptr)
        reason = System::WideToUtf8(std::u16string_view(text));
    if (text != nullptr) Kvr::ReleaseString(&text);
    return reason;
}

}  // namespace Tarn::Handler
