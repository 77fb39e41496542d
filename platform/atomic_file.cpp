// Temporary file, permissions and rename of AtomicFileWriter.
#include "platform/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace Tarn::Platform {

AtomicFileWriter::AtomicFileWriter(std::string destination) : destination_(std::move(destination)) {
    temporary_ = destination_ + ".XXXXXX";
    const int fd = mkstemp(temporary_.data());
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
    const bool written = std::fflush(file_) == 0 && ::fsync(fileno(file_)) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) return false;

    // mkstemp creates the file for its owner only: keep the old file's mode, or give a new file
    // what the umask allows.
    struct stat old {};
    mode_t mode;
    if (::stat(destination_.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(temporary_.c_str(), mode);
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) return false;
    temporary_.clear();
    return true;
}

}  // namespace Tarn::Platform
