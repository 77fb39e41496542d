// Turning preference texts into values: integers (decimal, or hexadecimal with "0x") and
// switches ("yes"/"no", "on"/"off", "true"/"false", "1"/"0"). A text that is not one of them
// gives nothing, and the caller keeps what it had.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Tarn::RasterUtility {

std::optional<int32_t> ParseInteger(std::string_view text);
std::optional<bool> ParseSwitch(std::string_view text);

}  // namespace Tarn::RasterUtility
