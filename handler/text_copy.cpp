// UTF-8 prefixes for fixed buffers.
#include "handler/text_copy.h"

#include <cstring>

namespace Tarn::Handler {

size_t Utf8PrefixLength(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) return text.size();
    size_t n = max_bytes;
    // The first byte left out must not continue the last character kept.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

void CopyUtf8Terminated(char* target, size_t capacity, std::string_view text) {
    if (capacity == 0) return;
    const size_t n = Utf8PrefixLength(text, capacity - 1);
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

}  // namespace Tarn::Handler
