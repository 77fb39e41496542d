// The registry files: reading string values from the per-user and machine-wide .reg files, and
// editing the per-user one in place of the registry API.
#include "platform/registry_files.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace Tarn::Platform {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

// A key path as callers and files spell it, reduced to the form keys are compared in: without
// the hive root (a file names it, callers do not) and without trailing backslashes.
std::string NormaliseKey(std::string_view key) {
    static constexpr std::string_view kRoots[] = {"HKEY_CURRENT_USER\\",
                                                  "HKEY_LOCAL_MACHINE\\",
                                                  "HKEY_USERS\\",
                                                  "HKEY_CLASSES_ROOT\\",
                                                  "HKEY_CURRENT_CONFIG\\",
                                                  "HKCU\\",
                                                  "HKLM\\"};
    for (std::string_view root : kRoots) {
        if (key.size() >= root.size() && EqualNoCase(key.substr(0, root.size()), root)) {
            key.remove_prefix(root.size());
            break;
        }
    }
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    return LowerAscii(key);
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Reads a quoted text with the .reg escapes (\\ and \") starting at s[at] == '"'; `at` ends
// behind the closing quote. Nothing when the quote is not closed.
std::optional<std::string> ReadQuoted(std::string_view s, size_t& at) {
    if (at >= s.size() || s[at] != '"') return std::nullopt;
    std::string text;
    for (size_t i = at + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            text += s[++i];
        } else if (c == '"') {
            at = i + 1;
            return text;
        } else {
            text += c;
        }
    }
    return std::nullopt;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// One line of a file, as far as the registry cares about it.
struct ParsedLine {
    enum Kind { Other, Key, DeletedKey, StringValue, DeletedValue, OtherValue } kind = Other;
    std::string key;   // normalised, for Key and DeletedKey
    std::string name;  // for the value kinds; empty for the default value "@"
    std::string value;
    bool continues = false;  // a hex value that goes on in the next line
};

ParsedLine ParseLine(std::string_view raw) {
    ParsedLine line;
    const std::string_view s = TrimBlanks(raw);
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') {
        std::string_view inner = s.substr(1, s.size() - 2);
        line.kind = ParsedLine::Key;
        if (!inner.empty() && inner.front() == '-') {
            line.kind = ParsedLine::DeletedKey;
            inner.remove_prefix(1);
        }
        line.key = NormaliseKey(inner);
        return line;
    }
    size_t at = 0;
    if (s.starts_with('@')) {
        at = 1;
    } else if (auto name = ReadQuoted(s, at)) {
        line.name = std::move(*name);
    } else {
        return line;
    }
    const std::string_view rest = TrimBlanks(s.substr(at));
    if (!rest.starts_with('=')) return line;
    const std::string_view data = TrimBlanks(rest.substr(1));
    if (data == "-") {
        line.kind = ParsedLine::DeletedValue;
    } else if (data.starts_with('"')) {
        size_t value_at = 0;
        auto value = ReadQuoted(data, value_at);
        if (!value || !TrimBlanks(data.substr(value_at)).empty()) return line;
        line.kind = ParsedLine::StringValue;
        line.value = std::move(*value);
    } else if (data.starts_with("dword:") || data.starts_with("hex")) {
        // Typed values are kept in the file but not read: every reader asks for strings.
        line.kind = ParsedLine::OtherValue;
        line.continues = data.ends_with('\\');
    }
    return line;
}

// Whether deleting `deleted` deletes `key`: a key goes with every key below it.
bool DeletesKey(const std::string& deleted, const std::string& key) {
    return key.starts_with(deleted) &&
           (key.size() == deleted.size() || key[deleted.size()] == '\\');
}

// For each line, whether it continues the value of a line before it (a hex value whose line
// ends in "\"): such a line is neither a section header nor a value, whatever it looks like.
std::vector<bool> ContinuationLines(const std::vector<std::string>& lines) {
    std::vector<bool> continuation(lines.size(), false);
    bool open = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (open) {
            continuation[i] = true;
            open = TrimBlanks(lines[i]).ends_with('\\');
        } else {
            open = ParseLine(lines[i]).continues;
        }
    }
    return continuation;
}

// The text of a file: UTF-8 (with or without a byte order mark) or UTF-16LE with a byte order
// mark, split into lines without their LF or CR LF. Nothing when the file cannot be read; an
// empty list when it does not exist.
struct FileText {
    std::vector<std::string> lines;
    bool utf16 = false;
    bool utf8_bom = false;  // kept by a commit
    bool crlf = false;
};

