// The plug-in's message log: what the user should know about a raster that the host's calls
// cannot say (a style document drawn from memory, a colour table that is not installed, the
// engine's reason for a failed picture). Messages are kept in a process-wide message log and
// appended, time-stamped, to the diagnostic log file that the registry value "LogFile" names,
// where the user and the tools read them.
#pragma once

#include <cstdint>
#include <string_view>

#include "system/message_log.h"

namespace Tarn::Handler {

// Adds a message (code System::kMessageWarning or kMessageError) to the log and the file.
// Never throws: a message that cannot be kept is dropped.
void LogMessage(uint32_t code, std::string_view utf8_text) noexcept;

inline void LogWarning(std::string_view text) noexcept {
    LogMessage(System::kMessageWarning, text);
}
inline void LogError(std::string_view text) noexcept {
    LogMessage(System::kMessageError, text);
}

}  // namespace Tarn::Handler
