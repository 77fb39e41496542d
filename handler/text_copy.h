// Copying UTF-8 texts into fixed buffers without cutting a character in two.
#pragma once

#include <cstddef>
#include <string_view>

namespace Tarn::Handler {

// The length of the longest prefix of `text` within `max_bytes` that ends on a character
// boundary.
size_t Utf8PrefixLength(std::string_view text, size_t max_bytes);

// Copies that prefix for `capacity` - 1 bytes and terminates it; nothing for capacity 0.
void CopyUtf8Terminated(char* target, size_t capacity, std::string_view text);

}  // namespace Tarn::Handler
