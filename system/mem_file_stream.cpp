// The memory stream: a byte buffer with a position.
#include "system/mem_file_stream.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace Tarn::File {

CMemFileStream::CMemFileStream() = default;

CMemFileStream::~CMemFileStream() = default;

std::string CMemFileStream::GetClassName() const {
    return "CMemFileStream";
}

bool CMemFileStream::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "CMemFileStream" || (include_bases && IFileStream::IsKindOf(name, true));
}

bool CMemFileStream::Reset() {
    std::vector<uint8_t>().swap(buffer_);
    position_ = 0;
    return true;
}

bool CMemFileStream::IsEmpty() const {
    return buffer_.empty();
}

bool CMemFileStream::IsOpen() const {
    return true;
}

bool CMemFileStream::CanRead() const {
    return true;
}

bool CMemFileStream::CanWrite() const {
    return true;
}

bool CMemFileStream::IsReadOnly() const {
    return false;
}

bool CMemFileStream::IsCreateMode() const {
    return true;
}

bool CMemFileStream::HasModeOption() const {
    return true;
}

bool CMemFileStream::Do_Open(std::u16string_view /*path*/, uint32_t /*mode*/) {
    return Reset();
}

void CMemFileStream::Do_Flush() {}

void CMemFileStream::Do_Close(bool remove) {
    if (remove) Reset();
}

int64_t CMemFileStream::Do_Read(void* buffer, int64_t count) {
    const int64_t length = static_cast<int64_t>(buffer_.size());
    if (count <= 0 || position_ >= length) return 0;
    const int64_t copied = std::min(count, length - position_);
    std::memcpy(buffer, buffer_.data() + position_, static_cast<size_t>(copied));
    position_ += copied;
    return copied;
}

void CMemFileStream::Do_Write(const void* buffer, int64_t count) {
    if (count <= 0 || count > INT64_MAX - position_) return;
    const int64_t end = position_ + count;
    if (end >= static_cast<int64_t>(buffer_.size()) && !Do_SetLength(end)) return;
    std::memcpy(buffer_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
}

int64_t CMemFileStream::Do_Seek(int64_t offset, int origin) {
    if (buffer_.empty()) return position_;
    const int64_t length = static_cast<int64_t>(buffer_.size());
    int64_t base = 0;
    switch (origin) {
        case 0:
            base = 0;
            break;
        case 1:
            base = position_;
            break;
        case 2:
            base = length - 1;
            break;
        default:
            return position_;
    }
    // Saturating, so that a huge offset clamps instead of overflowing.
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : length;
    position_ = std::clamp<int64_t>(target, 0, length - 1);
    return position_;
}

int64_t CMemFileStream::Do_Tell() {
    return position_;
}

int64_t CMemFileStream::Do_GetLength() {
    return static_cast<int64_t>(buffer_.size());
}

bool CMemFileStream::Do_SetLength(int64_t length) {
    if (length < 0) return false;
    try {
        buffer_.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    if (buffer_.empty()) {
        position_ = 0;
    } else if (position_ >= length) {
        position_ = length - 1;
    }
    return true;
}

bool CMemFileStream::GetStatus(FileStreamStatus& status) {
    status = FileStreamStatus{};
    status.size = static_cast<int64_t>(buffer_.size());
    status.flags = StatusReadable | StatusWritable;
    return true;
}

}  // namespace Tarn::File