std::optional<FileText> ReadFileText(const std::string& path) {
    FileText text;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return text;
        return std::nullopt;
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        text.utf16 = true;
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8);
        std::string utf8;
        try {
            utf8::utf16to8(units.begin(), units.end(), std::back_inserter(utf8));
        } catch (const utf8::exception&) {
            return std::nullopt;  // a broken file is not ours to rewrite or to half-read
        }
        bytes = std::move(utf8);
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        text.utf8_bom = true;
        bytes.erase(0, 3);
    }
    // The last element is what follows the last line break: usually empty.
    size_t start = 0;
    for (;;) {
        const size_t end = bytes.find('\n', start);
        std::string line = bytes.substr(start, end == std::string::npos ? end : end - start);
        if (end != std::string::npos && !line.empty() && line.back() == '\r') {
            line.pop_back();
            if (text.lines.empty()) text.crlf = true;
        }
        text.lines.push_back(std::move(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return text;
}

// Value `name` of `key` in the lines of one file; the last assignment in the file counts, as
// when the file is imported.
std::optional<std::string> FindValue(const std::vector<std::string>& lines, const std::string& key,
                                     std::string_view name) {
    std::optional<std::string> found;
    bool in_key = false;
    bool continuation = false;
    for (const std::string& raw : lines) {
        if (continuation) {
            continuation = TrimBlanks(raw).ends_with('\\');
            continue;
        }
        const ParsedLine line = ParseLine(raw);
        switch (line.kind) {
            case ParsedLine::Key:
                in_key = line.key == key;
                break;
            case ParsedLine::DeletedKey:
                if (DeletesKey(line.key, key)) found.reset();
                in_key = false;
                break;
            case ParsedLine::StringValue:
                if (in_key && EqualNoCase(line.name, name)) found = line.value;
                break;
            case ParsedLine::DeletedValue:
            case ParsedLine::OtherValue:
                if (in_key && EqualNoCase(line.name, name)) found.reset();
                continuation = line.continues;
                break;
            case ParsedLine::Other:
                break;
        }
    }
    return found;
}

std::string EnvOr(const char* name, std::string fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : std::move(fallback);
}

bool MakeDirectories(const std::string& directory) {
    if (directory.empty()) return true;
    struct stat st;
    if (::stat(directory.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = directory.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(directory.substr(0, slash)))
        return false;
    return ::mkdir(directory.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace

std::string RegistryFilePath(RegistryHive hive) {
    if (hive == RegistryHive::LocalMachine)
        return EnvOr("CORVANE_SYSTEM_REG", "/etc/corvane/system.reg");
    if (const char* path = std::getenv("CORVANE_USER_REG"); path && *path) return path;
    const std::string config = EnvOr("XDG_CONFIG_HOME", EnvOr("HOME", "") + "/.config");
    return config + "/corvane/user.reg";
}

std::optional<std::string> ReadRegistryString(RegistryHive hive, std::string_view key,
                                              std::string_view name) {
    const std::optional<FileText> text = ReadFileText(RegistryFilePath(hive));
    if (!text) return std::nullopt;
    return FindValue(text->lines, NormaliseKey(key), name);
}

std::optional<std::string> ReadRegistryStringUserFirst(std::string_view key,
                                                       std::string_view name) {
    if (auto value = ReadRegistryString(RegistryHive::CurrentUser, key, name)) return value;
    return ReadRegistryString(RegistryHive::LocalMachine, key, name);
}

// The per-user file kept line by line, so that a commit changes only the lines it must.
struct RegistryEditor::State {
    std::string path;
    FileText text;
    bool readable = true;  // false: the old file could not be read, so it is not overwritten
    bool valid = true;     // false: a text was given that the file format cannot hold
};

RegistryEditor::RegistryEditor() : state_(new State) {
    try {
        state_->path = RegistryFilePath(RegistryHive::CurrentUser);
        if (std::optional<FileText> text = ReadFileText(state_->path)) {
            state_->text = std::move(*text);
        } else {
            state_->readable = false;
        }
        std::vector<std::string>& lines = state_->text.lines;
        bool blank = true;
        for (const std::string& line : lines) blank = blank && TrimBlanks(line).empty();
        if (blank) lines = {std::string(kHeader), ""};
        // New lines go in front of the element behind the final line break; a file without one
        // gets one.
        if (!lines.back().empty()) lines.emplace_back();
    } catch (...) {
        // Out of memory: the state is owned by nobody else, so keep it, and never commit it.
        state_->readable = false;
        state_->text.lines.assign(1, std::string());
    }
}

RegistryEditor::~RegistryEditor() {
    delete state_;
}

namespace {

// Index of the line behind the last deletion of `key` (or of a key above it), or 0: what any
// line before it sets in the key is gone.
size_t AfterLastDeletion(const std::vector<std::string>& lines,
                         const std::vector<bool>& continuation, const std::string& key) {
    size_t after = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (continuation[i]) continue;
        const ParsedLine line = ParseLine(lines[i]);
        if (line.kind == ParsedLine::DeletedKey && DeletesKey(line.key, key)) after = i + 1;
    }
    return after;
}

// Index of the line behind the last section of `key` that follows its last deletion (where a
// new value goes), or nothing.
std::optional<size_t> SectionEnd(const std::vector<std::string>& lines, const std::string& key) {
    const std::vector<bool> continuation = ContinuationLines(lines);
    std::optional<size_t> end;
    bool in_key = false;
    for (size_t i = AfterLastDeletion(lines, continuation, key); i < lines.size(); ++i) {
        const ParsedLine line = continuation[i] ? ParsedLine{} : ParseLine(lines[i]);
        if (line.kind == ParsedLine::Key || line.kind == ParsedLine::DeletedKey) {
            in_key = line.kind == ParsedLine::Key && line.key == key;
            if (in_key) end = i + 1;
        } else if (in_key && !TrimBlanks(lines[i]).empty()) {
            end = i + 1;
        }
    }
    return end;
}

bool HoldsLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Appends a new section for `key` (given by the caller, without its root) in front of the
// element behind the final line break, after a blank line; returns where its values go.
size_t AppendSection(std::vector<std::string>& lines, std::string_view key) {
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    size_t at = lines.size() - 1;
    if (at > 0 && !TrimBlanks(lines[at - 1]).empty())
        lines.insert(lines.begin() + static_cast<long>(at++), "");
    lines.insert(lines.begin() + static_cast<long>(at++),
                 "[HKEY_CURRENT_USER\\" + std::string(key) + "]");
    return at;
}

}  // namespace

void RegistryEditor::CreateKey(std::string_view key) {
    if (HoldsLineBreak(key)) {
        state_->valid = false;
        return;
    }
    if (!SectionEnd(state_->text.lines, NormaliseKey(key))) AppendSection(state_->text.lines, key);
}

void RegistryEditor::SetString(std::string_view key, std::string_view name,
                               std::string_view value) {
    if (HoldsLineBreak(key) || HoldsLineBreak(name) || HoldsLineBreak(value)) {
        state_->valid = false;
        return;
    }
    std::vector<std::string>& lines = state_->text.lines;
    const std::string normalised = NormaliseKey(key);
    const std::string assignment =
        (name.empty() ? std::string("@") : Quote(name)) + "=" + Quote(value);

    // Replace every assignment of the value within the key's sections behind the key's last
    // deletion, so that the last one (the one that counts) carries the new text.
    bool in_key = false;
    bool replaced = false;
    bool continuation = false;
    for (size_t i = AfterLastDeletion(lines, ContinuationLines(lines), normalised);
         i < lines.size(); ++i) {
        if (continuation) {
            continuation = TrimBlanks(lines[i]).ends_with('\\');
            continue;
        }
        const ParsedLine line = ParseLine(lines[i]);
        if (line.kind == ParsedLine::Key || line.kind == ParsedLine::DeletedKey) {
            in_key = line.kind == ParsedLine::Key && line.key == normalised;
            continue;
        }
        const bool is_value = line.kind == ParsedLine::StringValue ||
                              line.kind == ParsedLine::DeletedValue ||
                              line.kind == ParsedLine::OtherValue;
        if (!is_value) continue;
        continuation = line.continues;
        if (in_key && EqualNoCase(line.name, name)) {
            lines[i] = assignment;
            replaced = true;
            // The replaced line may have been the head of a multi-line hex value: drop its tail.
            while (continuation && i + 1 < lines.size()) {
                continuation = TrimBlanks(lines[i + 1]).ends_with('\\');
                lines.erase(lines.begin() + static_cast<long>(i) + 1);
            }
        }
    }
    if (replaced) return;
    size_t at;
    if (std::optional<size_t> end = SectionEnd(lines, normalised)) {
        at = *end;
    } else {
        at = AppendSection(lines, key);
    }
    // Behind a hex value left open (its last line ends in "\"), the new line would read as
    // more of it: a blank line closes it first.
    if (at < lines.size() && ContinuationLines(lines)[at]) {
        lines.insert(lines.begin() + static_cast<long>(at++), "");
    }
    lines.insert(lines.begin() + static_cast<long>(at), assignment);
}

bool RegistryEditor::Commit() {
    if (!state_->readable || !state_->valid) return false;
    const FileText& text = state_->text;
    const std::string newline = text.crlf ? "\r\n" : "\n";
    std::string utf8;
    for (size_t i = 0; i < text.lines.size(); ++i) {
        utf8 += text.lines[i];
        if (i + 1 < text.lines.size()) utf8 += newline;
    }
    std::string bytes;
    if (text.utf16) {
        std::u16string units;
        try {
            utf8::utf8to16(utf8.begin(), utf8.end(), std::back_inserter(units));
        } catch (const utf8::exception&) {
            return false;
        }
        bytes = "\xFF\xFE";
        for (char16_t unit : units) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
    } else {
        bytes = text.utf8_bom ? "\xEF\xBB\xBF" + utf8 : std::move(utf8);
    }

    const std::string& path = state_->path;
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!MakeDirectories(directory)) return false;
    AtomicFileWriter writer(path);
    if (writer.File() == nullptr) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), writer.File()) != bytes.size()) return false;
    return writer.Commit();
}

}  // namespace Tarn::Platform
