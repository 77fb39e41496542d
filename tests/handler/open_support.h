// Shared by the opening tests: a built plug-in loaded with dlopen and driven as the host drives
// it, settings of the test's own (registry files, preferences file), fixture rasters written
// with GDAL, and the render style document read back.
#pragma once

#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "handler/handler_context.h"
#include "handler/rh_api.h"
#include "style/render_style_settings.h"

namespace open_test {

namespace fs = std::filesystem;

// A fresh directory below the test's temporary directory, removed with everything in it.
class Scratch {
public:
    explicit Scratch(const char* stem);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// An environment variable set for a scope: the old value (or its absence) comes back after,
// so that later cases of the program do not find a directory that is gone.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Points the registry hives and the user's configuration directory into `scratch`, with these
// string values under the raster settings key ("PreferencesFile", "ColorPalettes", ...).
void IsolateSettings(const fs::path& scratch,
                     const std::vector<std::pair<std::string, std::string>>& raster_values = {});

// Makes `scratch`/program holding the built plug-in, the real utility library and the stand-in
// engine of test-bin/fakes/`fake`, with settings isolated in `scratch` and the build's colour
// tables; returns the program directory.
fs::path ProgramWithStandInEngine(const fs::path& scratch, const char* fake);

// Writes a preferences file and names it in the registry (after IsolateSettings' other values).
void UsePreferences(const fs::path& scratch, const std::string& ini,
                    std::vector<std::pair<std::string, std::string>> raster_values = {});

// Fixture rasters. Georeferenced ones have 10 m cells with the top-left corner at (1000, 5000).
struct RasterOptions {
    int width = 8;
    int height = 6;
    bool georeferenced = true;
    int epsg = 32633;
};
// One Float32 band, cell (x, y) = x + 10 y.
void WriteDem(const fs::path& path, const RasterOptions& options = {});
// One Int16 band, cell (x, y) = x: a ramp whose neighbours differ by 1 across and 0 down.
void WriteRamp(const fs::path& path, int width, int height);
// One Byte band with a four-entry colour table.
void WritePaletteImage(const fs::path& path);
// `bands` Byte bands; three of them are interpreted red, green, blue.
void WriteImage(const fs::path& path, int bands);

// One Byte band with a grey colour interpretation: a scanned map, say.
void WriteGreyImage(const fs::path& path);
// `bands` Float32 bands, a time series: GDAL band b holds 100 b + x + 10 y.
void WriteSeries(const fs::path& path, int bands);
// A netCDF file of two 8 x 6 Float32 variables: "temperature" (x + 10 y) and "rainfall"
// (100 + x + 10 y), through GDAL's multidimensional interface.
void WriteTwoVariableNetcdf(const fs::path& path);

// The file's bytes.
std::string FileText(const fs::path& path);

// A ".grd" file: a 1024-byte header with these palette entries, then a few cells.
struct GridPaletteEntry {
    float value;
    unsigned char red, green, blue;
};
void WriteGridFile(const fs::path& path, const std::vector<GridPaletteEntry>& entries, bool shading,
                   unsigned char intensity_byte = 160, unsigned char ambient_byte = 60,
                   float azimuth = 315.0f, float elevation = 30.0f);

// The style document's render style and one transform, as the plug-in would read them.
Tarn::Colour::RenderStyleSettings ReadStyle(const fs::path& document);
Tarn::Colour::ColourInfo ReadTransform(const fs::path& document, const std::string& name);

// A plug-in loaded from `directory` (default: the build's bin directory, which holds the real
// engine, the utility library and ColorPalettes), with its thirteen exports.
class Plugin {
public:
    explicit Plugin(const fs::path& directory = RH_BIN_DIR,
                    const char* file = "KVRasterHandlerGDAL.rha");
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    bool Loaded() const { return library_ != nullptr; }
    void* Symbol(const char* name) const;

    // As the host does: identify, test the file, open it.
    int Open(HostRasterRecord& host, const fs::path& path) const;

    int (*Identify)(HandlerIdentity*) = nullptr;
    int (*IsFormat)(const char*) = nullptr;
    int (*IsFormatW)(const rh_wchar*) = nullptr;
    int (*OpenUtf8)(HostRasterRecord*, const char*, uint32_t) = nullptr;
    int (*OpenW)(HostRasterRecord*, const rh_wchar*, uint32_t) = nullptr;
    int (*GetCapabilities)(HostRasterRecord*, int*) = nullptr;
    int (*GetCoordinateSystem)(HostRasterRecord*, char**, int32_t) = nullptr;
    int (*StartDraw)(HostRasterRecord*, const DrawRect*, const DrawRect*, double, int*) = nullptr;
    int (*GetLine)(HostRasterRecord*, int32_t, uint8_t**, int16_t*) = nullptr;
    int (*GetBlock)(HostRasterRecord*, uint8_t**, DrawRect*) = nullptr;
    int (*EndDraw)(HostRasterRecord*) = nullptr;
    int (*Close)(HostRasterRecord*) = nullptr;
    int (*GetTransparentColour)(HostRasterRecord*, uint8_t*) = nullptr;

private:
    void* library_ = nullptr;
};

// The plug-in's context on the host record: the tests read what opening left in it.
inline const Tarn::Handler::HandlerContext& Context(const HostRasterRecord& host) {
    return *static_cast<const Tarn::Handler::HandlerContext*>(host.context);
}

// Moves a file's modification time by `nanoseconds` (which may be negative).
void ShiftModificationTime(const fs::path& path, int64_t nanoseconds);

// Runs `check` in a child process as the user nobody when this process is root, who may write
// into read-only directories; kUnavailable when that cannot be arranged.
using Tarn::Test::RunUnprivileged;
using Tarn::Test::Unprivileged;

}  // namespace open_test
