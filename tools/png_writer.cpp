// PNG output written by hand: every row gets the "Up" filter (one subtraction per byte, which
// suits smooth shaded relief), and the filtered picture is compressed by libdeflate at level 1,
// about twice as fast as zlib's fastest level and a little smaller, in parts on the machine's
// cores. A picture too large to keep filtered in memory is compressed as it comes, through zlib
// at level 1.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "platform/memory_advice.h"
#include "platform/memory_status.h"
#include "tools/parallel_deflate.h"
#include "tools/picture_writer.h"

namespace Tarn::Tools {
namespace {

constexpr uint8_t kFilterUp = 2;
constexpr int kLevel = 1;
constexpr size_t kIdatBytes = size_t{1} << 20;
// Filtered pictures up to this size are kept whole for libdeflate.
constexpr uint64_t kWholeLimitBytes = uint64_t{256} << 20;

// An uninitialised buffer (every byte is written before it is read), on huge pages where the
// kernel offers them: zero-filling and faulting in tens of megabytes would cost as much as
// compressing them.
std::unique_ptr<uint8_t[]> FreshBuffer(size_t bytes) {
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[bytes]);
    Platform::AdviseHugePages(buffer.get(), bytes);
    return buffer;
}

void PutBigEndian(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

class PngWriter final : public PictureWriter {
public:
    explicit PngWriter(const PictureSpec& spec)
        : file_(spec.path),
          path_(spec.path),
          width_(spec.width),
          height_(spec.height),
          row_bytes_(size_t(spec.width) * 3),
          previous_(row_bytes_, 0) {}

    ~PngWriter() override {
        if (streaming_) deflateEnd(&stream_);
    }

    bool Start(const PictureSpec& spec) {
        if (file_.File() == nullptr) return Fail("cannot create");
        static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
        if (std::fwrite(kSignature, 1, sizeof kSignature, file_.File()) != sizeof kSignature)
            return Fail("cannot write");
        uint8_t header[13] = {};
        PutBigEndian(header, static_cast<uint32_t>(width_));
        PutBigEndian(header + 4, static_cast<uint32_t>(height_));
        header[8] = 8;  // bits per sample
        header[9] = 2;  // truecolour
        if (!Chunk("IHDR", header, sizeof header)) return false;
        if (spec.transparent) {
            // One colour of a truecolour picture keyed out costs six bytes, not an alpha plane.
            uint8_t key[6] = {};
            for (int c = 0; c < 3; ++c) key[2 * c + 1] = (*spec.transparent)[c];
            if (!Chunk("tRNS", key, sizeof key)) return false;
        }
        const uint64_t filtered = uint64_t(row_bytes_ + 1) * uint64_t(height_);
        if (!spec.streaming &&
            filtered <= std::min(kWholeLimitBytes, Platform::AvailablePhysicalMemory() / 4)) {
            whole_ = FreshBuffer(filtered);
            if (!whole_) return Fail("out of memory for", false);
        } else {
            if (deflateInit(&stream_, kLevel) != Z_OK)
                return Fail("cannot start compressing", false);
            streaming_ = true;
            row_.resize(row_bytes_ + 1);
            compressed_.resize(kIdatBytes);
        }
        return true;
    }

    bool WriteRow(const uint8_t* rgb) override {
        if (rows_ >= height_) return Fail("too many rows for", false);
        uint8_t* out = streaming_ ? row_.data() : whole_.get() + size_t(rows_) * (row_bytes_ + 1);
        out[0] = kFilterUp;
        const uint8_t* above = previous_.data();
        for (size_t i = 0; i < row_bytes_; ++i) out[i + 1] = uint8_t(rgb[i] - above[i]);
        std::memcpy(previous_.data(), rgb, row_bytes_);
        ++rows_;
        return !streaming_ || Deflate(row_.data(), row_.size(), Z_NO_FLUSH);
    }

    bool Finish() override {
        if (rows_ != height_) return Fail("rows missing from", false);
        if (streaming_) {
            if (!Deflate(nullptr, 0, Z_FINISH)) return false;
        } else {
            const size_t whole_size = (row_bytes_ + 1) * size_t(height_);
            const std::vector<uint8_t> compressed = ParallelZlibCompress(
                whole_.get(), whole_size, kLevel, ParallelDeflateParts(whole_size));
            whole_.reset();
            if (compressed.empty()) return Fail("out of memory compressing", false);
            for (size_t at = 0; at < compressed.size(); at += kIdatBytes)
                if (!Chunk("IDAT", compressed.data() + at,
                           std::min(kIdatBytes, compressed.size() - at)))
                    return false;
        }
        if (!Chunk("IEND", nullptr, 0)) return false;
        if (!file_.Commit()) return Fail("cannot write");
        return true;
    }

private:
    // `system`: the operating system's reason for the failure is in errno.
    bool Fail(const char* what, bool system = true) {
        if (error_.empty()) {
            const std::string reason = system ? Platform::LastErrorText() : "";
            error_ = std::string(what) + " " + path_ + (reason.empty() ? "" : ": " + reason);
        }
        return false;
    }

    bool Chunk(const char type[4], const uint8_t* data, size_t size) {
        uint8_t head[8];
        PutBigEndian(head, static_cast<uint32_t>(size));
        std::memcpy(head + 4, type, 4);
        uint32_t crc = libdeflate_crc32(0, head + 4, 4);
        if (size > 0) crc = libdeflate_crc32(crc, data, size);
        uint8_t tail[4];
        PutBigEndian(tail, crc);
        FILE* f = file_.File();
        if (std::fwrite(head, 1, 8, f) != 8 ||
            (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fwrite(tail, 1, 4, f) != 4)
            return Fail("cannot write");
        return true;
    }

    // Feeds zlib and writes an IDAT chunk whenever the output buffer fills.
    bool Deflate(const uint8_t* data, size_t size, int flush) {
        stream_.next_in = const_cast<uint8_t*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        for (;;) {
            if (stream_.avail_out == 0) {
                if (stream_.next_out != nullptr && !Chunk("IDAT", compressed_.data(), kIdatBytes))
                    return false;
                stream_.next_out = compressed_.data();
                stream_.avail_out = static_cast<uInt>(kIdatBytes);
            }
            const int status = deflate(&stream_, flush);
            if (status == Z_STREAM_END) {
                const size_t left = kIdatBytes - stream_.avail_out;
                return left == 0 || Chunk("IDAT", compressed_.data(), left);
            }
            if (status != Z_OK && status != Z_BUF_ERROR) return Fail("cannot compress", false);
            if (flush != Z_FINISH && stream_.avail_in == 0 && stream_.avail_out != 0) return true;
        }
    }

    Platform::AtomicFileWriter file_;
    std::string path_;
    int width_, height_;
    size_t row_bytes_;
    int rows_ = 0;
    std::vector<uint8_t> previous_;     // the row above, zero above the first
    std::unique_ptr<uint8_t[]> whole_;  // every filtered row, when compressed in one piece
    bool streaming_ = false;
    z_stream stream_{};
    std::vector<uint8_t> row_;         // one filtered row, when streaming
    std::vector<uint8_t> compressed_;  // zlib's output, when streaming
};

}  // namespace

std::unique_ptr<PictureWriter> OpenPngWriter(const PictureSpec& spec, std::string& error) {
    auto writer = std::make_unique<PngWriter>(spec);
    if (!writer->Start(spec)) {
        error = writer->Error();
        return nullptr;
    }
    return writer;
}

}  // namespace Tarn::Tools
