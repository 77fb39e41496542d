// Line-by-line INI parsing; malformed lines are skipped.
#include "rasterutility/ini_file.h"

#include "platform/file_contents.h"

namespace Tarn::RasterUtility {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A comment starts at ";" or "#" at the line's start or after a blank.
std::string_view WithoutComment(std::string_view line) {
    for (size_t i = 0; i < line.size(); ++i)
        if ((line[i] == ';' || line[i] == '#') && (i == 0 || IsBlank(line[i - 1])))
            return line.substr(0, i);
    return line;
}

}  // namespace

std::optional<IniFile> IniFile::Load(const std::string& path) {
    // Through the platform layer, so that a path outside the ANSI code page opens on Windows.
    const std::optional<std::string> text = Platform::ReadFileContents(path);
    if (!text) return std::nullopt;
    return Parse(*text);
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile file;
    // A UTF-8 byte order mark is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Entries* current = nullptr;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(WithoutComment(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty()) continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) {
                current = nullptr;  // entries up to the next good header are ignored
                continue;
            }
            const std::string name(Trim(line.substr(1, close - 1)));
            file.sections_.emplace_back(name, Entries{});
            current = &file.sections_.back().second;
            continue;
        }
        const size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (!key.empty()) current->emplace_back(std::string(key), std::string(value));
    }
    return file;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    std::optional<std::string> found;
    for (const auto& [name, entries] : sections_) {
        if (!EqualNoCase(name, section)) continue;
        for (const auto& [entry_key, value] : entries)
            if (EqualNoCase(entry_key, key)) found = value;
    }
    return found;
}

const IniFile::Entries* IniFile::Section(std::string_view section) const {
    for (const auto& [name, entries] : sections_)
        if (EqualNoCase(name, section)) return &entries;
    return nullptr;
}

}  // namespace Tarn::RasterUtility
