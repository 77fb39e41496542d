// Finding and appending to the diagnostic log file.
#include "colour/diagnostic_log.h"

#include <cstdio>

#include "platform/file_stream_io.h"
#include "platform/registry_files.h"
#include "system/text_format.h"

namespace Tarn::Colour {
namespace {

constexpr std::string_view kSettingsKey = "Software\\Corvane\\Corvane\\Raster\\200\\";
// The value was read into a buffer of this size; a longer one counts as absent.
constexpr size_t kMaxPathBytes = 1024;

}  // namespace

DiagnosticLog::DiagnosticLog() {
    try {
        auto value = Platform::ReadRegistryStringUserFirst(kSettingsKey, "LogFile");
        if (value && !value->empty() && value->size() < kMaxPathBytes) path_ = std::move(value);
    } catch (...) {
        // The log is optional: an unreadable registry only means no log.
    }
}

void DiagnosticLog::Append(std::string_view text) const {
    if (!path_) return;
    std::FILE* file = Platform::OpenFileStream(*path_, Platform::FileDisposition::OpenAlways,
                                               Platform::FileAccess::Write, "ab");
    if (file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string DiagnosticLog::Number(double value) {
    return System::FormatString("%.20g", value);
}

}  // namespace Tarn::Colour
