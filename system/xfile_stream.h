// XFileStream: a stream that owns another stream, chosen by class name through the stream
// factory, and passes the file operations on to it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "system/cfile_stream.h"

namespace Tarn::File {

class XFileStream : public CFileStream {
public:
    // Creates no file; the inner stream is a memory stream until SetImplementation.
    XFileStream();
    ~XFileStream() override;

    // Replaces the inner stream by a new one of class `name`, or by a memory stream when the
    // factory knows no such class; answers the new stream's Reset.
    bool SetImplementation(std::string_view name);
    IFileStream& Implementation() { return *inner_; }
    const IFileStream& Implementation() const { return *inner_; }

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;
    bool Reset() override;
    bool IsEmpty() const override;
    bool IsOpen() const override;
    bool CanRead() const override;
    bool CanWrite() const override;
    bool IsReadOnly() const override;
    bool IsCreateMode() const override;
    bool HasModeOption() const override;
    bool Do_Open(std::u16string_view path, uint32_t mode) override;
    void Do_Flush() override;
    void Do_Close(bool remove) override;
    int64_t Do_Read(void* buffer, int64_t count) override;
    void Do_Write(const void* buffer, int64_t count) override;
    bool ReadLine(std::u16string& line) override;
    bool ReadLine(std::string& line) override;
    void WriteLine(std::u16string_view line) override;
    void WriteLine(std::string_view line) override;
    bool ReadString(PrefixedString& text) override;
    bool ReadString(std::u16string& text) override;
    bool ReadString(std::string& text) override;
    void WriteString(const PrefixedString& text) override;
    void WriteString(std::u16string_view text) override;
    void WriteString(std::string_view text) override;
    int64_t Do_Seek(int64_t offset, int origin) override;
    int64_t Do_Tell() override;
    int64_t Do_GetLength() override;
    bool Do_SetLength(int64_t length) override;
    int64_t GetLength() override;
    bool SetLength(int64_t length) override;
    bool GetStatus(FileStreamStatus& status) override;
    void ReopenHandle() override;
    // Only an inner stream on named files can rename.
    bool Rename(const FilePath& from, const FilePath& to) override;

private:
    std::unique_ptr<IFileStream> inner_;
};

}  // namespace Tarn::File
