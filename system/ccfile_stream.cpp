// The disk file stream: opening by the mode's disposition, chunked reads and writes, 64-bit
// positioning, truncation, status and renaming. Failures go to the stream's message log.
#include "system/ccfile_stream.h"

#include <algorithm>
#include <cerrno>

#include "platform/file_stream_io.h"
#include "platform/file_system.h"
#include "system/text_format.h"
#include "system/utf.h"

namespace Tarn::File {
namespace {

// One stdio call moves at most this many bytes.
constexpr int64_t kMaxChunk = 0xFFFFFFFF;

struct OpenChoice {
    Platform::FileDisposition disposition;
    Platform::FileAccess access;
    // The stdio mode of the wrapped descriptor; it neither creates nor truncates, the
    // disposition does ("w+b" of a new file stands for "w+bx").
    const char* stdio_mode;
};

OpenChoice ChooseOpen(uint32_t mode) {
    using Platform::FileAccess;
    using Platform::FileDisposition;
    if (mode & ModeCreateNew) return {FileDisposition::CreateNew, FileAccess::ReadWrite, "w+b"};
    if (mode & ModeOpenAlways) return {FileDisposition::OpenAlways, FileAccess::ReadWrite, "a+b"};
    if (mode & ModeCreateAlways) {
        return {FileDisposition::CreateAlways, FileAccess::ReadWrite, "w+b"};
    }
    if ((mode & ModeRead) && (mode & ModeWrite)) {
        return {FileDisposition::OpenExisting, FileAccess::ReadWrite, "r+b"};
    }
    if (mode & ModeWrite) return {FileDisposition::OpenExisting, FileAccess::Write, "wb"};
    return {FileDisposition::OpenExisting, FileAccess::Read, "rb"};
}

}  // namespace

CCFileStream::CCFileStream() = default;

CCFileStream::~CCFileStream() {
    try {
        Do_Close(false);
    } catch (...) {
        // Only recording a failure can throw here, and the log goes with the stream.
    }
}

std::string CCFileStream::GetClassName() const {
    return "CCFileStream";
}

bool CCFileStream::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "CCFileStream" || (include_bases && CFileStream::IsKindOf(name, true));
}

bool CCFileStream::Reset() {
    return true;
}

bool CCFileStream::IsEmpty() const {
    return file_ == nullptr;
}

bool CCFileStream::IsOpen() const {
    return file_ != nullptr;
}

std::string CCFileStream::DiskPath() const {
    return System::WideToUtf8(path_.CombinedPath());
}

bool CCFileStream::Do_Open(std::u16string_view path, uint32_t mode) {
    Do_Close(false);
    open_mode_ = NormaliseOpenMode(mode);
    std::u16string target(path);
    if (target.empty()) target = MakeTempFilePath(u"");
    path_ = FilePath(target, false);
    if (target.empty()) {
        errno = ENOENT;
        LogErrorWithCause("CCFileStream::Do_Open");
        return false;
    }

    const OpenChoice choice = ChooseOpen(open_mode_);
    std::string disk_path = DiskPath();
    // Names stored on a case-blind system may differ in case from the file here; a read never
    // changes anything, so it may take the file that differs only in case.
    if (choice.access == Platform::FileAccess::Read) {
        if (auto found = Platform::FindFileIgnoringCase(disk_path); found && *found != disk_path) {
            disk_path = *found;
            path_ = FilePath(System::Utf8ToWide(disk_path), false);
        }
    }
    file_ =
        Platform::OpenFileStream(disk_path, choice.disposition, choice.access, choice.stdio_mode);
    last_access_ = LastAccess::None;
    if (file_ == nullptr) {
        LogErrorWithCause("CCFileStream::Do_Open");
        return false;
    }
    return true;
}

void CCFileStream::Do_Flush() {
    if (file_ == nullptr) return;
    if (std::fflush(file_) != 0) {
        LogError("Error: CCPFstream write");
        std::clearerr(file_);
    }
}

void CCFileStream::Do_Close(bool remove) {
    bool removed = false;
    if (file_ != nullptr) {
        if (std::fclose(file_) != 0) LogErrorWithCause("CCFileStream::Do_Close");
        file_ = nullptr;
        // Stands for the delete-on-close attribute: the file goes when its handle closes. A
        // stream that is not open removes nothing by itself, so a file that merely has the
        // name (one this stream failed to create, or one made after it closed) stays.
        if (open_mode_ & ModeRemoveOnClose) {
            removed = true;
            if (!Platform::RemoveFile(DiskPath())) LogErrorWithCause("CCFileStream remove file");
        }
    }
    if (remove && !removed && !path_.CombinedPath().empty()) {
        if (!Platform::RemoveFile(DiskPath())) LogErrorWithCause("CCFileStream remove file");
    }
}

void CCFileStream::PrepareAccess(LastAccess next) {
    if (last_access_ != LastAccess::None && last_access_ != next) {
        Platform::SeekFileStream(file_, 0, 1);
    }
    last_access_ = next;
}

