// Handles of the zip codec: a reader on an existing archive, or a writer that makes a new
// archive or replaces entries of an existing one. Paths are UTF-8.
#pragma once

#include <memory>
#include <string>

namespace Tarn::Zip {

struct ZipHandle;

// Releasing a handle without CloseZip writes nothing.
struct ZipHandleRelease {
    void operator()(ZipHandle* handle) const;
};
using ZipHandlePtr = std::unique_ptr<ZipHandle, ZipHandleRelease>;

// Null on failure; LastReadResult says why.
ZipHandlePtr OpenZipReader(const std::string& path);
// A new, empty archive that replaces whatever is at `path` when it is closed. Nothing touches
// the disk before CloseZip. Null on failure; LastWriteResult says why.
ZipHandlePtr CreateZipWriter(const std::string& path);
// The existing archive at `path`, whose entries stay as they are unless an entry of the same
// name is added. Null on failure (a missing or damaged archive); LastWriteResult says why.
ZipHandlePtr OpenZipUpdater(const std::string& path);

// Writers write the archive into a temporary file beside it and rename that over the old file,
// so a failure half way leaves the old file as it was; a writer without entries leaves no file.
// Readers are just closed. The handle is gone either way; true when all went well.
bool CloseZip(ZipHandlePtr handle);

}  // namespace Tarn::Zip
