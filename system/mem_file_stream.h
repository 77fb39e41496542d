// CMemFileStream: a stream on a growable byte buffer in memory; always open, never logs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/file_stream.h"

namespace Tarn::File {

class CMemFileStream : public IFileStream {
public:
    CMemFileStream();
    ~CMemFileStream() override;

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;
    // Empties the buffer and gives its storage back.
    bool Reset() override;
    bool IsEmpty() const override;
    bool IsOpen() const override;
    bool CanRead() const override;
    bool CanWrite() const override;
    bool IsReadOnly() const override;
    bool IsCreateMode() const override;
    bool HasModeOption() const override;
    // Ignores path and mode and empties the stream.
    bool Do_Open(std::u16string_view path, uint32_t mode) override;
    void Do_Flush() override;
    // With `remove` the bytes go; without, they stay.
    void Do_Close(bool remove) override;
    int64_t Do_Read(void* buffer, int64_t count) override;
    // Grows the buffer as needed; writes nothing when it cannot grow.
    void Do_Write(const void* buffer, int64_t count) override;
    // Targets are clamped to the bytes present: below 0 to 0, at or past the length to the last
    // byte, so the position after the last byte is reached only by writing. An empty stream
    // keeps its position.
    int64_t Do_Seek(int64_t offset, int origin) override;
    int64_t Do_Tell() override;
    int64_t Do_GetLength() override;
    // New bytes are zero; a position at or past the new length moves to the last byte.
    bool Do_SetLength(int64_t length) override;
    bool GetStatus(FileStreamStatus& status) override;

    const std::vector<uint8_t>& Bytes() const { return buffer_; }

private:
    std::vector<uint8_t> buffer_;
    int64_t position_ = 0;
};

}  // namespace Tarn::File
