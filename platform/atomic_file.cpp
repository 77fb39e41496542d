// Temporary file, permissions and rename of AtomicFileWriter.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace Tarn::Platform {
namespace {

// Creates a new file beside `destination` under a name nobody else uses. Opening with 0666 lets
// the kernel apply the process's umask, as for any new file, without reading the umask (which
// cannot be read without changing it, a race with other threads).
int CreateTemporary(const std::string& destination, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = destination + ".tmp" + std::to_string(::getpid()) + "-" +
                    std::to_string(counter++) + "-" + std::to_string(clock % 1000000007);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string destination) : destination_(std::move(destination)) {
    const int fd = CreateTemporary(destination_, temporary_);
    if (fd < 0) {
        temporary_.clear();
        return;
    }
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ != nullptr) std::fclose(file_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool AtomicFileWriter::Commit() {
    if (file_ == nullptr) return false;
    bool ok = std::fflush(file_) == 0;
    // A file that replaces another keeps its permissions.
    struct stat old {};
    if (ok && ::stat(destination_.c_str(), &old) == 0)
        ok = ::fchmod(fileno(file_), old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok || std::rename(temporary_.c_str(), destination_.c_str()) != 0) return false;
    temporary_.clear();
    return true;
}

}  // namespace Tarn::Platform
