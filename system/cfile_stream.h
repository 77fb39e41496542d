// CFileStream: the base of the streams on named files; keeps the open mode, the parsed path, the
// temporary directory and the message log in which the stream records its failures.
#pragma once

#include <string>
#include <string_view>

#include "system/file_path.h"
#include "system/file_stream.h"
#include "system/message_log.h"

namespace Tarn::File {

class CFileStream : public IFileStream {
public:
    ~CFileStream() override;

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;
    std::u16string GetTempDirectory() const override;
    // Stores the directory (absolute, "/"-separated, with a trailing "/") when it exists and a
    // file can be created in it; otherwise stores nothing. An empty path clears it.
    void SetTempDirectory(std::u16string_view path) override;

    // Renames the file at from's full path to to's; false here, where no file is named.
    virtual bool Rename(const FilePath& from, const FilePath& to);

    // A new path for a temporary file in the temporary directory (the stream's own, else the
    // system's). With a prefix the name is the system's unique name for it; without one, or when
    // that fails, it is a new UUID. Empty when nothing works.
    std::u16string MakeTempFilePath(std::u16string_view prefix) const;

    // The path given to the last Do_Open.
    const FilePath& Path() const { return path_; }
    const System::CMessageLog& MessageLog() const { return log_; }

protected:
    CFileStream();

    // The directory in which temporary files go, with a trailing "/".
    std::u16string TempFileDirectory() const;
    void LogError(std::string_view text, uint32_t code = System::kMessageError);
    // `source`, " : " and the C library's text for the current errno.
    void LogErrorWithCause(std::string_view source);
    static std::string WithCause(std::string_view source);

    FilePath path_;

private:
    std::u16string temp_directory_;
    System::CMessageLog log_;
};

}  // namespace Tarn::File
