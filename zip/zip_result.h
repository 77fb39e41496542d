// Result codes of the zip codec, and the last result of a reading and of a writing operation.
#pragma once

#include <cstdint>

namespace Tarn::Zip {

enum class ZipResult : int32_t {
    Ok = 0,
    MoreData = 1,    // a chunk was delivered and the entry goes on
    EndOfEntry = 2,  // the entry's last bytes were delivered and its checksum holds
    NoHandle = -1,
    WrongHandle = -2,   // a reader handle given to a writing operation, or the reverse
    OpenFailed = -3,    // the archive file is missing or cannot be read
    NotAnArchive = -4,  // not a zip archive, or its directory is damaged or truncated
    NoSuchEntry = -5,
    NoEntryOpen = -6,
    Encrypted = -7,
    Unsupported = -8,    // a compression method or archive feature this codec lacks
    UnsafeName = -9,     // an entry name that climbs out of the archive, is absolute or empty
    Inconsistent = -10,  // sizes the archive cannot hold (a compressed size past its end, a
                         // claimed size no compression could reach)
    BadData = -11,       // the entry's data is damaged: checksum, length or compressed stream
    ReadFailed = -12,
    WriteFailed = -13,
    OutOfMemory = -14,
};

// Per thread, as handles are used by one thread at a time. Reading operations set the first,
// writing operations the second; closing sets the one of the handle's kind.
ZipResult LastReadResult();
ZipResult LastWriteResult();

}  // namespace Tarn::Zip
