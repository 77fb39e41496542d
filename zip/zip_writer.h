// Writing through a writer handle: entries from memory.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "zip/zip_handle.h"

namespace Tarn::Zip {

// Adds an entry named `name` ("\" becomes "/") holding `bytes`, deflated; an entry of the same
// name is replaced. Unsafe names (IsSafeEntryName) and directory names are refused. The bytes
// go into the archive when it is closed.
bool AddEntry(ZipHandle* handle, std::u16string_view name, std::vector<uint8_t> bytes);

}  // namespace Tarn::Zip
