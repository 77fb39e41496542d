// The codec's own view of a handle, and the helpers its operations share. Not for callers.
#pragma once

#include <zip.h>

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "zip/zip_handle.h"
#include "zip/zip_result.h"

namespace Tarn::Zip {

struct ZipHandle {
    enum class Kind { Reader, Writer };

    ZipHandle(Kind kind, zip_t* archive) : kind(kind), archive(archive) {}
    ~ZipHandle();
    ZipHandle(const ZipHandle&) = delete;
    ZipHandle& operator=(const ZipHandle&) = delete;

    // Closes the reader's current entry, if any.
    void CloseEntry();

    Kind kind;
    zip_t* archive;
    // Readers: the archive's length on disk, the bound for every size its directory claims.
    uint64_t archive_size = 0;
    // Readers: the current entry, its claimed length and the bytes delivered so far.
    zip_file_t* entry = nullptr;
    uint64_t entry_size = 0;
    uint64_t entry_delivered = 0;
    // Writers: the bytes of added entries, which libzip reads only when the archive is closed.
    // A deque keeps each buffer where it is while more are added.
    std::deque<std::vector<uint8_t>> pending;
};

ZipResult SetReadResult(ZipResult result);
ZipResult SetWriteResult(ZipResult result);
// The result that stands for a libzip error code.
ZipResult ResultFromLibzip(int error_code);

// The index of the entry whose normalised name is `name`; with `case_blind`, failing an exact
// match, the first equal to it ignoring ASCII case.
bool LocateEntry(zip_t* archive, std::u16string_view name, bool case_blind, uint64_t& index);

}  // namespace Tarn::Zip
