// Two 64-bit FNV-1a digests with different offsets over a text that spells the key out.
#include "rasterapi/pyramid_key.h"

#include <cpl_string.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/temp_file.h"

namespace Tarn::RasterApi {
namespace {

uint64_t Fnv1a(const std::string& text, uint64_t offset) {
    uint64_t hash = offset;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string FullPath(const std::string& path) {
    return std::filesystem::path(Platform::AbsolutePath(path)).lexically_normal().string();
}

// "path\nsize\nnanoseconds\n" of a regular file; nothing when it is not one.
std::optional<std::string> FileFacts(const std::string& path) {
    const std::optional<Platform::PathStatus> status = Platform::StatPath(path);
    if (!status || !status->is_regular) return std::nullopt;
    return FullPath(path) + "\n" + std::to_string(status->size) + "\n" +
           std::to_string(status->modification_time_ns) + "\n";
}

}  // namespace

std::optional<std::string> PyramidKey(GDALDatasetH dataset, const std::string& path) {
    std::optional<std::string> text = FileFacts(path);
    if (!text) return std::nullopt;
    // The files beside it (an .aux.xml, a mask, a VRT's sources) change the cells too.
    char** files = GDALGetFileList(dataset);
    for (int i = 0; files != nullptr && files[i] != nullptr; ++i) {
        const std::optional<std::string> facts = FileFacts(files[i]);
        if (!facts) {
            CSLDestroy(files);
            return std::nullopt;
        }
        *text += *facts;
    }
    CSLDestroy(files);
    *text += std::to_string(GDALGetRasterXSize(dataset)) + "x" +
             std::to_string(GDALGetRasterYSize(dataset));
    for (int b = 1; b <= GDALGetRasterCount(dataset); ++b)
        *text += " " + std::to_string(GDALGetRasterDataType(GDALGetRasterBand(dataset, b)));
    char name[33];
    std::snprintf(name, sizeof name, "%016llx%016llx",
                  static_cast<unsigned long long>(Fnv1a(*text, 0xcbf29ce484222325ULL)),
                  static_cast<unsigned long long>(Fnv1a(*text, 0x84222325cbf29ce4ULL)));
    return std::string(name);
}

}  // namespace Tarn::RasterApi
