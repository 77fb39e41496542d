// Temporary file (CreateFileW) and atomic replacement (MoveFileExW) of AtomicFileWriter.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <chrono>

#include "platform/atomic_file.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

// Creates a new file beside `destination` under a name nobody else uses.
HANDLE CreateTemporary(const std::string& destination, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = destination + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(counter++) + "-" + std::to_string(clock % 1000000007);
        const std::optional<std::wstring> wide = ToWide(temporary);
        if (!wide) return INVALID_HANDLE_VALUE;
        HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
    }
    return INVALID_HANDLE_VALUE;
}

void Delete(const std::string& path) {
    if (const std::optional<std::wstring> wide = ToWide(path)) DeleteFileW(wide->c_str());
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string destination) : destination_(std::move(destination)) {
    HANDLE handle = CreateTemporary(destination_, temporary_);
    if (handle == INVALID_HANDLE_VALUE) {
        temporary_.clear();
        return;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) CloseHandle(handle);
    file_ = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (file_ == nullptr) {
        if (fd >= 0) _close(fd);
        Delete(temporary_);
        temporary_.clear();
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ != nullptr) std::fclose(file_);
    if (!temporary_.empty()) Delete(temporary_);
}

bool AtomicFileWriter::Commit() {
    if (file_ == nullptr) return false;
    bool ok = std::fflush(file_) == 0;
    ok = ok && FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)))) != 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    const std::optional<std::wstring> destination = ToWide(destination_);
    const std::optional<std::wstring> temporary = ToWide(temporary_);
    if (!ok || !destination || !temporary) return false;
    // MoveFileExW renames over the destination in one step, and fails, changing nothing, while
    // another program holds the destination open without letting it be deleted, or when it is
    // read-only. (ReplaceFileW would also keep the destination's access rules, but can leave a
    // temporary file of its own behind when it fails.) A hidden or system file stays one, as a
    // replaced file keeps its permissions on the POSIX side; the temporary file is removed by
    // the destructor on failure.
    const DWORD attributes = GetFileAttributesW(destination->c_str());
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept) != 0)
        SetFileAttributesW(temporary->c_str(), attributes & kKept);
    if (!MoveFileExW(temporary->c_str(), destination->c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace Tarn::Platform
