// GeoTIFF output through GDAL: an RGB (or RGB and alpha) picture, tiled and deflate-compressed,
// with its geotransform and coordinate system inside. Rows are handed to GDAL a tile row at a
// time into a temporary file beside the destination, which is renamed over it at the end.
#include <cpl_string.h>
#include <gdal.h>

#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/temp_file.h"
#include "tools/picture_writer.h"

namespace Tarn::Tools {
namespace {

constexpr int kTileSide = 256;

class GeoTiffWriter final : public PictureWriter {
public:
    explicit GeoTiffWriter(const PictureSpec& spec)
        : spec_(spec),
          bands_(spec.transparent ? 4 : 3),
          row_bytes_(size_t(spec.width) * size_t(spec.transparent ? 4 : 3)) {}

    ~GeoTiffWriter() override {
        if (dataset_ != nullptr) GDALClose(dataset_);
        if (!temporary_.empty()) Platform::RemoveFile(temporary_);
    }

    bool Start() {
        GDALAllRegister();
        GDALDriverH driver = GDALGetDriverByName("GTiff");
        if (driver == nullptr) return Fail("GDAL has no GeoTIFF driver to write");
        const size_t slash = spec_.path.rfind('/');
        const std::string directory =
            slash == std::string::npos ? "." : spec_.path.substr(0, slash);
        const std::string name =
            slash == std::string::npos ? spec_.path : spec_.path.substr(slash + 1);
        const std::optional<std::string> temporary =
            Platform::CreateUniqueFile(directory, "." + name + "-");
        if (!temporary)
            return Fail("cannot create " + spec_.path + ": " + Platform::LastErrorText());
        temporary_ = *temporary;

        CPLStringList options;
        options.SetNameValue("TILED", "YES");
        options.SetNameValue("BLOCKXSIZE", std::to_string(kTileSide).c_str());
        options.SetNameValue("BLOCKYSIZE", std::to_string(kTileSide).c_str());
        options.SetNameValue("COMPRESS", "DEFLATE");
        options.SetNameValue("PREDICTOR", "2");
        options.SetNameValue("ZLEVEL", "1");
        options.SetNameValue("NUM_THREADS", "ALL_CPUS");
        options.SetNameValue("BIGTIFF", "IF_SAFER");
        options.SetNameValue("PHOTOMETRIC", "RGB");
        if (spec_.transparent) options.SetNameValue("ALPHA", "YES");
        CPLErrorReset();
        dataset_ = GDALCreate(driver, temporary_.c_str(), spec_.width, spec_.height, bands_,
                              GDT_Byte, options.List());
        if (dataset_ == nullptr) return Fail("cannot create " + spec_.path + ": " + GdalReason());
        if (spec_.georeference) {
            GDALSetGeoTransform(dataset_, spec_.georeference->transform.data());
            if (!spec_.georeference->wkt.empty())
                GDALSetProjection(dataset_, spec_.georeference->wkt.c_str());
        }
        pending_.resize(row_bytes_ * kTileSide);
        return true;
    }

    bool WriteRow(const uint8_t* rgb) override {
        if (rows_ + pending_rows_ >= spec_.height) return Fail("too many rows for " + spec_.path);
        uint8_t* out = pending_.data() + size_t(pending_rows_) * row_bytes_;
        if (bands_ == 3) {
            std::memcpy(out, rgb, row_bytes_);
        } else {
            const auto& key = *spec_.transparent;
            for (int x = 0; x < spec_.width; ++x, rgb += 3, out += 4) {
                out[0] = rgb[0], out[1] = rgb[1], out[2] = rgb[2];
                out[3] = rgb[0] == key[0] && rgb[1] == key[1] && rgb[2] == key[2] ? 0 : 255;
            }
        }
        return ++pending_rows_ < kTileSide || Flush();
    }

    bool Finish() override {
        if (!Flush()) return false;
        if (rows_ != spec_.height) return Fail("rows missing from " + spec_.path);
        // GDAL 3.6's close reports nothing: a failed flush shows in the error state.
        CPLErrorReset();
        GDALClose(dataset_);
        dataset_ = nullptr;
        if (CPLGetLastErrorType() >= CE_Failure)
            return Fail("cannot write " + spec_.path + ": " + GdalReason());
        if (!Platform::RenamePath(temporary_, spec_.path))
            return Fail("cannot write " + spec_.path + ": " + Platform::LastErrorText());
        temporary_.clear();
        return true;
    }

private:
    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }

    static std::string GdalReason() {
        const char* message = CPLGetLastErrorMsg();
        return message != nullptr && *message != '\0' ? message : "GDAL failed";
    }

    bool Flush() {
        if (pending_rows_ == 0) return true;
        CPLErrorReset();
        const CPLErr status = GDALDatasetRasterIO(
            dataset_, GF_Write, 0, rows_, spec_.width, pending_rows_, pending_.data(), spec_.width,
            pending_rows_, GDT_Byte, bands_, nullptr, bands_, static_cast<int>(row_bytes_), 1);
        rows_ += pending_rows_;
        pending_rows_ = 0;
        if (status != CE_None) return Fail("cannot write " + spec_.path + ": " + GdalReason());
        return true;
    }

    PictureSpec spec_;
    int bands_;
    size_t row_bytes_;
    std::string temporary_;
    GDALDatasetH dataset_ = nullptr;
    std::vector<uint8_t> pending_;  // up to a tile row of pixel-interleaved rows
    int pending_rows_ = 0;
    int rows_ = 0;  // rows handed to GDAL
};

}  // namespace

std::unique_ptr<PictureWriter> OpenGeoTiffWriter(const PictureSpec& spec, std::string& error) {
    auto writer = std::make_unique<GeoTiffWriter>(spec);
    if (!writer->Start()) {
        error = writer->Error();
        return nullptr;
    }
    return writer;
}

}  // namespace Tarn::Tools
