// IFileStream: the one stream interface through which the library reads and writes its files,
// with the shared length-prefixed string forms and byte-order queries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "system/file_stream_mode.h"
#include "system/uncopyable.h"

namespace Tarn::File {

// Filled by GetStatus; times in seconds since 1970.
struct FileStreamStatus {
    int64_t creation_time = 0;  // 0 when not available
    int64_t access_time = 0;
    int64_t modification_time = 0;
    int64_t size = 0;
    uint32_t flags = 0;
};

inline constexpr uint32_t StatusReadOnly = 0x1;
inline constexpr uint32_t StatusHidden = 0x2;
inline constexpr uint32_t StatusSystem = 0x4;
inline constexpr uint32_t StatusDirectory = 0x10;
inline constexpr uint32_t StatusArchive = 0x20;
inline constexpr uint32_t StatusReadable = 0x40000;
inline constexpr uint32_t StatusWritable = 0x80000;

// A narrow string that is always stored length-prefixed, also on text streams, where a plain
// std::string is read and written as a line. It stands for the narrow string class of the UI
// framework that stored files of this form were written with.
struct PrefixedString {
    std::string text;
};

// Streams report failures in their own message log and answer false, -1 or a short count; no
// operation throws. The operations stay in this order.
class IFileStream : public System::CUncopyable {
public:
    virtual ~IFileStream();

    virtual std::string GetClassName() const;
    // True for the class's own name; with include_bases also for each base name up to
    // "IFileStream". Names compare exactly.
    virtual bool IsKindOf(std::string_view name, bool include_bases) const;
    virtual bool Reset();
    virtual bool IsEmpty() const = 0;
    virtual bool IsOpen() const = 0;
    virtual bool CanRead() const;
    virtual bool CanWrite() const;
    virtual bool IsReadOnly() const;
    virtual bool IsCreateMode() const;
    virtual bool HasModeOption() const;
    // By the byte-order flags when exactly one is set; little-endian otherwise.
    virtual bool IsLittleEndian() const;
    virtual bool IsBigEndian() const;
    // An empty path opens a new temporary file. `mode` may be ModeUseDefault.
    virtual bool Do_Open(std::u16string_view path, uint32_t mode) = 0;
    virtual void Do_Flush() = 0;
    virtual void Do_Close(bool remove) = 0;
    virtual int64_t Do_Read(void* buffer, int64_t count) = 0;
    virtual void Do_Write(const void* buffer, int64_t count) = 0;
    // Lines: text streams only; the others answer false or do nothing.
    virtual bool ReadLine(std::u16string& line);
    virtual bool ReadLine(std::string& line);
    virtual void WriteLine(std::u16string_view line);
    virtual void WriteLine(std::string_view line);
    // A 4-byte character count (byte-swapped unless IsLittleEndian), then the characters; wide
    // characters are little-endian 16-bit units. Reading answers false with the string empty
    // for a count of 0 or a missing count, and false with what arrived for a short text.
    virtual bool ReadString(PrefixedString& text);
    virtual bool ReadString(std::u16string& text);
    virtual bool ReadString(std::string& text);
    virtual void WriteString(const PrefixedString& text);
    virtual void WriteString(std::u16string_view text);
    virtual void WriteString(std::string_view text);
    // origin: 0 start, 1 current position, 2 end. The new position, or -1.
    virtual int64_t Do_Seek(int64_t offset, int origin) = 0;
    virtual int64_t Do_Tell() = 0;
    virtual int64_t Do_GetLength() = 0;
    virtual bool Do_SetLength(int64_t length) = 0;
    virtual int64_t GetLength();
    virtual bool SetLength(int64_t length);
    virtual bool GetStatus(FileStreamStatus& status) = 0;
    virtual void ReopenHandle();
    virtual std::u16string GetTempDirectory() const;
    virtual void SetTempDirectory(std::u16string_view path);

    // The mode word as stored by Do_Open; 0 until then.
    uint32_t OpenMode() const { return open_mode_; }

protected:
    IFileStream() = default;

    // The length-prefixed forms; the text streams still use them for PrefixedString.
    bool ReadPrefixed(std::string& text);
    bool ReadPrefixed(std::u16string& text);
    void WritePrefixed(std::string_view text);
    void WritePrefixed(std::u16string_view text);

    uint32_t open_mode_ = 0;

private:
    bool ReadCount(uint32_t& count);
    void WriteCount(uint32_t count);
};

}  // namespace Tarn::File
