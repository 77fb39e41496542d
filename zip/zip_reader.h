// Reading through a reader handle: the archive's directory, finding an entry by name, and the
// current entry's bytes in chunks.
#pragma once

#include <cstdint>
#include <string_view>

#include "zip/zip_entry.h"
#include "zip/zip_handle.h"
#include "zip/zip_result.h"

namespace Tarn::Zip {

// The number of entries, or -1.
int64_t CountEntries(ZipHandle* handle);
bool GetEntry(ZipHandle* handle, uint64_t index, ZipEntry& entry);
// `name` with "/" or "\" separators: the entry of exactly that name, else the first equal to it
// ignoring ASCII case (names stored on a case-blind system may differ in case). Unsafe names
// (IsSafeEntryName) are refused.
bool FindEntry(ZipHandle* handle, std::u16string_view name, ZipEntry& entry);

// Makes the entry at `index` the current one, closing any other. Refuses an entry with an
// unsafe name, an encrypted one, and one whose sizes the archive cannot hold: a stored entry
// must be as long as its data, a deflated one at most 1032 times as long (deflate's limit), one
// of any other method at most 4096 times.
bool OpenEntry(ZipHandle* handle, uint64_t index);

// Up to `capacity` bytes of the current entry, never past its size in the directory;
// `delivered` counts the bytes put into `buffer`. MoreData: the buffer is full and the entry
// goes on. EndOfEntry: the entry ended with these bytes and its checksum and length hold.
// Otherwise an error; bytes delivered before it are the entry's as far as it could be read.
ZipResult ReadEntry(ZipHandle* handle, void* buffer, uint64_t capacity, uint64_t& delivered);

}  // namespace Tarn::Zip
