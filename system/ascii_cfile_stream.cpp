// Text lines on a disk file: chunked line reading with a length limit, CR LF line ends, UTF-8
// and UTF-16 files.
#include "system/ascii_cfile_stream.h"

#include <cstring>

#include "system/text_utils.h"
#include "system/utf.h"

namespace Tarn::File {

CASCIICFileStream::CASCIICFileStream() : buffer_(std::make_unique<char[]>(kBufferBytes)) {}

CASCIICFileStream::~CASCIICFileStream() = default;

std::string CASCIICFileStream::GetClassName() const {
    return "CASCIICFileStream";
}

bool CASCIICFileStream::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "CASCIICFileStream" || (include_bases && CCFileStream::IsKindOf(name, true));
}

bool CASCIICFileStream::IsWide() const {
    return (open_mode_ & (ModeWideTextA | ModeWideTextB)) != 0;
}

size_t CASCIICFileStream::ReadNarrowChunk(size_t max) {
    size_t count = 0;
    while (count < max) {
        const int c = GetByte();
        if (c < 0) break;
        buffer_[count++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    return count;
}

size_t CASCIICFileStream::ReadWideChunk(size_t max) {
    size_t count = 0;
    while (count < max) {
        const int low = GetByte();
        if (low < 0) break;
        const int high = GetByte();
        if (high < 0) break;  // a lone last byte is no character
        const auto unit = static_cast<char16_t>(low | high << 8);
        std::memcpy(buffer_.get() + 2 * count, &unit, 2);
        ++count;
        if (unit == u'\n') break;
    }
    return count;
}

bool CASCIICFileStream::ReadLine(std::string& line) {
    line.clear();
    constexpr size_t kChunk = kBufferBytes - 1;
    bool any = false;
    for (;;) {
        const size_t got = ReadNarrowChunk(kChunk);
        if (got == 0) break;
        any = true;
        line.append(buffer_.get(), got);
        if (got < kChunk || line.back() == '\n' || line.size() >= kMaxLine) break;
    }
    if (!any) return false;
    const size_t end = line.find_last_not_of("\n\r");
    line.resize(end == std::string::npos ? 0 : end + 1);
    return true;
}

bool CASCIICFileStream::ReadLine(std::u16string& line) {
    line.clear();
    if (!IsWide()) {
        std::string narrow;
        if (!ReadLine(narrow)) return false;
        line = System::Utf8ToWide(narrow);
        return true;
    }
    constexpr size_t kChunk = kBufferBytes / 2 - 1;
    bool any = false;
    std::u16string chunk;
    for (;;) {
        const size_t got = ReadWideChunk(kChunk);
        if (got == 0) break;
        any = true;
        chunk.resize(got);
        std::memcpy(chunk.data(), buffer_.get(), got * 2);
        line += chunk;
        if (got < kChunk || line.back() == u'\n' || line.size() >= kMaxLine) break;
    }
    if (!any) return false;
    System::TrimRightOf(line, u"\n\r");
    return true;
}

void CASCIICFileStream::WriteText(std::string_view text, bool end_line) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    if (end_line) out += "\r\n";
    Do_Write(out.data(), static_cast<int64_t>(out.size()));
}

void CASCIICFileStream::WriteText(std::u16string_view text, bool end_line) {
    if (!IsWide()) {
        WriteText(std::string_view(System::WideToUtf8(text)), end_line);
        return;
    }
    std::u16string units;
    units.reserve(text.size() + 2);
    for (const char16_t c : text) {
        if (c == u'\n') units.push_back(u'\r');
        units.push_back(c);
    }
    if (end_line) units += u"\r\n";
    std::string bytes(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    Do_Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void CASCIICFileStream::WriteLine(std::u16string_view line) {
    WriteText(line, true);
}

void CASCIICFileStream::WriteLine(std::string_view line) {
    WriteText(line, true);
}

bool CASCIICFileStream::ReadString(std::u16string& text) {
    return ReadLine(text);
}

bool CASCIICFileStream::ReadString(std::string& text) {
    return ReadLine(text);
}

void CASCIICFileStream::WriteString(std::u16string_view text) {
    WriteText(text, false);
}

void CASCIICFileStream::WriteString(std::string_view text) {
    WriteText(text, false);
}

}  // namespace Tarn::File
