// The optional diagnostic log: built mapping tables are dumped as text to the file that the
// registry value "LogFile" names; nothing reads it back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Colour {

class DiagnosticLog {
public:
    // Looks the file up once; a log without the registry value writes nothing.
    DiagnosticLog();

    bool Enabled() const { return path_.has_value(); }
    // Opens the file for appending, writes, closes it again; failures are skipped silently.
    void Append(std::string_view text) const;

    // Numbers in the dumps: "%.20g".
    static std::string Number(double value);

private:
    std::optional<std::string> path_;
};

}  // namespace Tarn::Colour
