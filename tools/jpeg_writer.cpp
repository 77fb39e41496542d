// JPEG output through libjpeg, written row by row to a temporary file beside the destination.
// libjpeg reports errors by longjmp: the functions that set the jump point keep no C++ objects
// with destructors alive across it.

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "platform/atomic_file.h"
#include "platform/file_system.h"
#include "tools/picture_writer.h"

namespace Tarn::Tools {
namespace {

constexpr int kQuality = 90;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->manager.format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

class JpegWriter final : public PictureWriter {
public:
    explicit JpegWriter(const PictureSpec& spec) : file_(spec.path), spec_(spec) {
        compress_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = OnJpegError;
        errors_.message[0] = '\0';
    }

    ~JpegWriter() override {
        if (created_) jpeg_destroy_compress(&compress_);
    }

    bool Start() {
        if (file_.File() == nullptr)
            return Fail(("cannot create " + spec_.path + ": " + Platform::LastErrorText()).c_str());
        if (setjmp(errors_.jump)) return Fail(errors_.message);
        jpeg_create_compress(&compress_);
        created_ = true;
        jpeg_stdio_dest(&compress_, file_.File());
        compress_.image_width = static_cast<JDIMENSION>(spec_.width);
        compress_.image_height = static_cast<JDIMENSION>(spec_.height);
        compress_.input_components = 3;
        compress_.in_color_space = JCS_RGB;
        jpeg_set_defaults(&compress_);
        jpeg_set_quality(&compress_, kQuality, TRUE);
        jpeg_start_compress(&compress_, TRUE);
        return true;
    }

    bool WriteRow(const uint8_t* rgb) override {
        if (!error_.empty()) return false;
        if (setjmp(errors_.jump)) return Fail(errors_.message);
        JSAMPROW row = const_cast<JSAMPROW>(rgb);
        jpeg_write_scanlines(&compress_, &row, 1);
        return true;
    }

    bool Finish() override {
        if (!error_.empty()) return false;
        if (compress_.next_scanline != compress_.image_height)
            return Fail(("rows missing from " + spec_.path).c_str());
        if (setjmp(errors_.jump)) return Fail(errors_.message);
        jpeg_finish_compress(&compress_);
        if (std::ferror(file_.File()) || !file_.Commit())
            return Fail(("cannot write " + spec_.path + ": " + Platform::LastErrorText()).c_str());
        return true;
    }

private:
    bool Fail(const char* message) {
        if (error_.empty()) error_ = message;
        return false;
    }

    Platform::AtomicFileWriter file_;
    PictureSpec spec_;
    JpegErrors errors_{};
    jpeg_compress_struct compress_{};
    bool created_ = false;
};

}  // namespace

std::unique_ptr<PictureWriter> OpenJpegWriter(const PictureSpec& spec, std::string& error) {
    auto writer = std::make_unique<JpegWriter>(spec);
    if (!writer->Start()) {
        error = writer->Error();
        return nullptr;
    }
    return writer;
}

}  // namespace Tarn::Tools
