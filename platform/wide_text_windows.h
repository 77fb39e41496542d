// What the Windows side shares: the UTF-8 texts of the platform contract as the UTF-16 of the
// Windows calls (wchar_t is two bytes there and never leaves platform/), and errno from the last
// Windows error for the callers that report through the C library's error texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Platform {

// Nothing for invalid UTF-8: a text cut at the fault could name another file.
std::optional<std::wstring> ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);

// Sets errno to the nearest C library code for GetLastError().
void SetErrnoFromLastError();

}  // namespace Tarn::Platform