int64_t CCFileStream::Do_Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (file_ == nullptr) {
        LogError("Error: CCPFstream read");
        return 0;
    }
    PrepareAccess(LastAccess::Read);
    auto* bytes = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const int64_t chunk = std::min(count - done, kMaxChunk);
        const size_t got = std::fread(bytes + done, 1, static_cast<size_t>(chunk), file_);
        done += static_cast<int64_t>(got);
        if (static_cast<int64_t>(got) < chunk) break;
    }
    if (done < count) ReportReadError();
    return done;
}

void CCFileStream::Do_Write(const void* buffer, int64_t count) {
    if (count <= 0) return;
    if (file_ == nullptr) {
        LogError("Error: CCPFstream write");
        return;
    }
    PrepareAccess(LastAccess::Write);
    const auto* bytes = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count && !std::feof(file_)) {
        const int64_t chunk = std::min(count - done, kMaxChunk);
        const size_t put = std::fwrite(bytes + done, 1, static_cast<size_t>(chunk), file_);
        done += static_cast<int64_t>(put);
        if (static_cast<int64_t>(put) < chunk) break;
    }
    if (std::ferror(file_)) {
        LogError("Error: CCPFstream write");
        // Reported once: a later write that works must not log this again.
        std::clearerr(file_);
    }
}

int CCFileStream::GetByte() {
    if (file_ == nullptr) {
        LogError("Error: CCPFstream read");
        return -1;
    }
    PrepareAccess(LastAccess::Read);
    const int c = std::getc(file_);
    if (c == EOF) {
        ReportReadError();
        return -1;
    }
    return c;
}

void CCFileStream::ReportReadError() {
    if (file_ != nullptr && std::ferror(file_)) {
        LogError("Error: CCPFstream read");
        std::clearerr(file_);
    }
}

int64_t CCFileStream::Do_Seek(int64_t offset, int origin) {
    if (origin < 0 || origin > 2) {
        LogError("CCFileStream::Do_Seek: Invalid seek method");
        return -1;
    }
    if (file_ == nullptr) errno = EBADF;
    if (file_ == nullptr || !Platform::SeekFileStream(file_, offset, origin)) {
        LogErrorWithCause("CCFileStream::Do_Seek:");
        return -1;
    }
    last_access_ = LastAccess::None;
    return CCFileStream::Do_Tell();
}

int64_t CCFileStream::Do_Tell() {
    if (file_ == nullptr) errno = EBADF;
    const int64_t position = file_ != nullptr ? Platform::TellFileStream(file_) : -1;
    if (position < 0) LogErrorWithCause("CCFileStream::Do_Tell");
    return position;
}

int64_t CCFileStream::Do_GetLength() {
    const int64_t position = CCFileStream::Do_Tell();
    if (position < 0) return -1;
    const int64_t end = CCFileStream::Do_Seek(0, 2);
    if (end < 0) return -1;
    CCFileStream::Do_Seek(position, 0);
    return end;
}

bool CCFileStream::Do_SetLength(int64_t length) {
    if (file_ == nullptr || length < 0) {
        errno = file_ == nullptr ? EBADF : EINVAL;
        LogErrorWithCause("CCFileStream::Do_SetLength:");
        return false;
    }
    const int64_t position = CCFileStream::Do_Tell();
    if (position < 0 || CCFileStream::Do_Seek(length, 0) < 0) return false;
    if (!Platform::TruncateFileStream(file_, length)) {
        LogErrorWithCause("CCFileStream::Do_SetLength:");
    }
    const int64_t new_length = CCFileStream::Do_GetLength();
    if (new_length < position) {
        CCFileStream::Do_Seek(0, 2);
    } else {
        CCFileStream::Do_Seek(position, 0);
    }
    return new_length == length;
}

bool CCFileStream::GetStatus(FileStreamStatus& status) {
    status = FileStreamStatus{};
    if (file_ == nullptr) return false;
    // Buffered output counts towards the size the caller expects.
    std::fflush(file_);
    const auto open_file = Platform::StatFileStream(file_);
    if (!open_file) return false;
    status.access_time = open_file->access_time;
    status.modification_time = open_file->modification_time;
    status.size = open_file->size;

    const auto named = Platform::StatPath(DiskPath());
    if (!named) return false;
    if (named->hidden) status.flags |= StatusHidden;
    if (named->is_directory) status.flags |= StatusDirectory;
    status.flags |= named->writable ? StatusReadable | StatusWritable : StatusReadable;
    return true;
}

void CCFileStream::ReopenHandle() {
    if (file_ != nullptr) Platform::OpenAndCloseHandle(DiskPath());
}

bool CCFileStream::Rename(const FilePath& from, const FilePath& to) {
    const std::string from_path = System::WideToUtf8(from.CombinedPath());
    if (Platform::RenamePath(from_path, System::WideToUtf8(to.CombinedPath()))) return true;
    const std::string cause = WithCause("CCFileStream::Rename");
    LogError(System::FormatString("Could not rename %s, cause %s", from_path, cause),
             System::kMessageRenameError);
    return false;
}

}  // namespace Tarn::File
