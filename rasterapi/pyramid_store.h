// The cache directory of pyramids. A complete pyramid is one file, "<key>.tif"; it is built
// under a temporary name ("<key>.part-XXXXXX" and GDAL's files beside it) and renamed only when
// complete, so a build cut short (a killed process, a full disk) never passes for a pyramid.
// Each use sets the file's modification time, and beyond the size cap the least recently used
// are removed. Leftovers of cut builds go once they are an hour old.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace Tarn::RasterApi {

class PyramidStore {
public:
    PyramidStore(std::string directory, int64_t cap_bytes);

    std::string EntryPath(const std::string& key) const;

    // The complete pyramid of `key`, opened read-only and marked as just used; null when there
    // is none.
    GDALDatasetH Open(const std::string& key) const;

    // Puts the file that `build(base)` makes (returning its path) in place as the pyramid of
    // `key`, then removes the least recently used pyramids beyond the cap. False, at once, when
    // the directory cannot be written, and when the build fails; nothing is left behind.
    bool Build(const std::string& key,
               const std::function<std::optional<std::string>(const std::string& base)>& build);

    void Remove(const std::string& key) const;

    // Removes the least recently used pyramids until the cache holds at most the cap, never
    // `keep`; and leftovers of builds cut short.
    void Evict(const std::string& keep) const;

private:
    std::string directory_;
    int64_t cap_bytes_;
};

}  // namespace Tarn::RasterApi
