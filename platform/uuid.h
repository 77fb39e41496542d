// New universally unique identifiers in their 36-character text form, through libuuid (UuidCreate
// on Windows).
#pragma once

#include <string>

namespace Tarn::Platform {

// A fresh random UUID as lower-case text, e.g. "1b4e28ba-2fa1-11d2-883f-0016d3cca427".
std::string NewUuidString();

}  // namespace Tarn::Platform
