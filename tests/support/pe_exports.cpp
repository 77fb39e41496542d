// The export directory of a PE32+ file read whole: headers, section table, name pointer table.
#include "tests/support/pe_exports.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace Tarn::Test {
namespace {

class Image {
public:
    explicit Image(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

    // Little-endian integers at a file offset; 0 beyond the end.
    uint32_t U32(size_t at) const { return Read(at, 4); }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(Read(at, 2)); }
    size_t Size() const { return bytes_.size(); }

    std::string Text(size_t at) const {
        std::string text;
        while (at < bytes_.size() && bytes_[at] != '\0') text += bytes_[at++];
        return text;
    }

private:
    uint32_t Read(size_t at, size_t count) const {
        uint32_t value = 0;
        for (size_t i = 0; i < count && at + i < bytes_.size(); ++i)
            value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[at + i])) << (8 * i);
        return value;
    }

    std::vector<char> bytes_;
};

}  // namespace

std::optional<PeExports> ReadPeExports(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const Image image(std::vector<char>{std::istreambuf_iterator<char>(in), {}});
    if (image.Size() < 0x40 || image.U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
    const size_t pe = image.U32(0x3C);
    if (image.U32(pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
    const size_t coff = pe + 4;
    const unsigned section_count = image.U16(coff + 2);
    const size_t optional = coff + 20;
    if (image.U16(optional) != 0x20B) return std::nullopt;  // PE32+
    const size_t sections = optional + image.U16(coff + 16);
    // Data directory 0 (exports) of a PE32+ optional header.
    const uint32_t export_rva = image.U32(optional + 112);

    const auto file_offset = [&](uint32_t rva) -> std::optional<size_t> {
        for (unsigned i = 0; i < section_count; ++i) {
            const size_t header = sections + 40 * i;
            const uint32_t start = image.U32(header + 12);
            const uint32_t size = std::max(image.U32(header + 8), image.U32(header + 16));
            if (rva >= start && rva < start + size) return image.U32(header + 20) + (rva - start);
        }
        return std::nullopt;
    };

    PeExports exports;
    if (export_rva == 0) return exports;
    const std::optional<size_t> directory = file_offset(export_rva);
    if (!directory) return std::nullopt;
    exports.function_count = image.U32(*directory + 20);
    const uint32_t name_count = image.U32(*directory + 24);
    const std::optional<size_t> names = file_offset(image.U32(*directory + 32));
    for (uint32_t i = 0; names && i < name_count; ++i) {
        if (const std::optional<size_t> name = file_offset(image.U32(*names + 4 * i)))
            exports.names.insert(image.Text(*name));
    }
    return exports;
}

}  // namespace Tarn::Test
