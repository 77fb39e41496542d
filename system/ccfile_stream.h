// CCFileStream: the stream on a disk file, through a stdio stream.
#pragma once

#include <cstdio>
#include <string>

#include "system/cfile_stream.h"

namespace Tarn::File {

class CCFileStream : public CFileStream {
public:
    CCFileStream();
    // Closes the file; a file opened with ModeRemoveOnClose goes with it.
    ~CCFileStream() override;

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;
    bool Reset() override;
    bool IsEmpty() const override;
    bool IsOpen() const override;
    bool Do_Open(std::u16string_view path, uint32_t mode) override;
    void Do_Flush() override;
    // With `remove` the file is deleted by name after closing.
    void Do_Close(bool remove) override;
    int64_t Do_Read(void* buffer, int64_t count) override;
    void Do_Write(const void* buffer, int64_t count) override;
    int64_t Do_Seek(int64_t offset, int origin) override;
    int64_t Do_Tell() override;
    int64_t Do_GetLength() override;
    bool Do_SetLength(int64_t length) override;
    bool GetStatus(FileStreamStatus& status) override;
    void ReopenHandle() override;
    bool Rename(const FilePath& from, const FilePath& to) override;

protected:
    // The next byte, or -1 at the end of the file, on a read error (logged) or when closed.
    int GetByte();
    // Records a pending read error of the stdio stream, once.
    void ReportReadError();

private:
    // stdio wants a positioning call between output and the input after it, and the reverse.
    enum class LastAccess { None, Read, Write };
    void PrepareAccess(LastAccess next);
    // The file on disk: the path as given, so a folder named like an archive is just a folder.
    std::string DiskPath() const;

    std::FILE* file_ = nullptr;
    LastAccess last_access_ = LastAccess::None;
};

}  // namespace Tarn::File
