// The named-file stream base: class names, the temporary directory and temporary file names,
// failure records.
#include "system/cfile_stream.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_stream_io.h"
#include "platform/file_system.h"
#include "platform/process_env.h"
#include "platform/temp_file.h"
#include "platform/uuid.h"
#include "system/utf.h"

namespace Tarn::File {

CFileStream::CFileStream() = default;

CFileStream::~CFileStream() = default;

std::string CFileStream::GetClassName() const {
    return "CFileStream";
}

bool CFileStream::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "CFileStream" || (include_bases && IFileStream::IsKindOf(name, true));
}

std::u16string CFileStream::GetTempDirectory() const {
    return temp_directory_;
}

void CFileStream::SetTempDirectory(std::u16string_view path) {
    temp_directory_.clear();
    if (path.empty()) return;
    std::string text = System::WideToUtf8(path);
    std::replace(text.begin(), text.end(), '\\', '/');
    const FilePath directory(System::Utf8ToWide(Platform::AbsolutePath(text)), true);
    const std::string full = System::WideToUtf8(directory.FullPath());
    const auto status = Platform::StatPath(full);
    if (!status || !status->is_directory) return;

    // A directory can be listed and still refuse new files; only a probe tells.
    const std::string probe = full + Platform::NewUuidString();
    std::FILE* file = Platform::OpenFileStream(probe, Platform::FileDisposition::CreateAlways,
                                               Platform::FileAccess::ReadWrite, "w+b");
    if (file == nullptr) return;
    std::fclose(file);
    Platform::RemoveFile(probe);
    temp_directory_ = directory.FullPath();
}

bool CFileStream::Rename(const FilePath& /*from*/, const FilePath& /*to*/) {
    return false;
}

std::u16string CFileStream::TempFileDirectory() const {
    if (!temp_directory_.empty()) return temp_directory_;
    return System::Utf8ToWide(Platform::TempDirectory()) + u"/";
}

std::u16string CFileStream::MakeTempFilePath(std::u16string_view prefix) const {
    std::string directory = System::WideToUtf8(TempFileDirectory());
    if (directory.empty()) directory = Platform::CurrentDirectory() + "/";
    if (!prefix.empty()) {
        if (auto name = Platform::CreateUniqueFile(directory, System::WideToUtf8(prefix))) {
            Platform::RemoveFile(*name);
            return FilePath(System::Utf8ToWide(*name)).FullPath();
        }
    }
    const std::string uuid = Platform::NewUuidString();
    if (uuid.empty()) return {};
    return System::Utf8ToWide(directory + uuid);
}

void CFileStream::LogError(std::string_view text, uint32_t code) {
    log_.Add(code, System::Utf8ToWide(text));
}

std::string CFileStream::WithCause(std::string_view source) {
    const std::string cause = Platform::LastErrorText();  // before anything can touch errno
    std::string text(source);
    text += " : ";
    text += cause;
    return text;
}

void CFileStream::LogErrorWithCause(std::string_view source) {
    LogError(WithCause(source));
}

}  // namespace Tarn::File
