// Entry names: the "/" form, and which names may be read or written at all.
#pragma once

#include <string>
#include <string_view>

namespace Tarn::Zip {

// Every "\" becomes "/": archives written on Windows sometimes store either.
std::u16string NormaliseEntryName(std::u16string_view name);

// False for a name that could put a file outside the folder an archive is unpacked into, or
// that names no file: empty, absolute ("/x", "C:x"), with a ".." component, or with a NUL.
// Expects the normalised form.
bool IsSafeEntryName(std::u16string_view name);

}  // namespace Tarn::Zip
