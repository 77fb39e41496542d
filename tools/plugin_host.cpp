// dlopen of a plug-in and lookup of its entry points.
#include "tools/plugin_host.h"

#include "platform/dynamic_library.h"

namespace Tarn::Tools {
namespace {

template <typename Fn>
bool Bind(void* library, const char* name, Fn& slot, std::string& error) {
    slot = reinterpret_cast<Fn>(Platform::FindSymbol(library, name));
    if (slot == nullptr && error.empty()) error = std::string("missing entry point ") + name;
    return slot != nullptr;
}

}  // namespace

std::unique_ptr<PluginHost> PluginHost::Load(const std::string& path, std::string& error) {
    error.clear();
    std::unique_ptr<PluginHost> host(new PluginHost);
    host->library_ = Platform::OpenLibrary(path);
    if (host->library_ == nullptr) {
        error = Platform::LastLoadError();
        return nullptr;
    }
    PluginEntryPoints& e = host->entry_;
    void* lib = host->library_;
    const bool complete =
        Bind(lib, "RH_Identify", e.identify, error) & Bind(lib, "RH_IsFormat", e.is_format, error) &
        Bind(lib, "RH_IsFormatW", e.is_format_w, error) & Bind(lib, "RH_Open", e.open, error) &
        Bind(lib, "RH_OpenW", e.open_w, error) &
        Bind(lib, "RH_GetCapabilities", e.get_capabilities, error) &
        Bind(lib, "RH_GetCorvaneCoordinateSystem", e.get_coordinate_system, error) &
        Bind(lib, "RH_StartDraw", e.start_draw, error) &
        Bind(lib, "RH_GetLine", e.get_line, error) & Bind(lib, "RH_GetBlock", e.get_block, error) &
        Bind(lib, "RH_EndDraw", e.end_draw, error) & Bind(lib, "RH_Close", e.close, error) &
        Bind(lib, "RH_GetTransparentColorFromImage", e.get_transparent_colour, error);
    if (!complete) return nullptr;
    return host;
}

PluginHost::~PluginHost() {
    Platform::CloseLibrary(library_);
}

}  // namespace Tarn::Tools
