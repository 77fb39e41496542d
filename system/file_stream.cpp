// The shared parts of IFileStream: mode queries, byte order and length-prefixed strings.
#include "system/file_stream.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace Tarn::File {
namespace {

// A damaged count must not make a reader allocate gigabytes before it finds the data missing.
constexpr int64_t kReadChunk = 1 << 16;

uint32_t ClampCount(size_t size) {
    return static_cast<uint32_t>(std::min<size_t>(size, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

IFileStream::~IFileStream() = default;

std::string IFileStream::GetClassName() const {
    return "IFileStream";
}

bool IFileStream::IsKindOf(std::string_view name, bool /*include_bases*/) const {
    return name == "IFileStream";
}

bool IFileStream::Reset() {
    return true;
}

bool IFileStream::CanRead() const {
    return (open_mode_ & ModeRead) != 0;
}

bool IFileStream::CanWrite() const {
    return (open_mode_ & ModeWrite) != 0;
}

bool IFileStream::IsReadOnly() const {
    return CanRead() && !CanWrite();
}

bool IFileStream::IsCreateMode() const {
    return (open_mode_ & ModeCreateAny) != 0;
}

bool IFileStream::HasModeOption() const {
    return (open_mode_ & ModeOption) != 0;
}

bool IFileStream::IsLittleEndian() const {
    const bool little = (open_mode_ & ModeLittleEndian) != 0;
    const bool big = (open_mode_ & ModeBigEndian) != 0;
    return little != big ? little : true;
}

bool IFileStream::IsBigEndian() const {
    const bool little = (open_mode_ & ModeLittleEndian) != 0;
    const bool big = (open_mode_ & ModeBigEndian) != 0;
    return little != big ? big : false;
}

bool IFileStream::ReadLine(std::u16string& /*line*/) {
    return false;
}

bool IFileStream::ReadLine(std::string& /*line*/) {
    return false;
}

void IFileStream::WriteLine(std::u16string_view /*line*/) {}

void IFileStream::WriteLine(std::string_view /*line*/) {}

bool IFileStream::ReadString(PrefixedString& text) {
    return ReadPrefixed(text.text);
}

bool IFileStream::ReadString(std::u16string& text) {
    return ReadPrefixed(text);
}

bool IFileStream::ReadString(std::string& text) {
    return ReadPrefixed(text);
}

void IFileStream::WriteString(const PrefixedString& text) {
    WritePrefixed(std::string_view(text.text));
}

void IFileStream::WriteString(std::u16string_view text) {
    WritePrefixed(text);
}

void IFileStream::WriteString(std::string_view text) {
    WritePrefixed(text);
}

int64_t IFileStream::GetLength() {
    return Do_GetLength();
}

bool IFileStream::SetLength(int64_t length) {
    return Do_SetLength(length);
}

void IFileStream::ReopenHandle() {}

std::u16string IFileStream::GetTempDirectory() const {
    return {};
}

void IFileStream::SetTempDirectory(std::u16string_view /*path*/) {}

bool IFileStream::ReadCount(uint32_t& count) {
    std::array<uint8_t, 4> bytes{};
    if (Do_Read(bytes.data(), 4) != 4) return false;
    count = IsLittleEndian() ? uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 |
                                   uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24
                             : uint32_t{bytes[3]} | uint32_t{bytes[2]} << 8 |
                                   uint32_t{bytes[1]} << 16 | uint32_t{bytes[0]} << 24;
    return true;
}

void IFileStream::WriteCount(uint32_t count) {
    std::array<uint8_t, 4> bytes{};
    for (int i = 0; i < 4; ++i) {
        const int shift = IsLittleEndian() ? 8 * i : 8 * (3 - i);
        bytes[i] = static_cast<uint8_t>(count >> shift);
    }
    Do_Write(bytes.data(), 4);
}

bool IFileStream::ReadPrefixed(std::string& text) {
    text.clear();
    uint32_t count = 0;
    if (!ReadCount(count) || count == 0) return false;
    for (int64_t remaining = count; remaining > 0;) {
        const int64_t wanted = std::min(remaining, kReadChunk);
        const size_t old_size = text.size();
        text.resize(old_size + static_cast<size_t>(wanted));
        const int64_t got = std::max<int64_t>(Do_Read(text.data() + old_size, wanted), 0);
        text.resize(old_size + static_cast<size_t>(got));
        if (got < wanted) return false;
        remaining -= got;
    }
    return true;
}

bool IFileStream::ReadPrefixed(std::u16string& text) {
    text.clear();
    uint32_t count = 0;
    if (!ReadCount(count) || count == 0) return false;
    std::vector<uint8_t> bytes;
    for (int64_t remaining = int64_t{count} * 2; remaining > 0;) {
        const int64_t wanted = std::min(remaining, kReadChunk);
        bytes.resize(static_cast<size_t>(wanted));
        const int64_t got = std::max<int64_t>(Do_Read(bytes.data(), wanted), 0);
        for (int64_t i = 0; i + 1 < got; i += 2) {
            text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
        }
        if (got < wanted) return false;
        remaining -= got;
    }
    return true;
}

void IFileStream::WritePrefixed(std::string_view text) {
    const uint32_t count = ClampCount(text.size());
    WriteCount(count);
    if (count > 0) Do_Write(text.data(), count);
}

void IFileStream::WritePrefixed(std::u16string_view text) {
    const uint32_t count = ClampCount(text.size());
    WriteCount(count);
    // Units go out little-endian whatever the prefix's byte order.
    std::vector<uint8_t> bytes;
    for (size_t done = 0; done < count;) {
        const size_t units = std::min<size_t>(count - done, kReadChunk / 2);
        bytes.resize(units * 2);
        for (size_t i = 0; i < units; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(text[done + i]);
            bytes[2 * i + 1] = static_cast<uint8_t>(text[done + i] >> 8);
        }
        Do_Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        done += units;
    }
}

}  // namespace Tarn::File
