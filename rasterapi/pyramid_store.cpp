// Names in the cache directory, the build's temporary files, and eviction by last use.
#include "rasterapi/pyramid_store.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "platform/directory_files.h"
#include "platform/file_system.h"
#include "platform/temp_file.h"

namespace Tarn::RasterApi {
namespace {

constexpr const char* kEntryExtension = ".tif";
constexpr const char* kPartMarker = ".part-";
constexpr size_t kKeyLength = 32;
// A build writes all the time, so a temporary file untouched for this long is a leftover.
constexpr int64_t kLeftoverAgeNs = int64_t{3600} * 1000000000;

bool IsEntryName(const std::string& name) {
    return name.size() == kKeyLength + 4 && name.compare(kKeyLength, 4, kEntryExtension) == 0 &&
           std::all_of(name.begin(), name.begin() + kKeyLength,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsPartName(const std::string& name) {
    return name.size() > kKeyLength && name.compare(kKeyLength, 6, kPartMarker) == 0;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

PyramidStore::PyramidStore(std::string directory, int64_t cap_bytes)
    : directory_(std::move(directory)), cap_bytes_(cap_bytes) {}

std::string PyramidStore::EntryPath(const std::string& key) const {
    return directory_ + "/" + key + kEntryExtension;
}

GDALDatasetH PyramidStore::Open(const std::string& key) const {
    const std::string path = EntryPath(key);
    const std::optional<Platform::PathStatus> status = Platform::StatPath(path);
    if (!status || !status->is_regular) return nullptr;
    const char* drivers[] = {"GTiff", nullptr};
    GDALDatasetH pyramid =
        GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr);
    // A cache that cannot be written still serves; it only forgets the order of use.
    if (pyramid != nullptr) Platform::TouchFile(path);
    return pyramid;
}

bool PyramidStore::Build(
    const std::string& key,
    const std::function<std::optional<std::string>(const std::string& base)>& build) {
    if (directory_.empty() || !Platform::CreateDirectories(directory_)) return false;
    // Reserving the temporary name proves the directory writable before any work is done.
    const std::optional<std::string> base =
        Platform::CreateUniqueFile(directory_, key + kPartMarker);
    if (!base) return false;
    const std::optional<std::string> built = build(*base);
    const bool placed = built && Platform::RenamePath(*built, EntryPath(key));
    for (const std::string& file :
         {*base + ".vrt.ovr", *base + ".vrt.aux.xml", *base + ".vrt", *base})
        Platform::RemoveFile(file);
    if (placed) Evict(key);
    return placed;
}

void PyramidStore::Remove(const std::string& key) const {
    Platform::RemoveFile(EntryPath(key));
}

void PyramidStore::Evict(const std::string& keep) const {
    std::vector<Platform::DirectoryFile> entries;
    int64_t total = 0;
    const int64_t now = NowNs();
    for (Platform::DirectoryFile& file : Platform::ListDirectoryFiles(directory_)) {
        if (IsPartName(file.name)) {
            if (now - file.modification_time_ns > kLeftoverAgeNs &&
                Platform::RemoveFile(directory_ + "/" + file.name))
                continue;
            total += file.size;  // a build in progress, another process's perhaps
        } else if (IsEntryName(file.name)) {
            total += file.size;
            if (file.name.compare(0, kKeyLength, keep) != 0) entries.push_back(std::move(file));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.modification_time_ns < b.modification_time_ns;
    });
    for (const Platform::DirectoryFile& oldest : entries) {
        if (total <= cap_bytes_) break;
        if (Platform::RemoveFile(directory_ + "/" + oldest.name)) total -= oldest.size;
    }
}

}  // namespace Tarn::RasterApi
