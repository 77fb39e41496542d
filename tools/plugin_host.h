// Loading a raster handler plug-in and reaching its thirteen entry points, the way the host
// application does.
#pragma once

#include <memory>
#include <string>

#include "handler/rh_api.h"

namespace Tarn::Tools {

struct PluginEntryPoints {
    decltype(&RH_Identify) identify = nullptr;
    decltype(&RH_IsFormat) is_format = nullptr;
    decltype(&RH_IsFormatW) is_format_w = nullptr;
    decltype(&RH_Open) open = nullptr;
    decltype(&RH_OpenW) open_w = nullptr;
    decltype(&RH_GetCapabilities) get_capabilities = nullptr;
    decltype(&RH_GetCorvaneCoordinateSystem) get_coordinate_system = nullptr;
    decltype(&RH_StartDraw) start_draw = nullptr;
    decltype(&RH_GetLine) get_line = nullptr;
    decltype(&RH_GetBlock) get_block = nullptr;
    decltype(&RH_EndDraw) end_draw = nullptr;
    decltype(&RH_Close) close = nullptr;
    decltype(&RH_GetTransparentColorFromImage) get_transparent_colour = nullptr;
};

class PluginHost {
public:
    // Null with `error` set when the library cannot be loaded or lacks an entry point.
    static std::unique_ptr<PluginHost> Load(const std::string& path, std::string& error);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    const PluginEntryPoints& Entry() const { return entry_; }

private:
    PluginHost() = default;
    void* library_ = nullptr;
    PluginEntryPoints entry_;
};

// A host record for one raster, closed through the plug-in when it goes out of scope.
class OpenRaster {
public:
    explicit OpenRaster(const PluginEntryPoints& entry) : entry_(entry) {}
    ~OpenRaster() { entry_.close(&record_); }
    OpenRaster(const OpenRaster&) = delete;
    OpenRaster& operator=(const OpenRaster&) = delete;

    HostRasterRecord* Record() { return &record_; }

private:
    const PluginEntryPoints& entry_;
    HostRasterRecord record_{};
};

}  // namespace Tarn::Tools
