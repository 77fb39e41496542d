// PNG output through libpng, written to a temporary file and renamed into place.
#include "tools/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "platform/atomic_file.h"

namespace Tarn::Tools {
namespace {

struct PngWriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteState() { png_destroy_write_struct(&png, &info); }
};

// libpng reports errors through longjmp; this function keeps no C++ objects with destructors
// alive across the jump.
bool EncodeRows(FILE* file, int width, int height,
                const std::function<const uint8_t*(int row)>& row_source, std::string& error) {
    PngWriteState state;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (state.png == nullptr) return false;
    state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) return false;
    if (setjmp(png_jmpbuf(state.png))) {
        error = "PNG encoding failed";
        return false;
    }
    png_init_io(state.png, file);
    png_set_IHDR(state.png, state.info, static_cast<png_uint_32>(width),
                 static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(state.png, state.info);
    for (int row = 0; row < height; ++row) {
        const uint8_t* pixels = row_source(row);
        if (pixels == nullptr) {
            error = "row " + std::to_string(row) + " of the picture is missing";
            return false;
        }
        png_write_row(state.png, const_cast<png_bytep>(pixels));
    }
    png_write_end(state.png, nullptr);
    return true;
}

}  // namespace

bool WriteRgbPng(const std::string& path, int width, int height,
                 const std::function<const uint8_t*(int row)>& row_source, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "empty picture";
        return false;
    }
    Platform::AtomicFileWriter writer(path);
    if (writer.File() == nullptr || !EncodeRows(writer.File(), width, height, row_source, error) ||
        !writer.Commit()) {
        if (error.empty()) error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace Tarn::Tools
