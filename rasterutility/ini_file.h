// A preferences file in INI form: "[Section]" lines, "key = value" lines, comments after ";" or
// "#" (at the start of a line, or after a blank). Section and key names compare ignoring case;
// values keep their case, lose surrounding blanks and one pair of enclosing double quotes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Tarn::RasterUtility {

class IniFile {
public:
    // Entries of one section, in file order.
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // Nothing when the file cannot be read.
    static std::optional<IniFile> Load(const std::string& path);
    static IniFile Parse(std::string_view text);

    // The value of the last matching key; nothing when absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // The section's entries; nothing when the file has no such section.
    const Entries* Section(std::string_view section) const;

private:
    std::vector<std::pair<std::string, Entries>> sections_;
};

}  // namespace Tarn::RasterUtility
