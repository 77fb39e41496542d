// An optional transformation of a document's bytes: a decoder applied to what Load read, an
// encoder applied to what the writer produced.
#pragma once

#include <cstddef>

namespace Tarn::Xml {

class XmlCodec {
public:
    virtual ~XmlCodec() = default;
    // Transforms `length` bytes of `input` into `output`, which has room for `capacity` bytes;
    // returns the number of bytes written (more than `capacity` counts as `capacity`).
    virtual size_t Transform(const char* input, size_t length, char* output, size_t capacity) = 0;
};

}  // namespace Tarn::Xml
