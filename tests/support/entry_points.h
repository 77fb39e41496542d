// The names every built plug-in exports, on every system: the thirteen RH_ entry points.
#pragma once

#include <set>
#include <string>

namespace Tarn::Test {

inline const std::set<std::string> kPluginEntryPoints = {
    "RH_Identify",
    "RH_IsFormat",
    "RH_IsFormatW",
    "RH_Open",
    "RH_OpenW",
    "RH_GetCapabilities",
    "RH_GetCorvaneCoordinateSystem",
    "RH_StartDraw",
    "RH_GetLine",
    "RH_GetBlock",
    "RH_EndDraw",
    "RH_Close",
    "RH_GetTransparentColorFromImage",
};

}  // namespace Tarn::Test
