// Compressing the parts on threads and joining them into one stream.
#include "tools/parallel_deflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

namespace Tarn::Tools {
namespace {

// Parts below this size are not worth a thread.
constexpr size_t kSmallestPart = size_t{4} << 20;
constexpr int kMostParts = 8;
constexpr double kLastPartShare = 1.5;

struct Part {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::unique_ptr<uint8_t[]> out;
    size_t out_size = 0;
    bool ok = false;
};

// Where the last block of a raw deflate stream starts and where the stream ends, in bits from
// its start (bits run from the least significant one of each byte). inflate stops at each block
// boundary under Z_BLOCK; its data_type then holds the number of bits taken from the input but
// not used, plus 64 when the block just finished was the last, plus 128 at a boundary.
bool FindLastBlock(const uint8_t* data, size_t size, uint64_t& last_block, uint64_t& end) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) return false;
    uint8_t scratch[1 << 15];
    stream.next_in = const_cast<uint8_t*>(data);
    stream.avail_in = static_cast<uInt>(size);
    uint64_t block_start = 0;
    bool found = false;
    while (!found) {
        stream.next_out = scratch;
        stream.avail_out = sizeof scratch;
        const int status = inflate(&stream, Z_BLOCK);
        if (status != Z_OK && status != Z_BUF_ERROR) break;  // the end passed unseen, or bad data
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && stream.avail_out != 0) break;
        if (!(stream.data_type & 128)) continue;
        // At a boundary fewer than eight bits are pending, so this is exact; at the stream's end
        // inflate would already have dropped the last byte's padding.
        const uint64_t position = uint64_t(stream.total_in) * 8 - uint64_t(stream.data_type & 7);
        if (stream.data_type & 64) {
            last_block = block_start;
            end = position;
            found = true;
        } else {
            block_start = position;
        }
    }
    inflateEnd(&stream);
    return found && end > last_block;
}

// Compresses the part; a part that is not the last loses its final mark and gets an empty
// stored block (three zero header bits, then zero bits to the byte's end, LEN 0, NLEN 0xFFFF).
void CompressPart(Part& part, int level, bool last) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    if (compressor == nullptr) return;
    const size_t bound = libdeflate_deflate_compress_bound(compressor, part.size) + 5;
    part.out.reset(new (std::nothrow) uint8_t[bound]);
    if (part.out)
        part.out_size = libdeflate_deflate_compress(compressor, part.data, part.size,
                                                    part.out.get(), bound - 5);
    libdeflate_free_compressor(compressor);
    if (part.out_size == 0) return;
    if (last) {
        part.ok = true;
        return;
    }
    uint64_t last_block = 0, end = 0;
    if (!FindLastBlock(part.out.get(), part.out_size, last_block, end)) return;
    uint8_t* out = part.out.get();
    out[last_block >> 3] &= static_cast<uint8_t>(~(1u << (last_block & 7)));
    // Bits past the stream's end are zero already; the header needs three of them.
    if (uint64_t(part.out_size) * 8 - end < 3) out[part.out_size++] = 0;
    static const uint8_t kEmptyStored[4] = {0x00, 0x00, 0xFF, 0xFF};
    std::memcpy(out + part.out_size, kEmptyStored, sizeof kEmptyStored);
    part.out_size += sizeof kEmptyStored;
    part.ok = true;
}

}  // namespace

int ParallelDeflateParts(size_t size) {
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const size_t by_size = std::max<size_t>(1, size / kSmallestPart);
    return static_cast<int>(std::min<size_t>({size_t(threads), by_size, size_t(kMostParts)}));
}

std::vector<uint8_t> ParallelZlibCompress(const uint8_t* data, size_t size, int level, int parts) {
    parts = std::max(1, parts);
    // Every part but the last is inflated once more to find its last block, which costs about
    // half as much as compressing it: the last part takes a share half as large again, so that
    // the threads finish together.
    std::vector<Part> pieces(static_cast<size_t>(parts));
    const double shares = (parts - 1) + kLastPartShare;
    size_t begin = 0;
    for (int i = 0; i < parts; ++i) {
        const size_t end = i + 1 == parts ? size : size_t(double(size) * (i + 1) / shares);
        pieces[size_t(i)].data = data + begin;
        pieces[size_t(i)].size = end - begin;
        begin = end;
    }
    std::vector<std::thread> threads;
    for (int i = 0; i + 1 < parts; ++i)
        threads.emplace_back(CompressPart, std::ref(pieces[size_t(i)]), level, false);
    CompressPart(pieces.back(), level, true);
    for (std::thread& thread : threads) thread.join();

    size_t total = 2 + 4;
    for (const Part& part : pieces) {
        if (!part.ok) return {};
        total += part.out_size;
    }
    std::vector<uint8_t> stream;
    stream.reserve(total);
    stream.push_back(0x78);  // deflate, 32 KiB window
    stream.push_back(0x01);  // fastest level; the header's check bits
    for (const Part& part : pieces)
        stream.insert(stream.end(), part.out.get(), part.out.get() + part.out_size);
    const uint32_t adler = libdeflate_adler32(1, data, size);
    for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(uint8_t(adler >> shift));
    return stream;
}

}  // namespace Tarn::Tools
