// How paths are written on this system: "/" separates directories everywhere, "\" as well on
// Windows, where the host hands the plug-in paths such as "C:\data\dem.tif".
#pragma once

namespace Tarn::Platform {

#ifdef _WIN32
inline constexpr bool kBackslashSeparates = true;
#else
inline constexpr bool kBackslashSeparates = false;
#endif

}  // namespace Tarn::Platform
