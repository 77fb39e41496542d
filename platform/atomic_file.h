// Replacing a file safely: the new content goes to a temporary file beside the destination,
// which is renamed over the destination only once it is complete, so a failure half way (a full
// disk, a crash) never destroys the old file.
#pragma once

#include <cstdio>
#include <string>

namespace Tarn::Platform {

class AtomicFileWriter {
public:
    // Creates the temporary file; File() is null when that fails.
    explicit AtomicFileWriter(std::string destination);
    ~AtomicFileWriter();  // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    FILE* File() const { return file_; }

    // Flushes and closes the temporary file, gives it the permissions of the file it replaces
    // (or the usual ones for a new file) and renames it over the destination.
    bool Commit();

private:
    std::string destination_;
    std::string temporary_;
    FILE* file_ = nullptr;
};

}  // namespace Tarn::Platform
