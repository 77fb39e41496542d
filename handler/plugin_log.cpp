// The process-wide message log and its copy in the diagnostic log file.
#include "handler/plugin_log.h"

#include <memory>
#include <mutex>
#include <string>

#include "colour/diagnostic_log.h"
#include "system/utf.h"

namespace Tarn::Handler {
namespace {

// A host that keeps a raster open for days must not grow the log without end: past this many
// messages it starts afresh (the file keeps them all).
constexpr size_t kKeptMessages = 1000;

std::mutex g_log_mutex;

std::unique_ptr<System::CMessageLog>& Log() {
    static std::unique_ptr<System::CMessageLog> log = std::make_unique<System::CMessageLog>();
    return log;
}

const char* KindWord(uint32_t code) {
    if ((code & System::kMessageError) == System::kMessageError) return "error";
    if ((code & System::kMessageWarning) == System::kMessageWarning) return "warning";
    return "note";
}

}  // namespace

void LogMessage(uint32_t code, std::string_view utf8_text) noexcept {
    try {
        const std::u16string text = System::Utf8ToWide(utf8_text, false);
        std::u16string stamp;
        {
            const std::lock_guard<std::mutex> lock(g_log_mutex);
            std::unique_ptr<System::CMessageLog>& log = Log();
            if (log->Items().size() >= kKeptMessages) log = std::make_unique<System::CMessageLog>();
            stamp = log->Add(code, text).TimeStamp();
        }
        const Colour::DiagnosticLog file;
        if (!file.Enabled()) return;
        std::string line = System::WideToUtf8(stamp);
        line += (line.empty() ? "" : " ") + std::string("raster handler ") + KindWord(code) + ": " +
                System::WideToUtf8(text) + "\n";
        file.Append(line);
    } catch (...) {
        // Reporting must never turn into a failure of its own.
    }
}

}  // namespace Tarn::Handler
