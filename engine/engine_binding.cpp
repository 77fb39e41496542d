// BindEngine, UnbindEngine and AppendToPath, with the binding lock and the unload hook.
#include "engine/engine_binding.h"

#include <mutex>
#include <string>

#include "engine/engine_table.h"
#include "engine/preferences.h"
#include "platform/dynamic_library.h"
#include "platform/library_lifetime.h"
#include "platform/process_env.h"
#include "system/stream_classes.h"
#include "system/utf.h"

namespace Tarn::Engine {
namespace {

constexpr const char* kEngineName = "KVRasterAPI";
constexpr const char* kUtilityName = "KVRasterUtility";

// Plain, not recursive: binding never re-enters itself.
std::mutex g_bind_mutex;

template <typename Fn>
void LookUp(void* library, const std::string& name, Fn& entry) {
    entry = reinterpret_cast<Fn>(Platform::FindSymbol(library, name.c_str()));
}

// The engine's operations under `prefix` ("KVR_" or "KVR_H_"); the cache size function exists
// only in the KVR_H_ set.
void LookUpEngine(EngineTable& t, const std::string& prefix) {
    void* const lib = t.engine_library;
    LookUp(lib, prefix + "OpenRasterReadOnly", t.OpenRasterReadOnly);
    LookUp(lib, prefix + "GetStatistics", t.GetStatistics);
    LookUp(lib, prefix + "ComputeStatistics", t.ComputeStatistics);
    LookUp(lib, prefix + "ReleaseStatistics", t.ReleaseStatistics);
    LookUp(lib, prefix + "ReleaseData", t.ReleaseData);
    LookUp(lib, prefix + "ReleaseRasterInfo", t.ReleaseRasterInfo);
    LookUp(lib, prefix + "VerifyRaster", t.VerifyRaster);
    LookUp(lib, prefix + "GetCellSize", t.GetCellSize);
    LookUp(lib, prefix + "GetOpenInfo", t.GetOpenInfo);
    LookUp(lib, prefix + "RasterInfo", t.RasterInfo);
    LookUp(lib, prefix + "CloseRaster", t.CloseRaster);
    LookUp(lib, prefix + "GetGridCellRange", t.GetGridCellRange);
    LookUp(lib, prefix + "GetCellRange", t.GetCellRange);
    LookUp(lib, prefix + "ConvertCellToWorld", t.ConvertCellToWorld);
    LookUp(lib, prefix + "PopulateCellBlock", t.PopulateCellBlock);
    LookUp(lib, prefix + "GetCS_EPSG", t.GetCS_EPSG);
    LookUp(lib, prefix + "FieldInfo", t.FieldInfo);
    LookUp(lib, prefix + "InfoLevelCount", t.InfoLevelCount);
    LookUp(lib, prefix + "LevelInfo", t.LevelInfo);
    LookUp(lib, prefix + "InfoBandCount", t.InfoBandCount);
    LookUp(lib, prefix + "SetOpenQualityLimit", t.SetOpenQualityLimit);
    LookUp(lib, prefix + "BandInfo", t.BandInfo);
    LookUp(lib, prefix + "GetGHXFilename", t.GetGHXFilename);
    LookUp(lib, prefix + "ReleaseString", t.ReleaseString);
    LookUp(lib, prefix + "GetErrorText", t.GetErrorText);
    LookUp(lib, prefix + "SetReadThreads", t.SetReadThreads);
    t.SetCacheSize = nullptr;
    if (prefix == "KVR_H_") LookUp(lib, prefix + "SetCacheSize", t.SetCacheSize);
}

// The entries a binding cannot do without. GetCS_EPSG is among them although nothing calls it:
// an engine without it is not one this plug-in was made for.
bool HasRequiredEntries(const EngineTable& t) {
    return t.OpenRasterReadOnly && t.GetStatistics && t.ComputeStatistics && t.VerifyRaster &&
           t.ReleaseData && t.ReleaseRasterInfo && t.ReleaseStatistics && t.GetOpenInfo &&
           t.RasterInfo && t.CloseRaster && t.GetCellSize && t.GetCS_EPSG && t.FieldInfo &&
           t.InfoLevelCount && t.LevelInfo && t.InfoBandCount && t.SetOpenQualityLimit &&
           t.BandInfo;
}

// Empties the engine's handle and entries, keeping the utility library's.
void ClearEngineEntries(EngineTable& t) {
    EngineTable cleared{};
    cleared.utility_library = t.utility_library;
    cleared.GetHandlerPrefs = t.GetHandlerPrefs;
    cleared.GetRasterProgramDir = t.GetRasterProgramDir;
    cleared.GetColourPalatteDir = t.GetColourPalatteDir;
    t = cleared;
}

bool BindEngineLibrary(EngineTable& t, const std::string& directory) {
    // An engine bound by an earlier call (whose utility library failed) is kept as it is.
    if (t.engine_library != nullptr) return true;
    t.engine_library =
        Platform::OpenLibrary(directory + "/" + Platform::LibraryFileName(kEngineName));
    if (t.engine_library == nullptr) return false;
    // Before any mode 0 binding the preferences are not available, so this is the KVR_ set.
    const bool h_names = ReadBindHNames();
    LookUpEngine(t, h_names ? "KVR_H_" : "KVR_");
    if (!HasRequiredEntries(t)) {
        // Refused for good: keeping the handle would let a later binding of the utility library
        // make the table look complete.
        Platform::CloseLibrary(t.engine_library);
        ClearEngineEntries(t);
        return false;
    }
    if (t.SetCacheSize != nullptr) t.SetCacheSize(static_cast<uint32_t>(ReadCacheSize()));
    System::RegisterStreamClasses();
    return true;
}

bool BindUtilityLibrary(EngineTable& t, const std::string& directory) {
    if (t.utility_library != nullptr && t.GetHandlerPrefs != nullptr) return true;
    if (t.utility_library == nullptr) {
        t.utility_library =
            Platform::OpenLibrary(directory + "/" + Platform::LibraryFileName(kUtilityName));
        if (t.utility_library == nullptr) return false;
    }
    // None of them is required: without GetHandlerPrefs the defaults apply.
    LookUp(t.utility_library, "GetHandlerPrefs", t.GetHandlerPrefs);
    LookUp(t.utility_library, "GetRasterProgramDir", t.GetRasterProgramDir);
    LookUp(t.utility_library, "GetColourPalatteDir", t.GetColourPalatteDir);
    return true;
}

// Makes a directory current and, on every way out, the previous one again.
class CurrentDirectorySwitch {
public:
    explicit CurrentDirectorySwitch(const std::string& directory)
        : saved_(Platform::CurrentDirectory()) {
        // When the current directory cannot be read it could not be restored: stay in it.
        if (!saved_.empty()) Platform::SetCurrentDirectory(directory);
    }
    ~CurrentDirectorySwitch() {
        if (!saved_.empty()) Platform::SetCurrentDirectory(saved_);
    }
    CurrentDirectorySwitch(const CurrentDirectorySwitch&) = delete;
    CurrentDirectorySwitch& operator=(const CurrentDirectorySwitch&) = delete;

private:
    std::string saved_;
};

// Frees the engine when the plug-in is unloaded (or the process ends).
__attribute__((destructor)) void UnbindAtUnload() {
    if (Platform::ProcessIsEnding()) return;
    try {
        UnbindEngine();
    } catch (...) {
        // Nothing leaves a library destructor; the process is letting the plug-in go anyway.
    }
}

}  // namespace

int BindEngine(std::u16string_view directory, int mode) {
    const std::lock_guard<std::mutex> lock(g_bind_mutex);
    EngineTable& t = MutableEngineTable();
    if (t.engine_library != nullptr && t.utility_library != nullptr) return 1;

    const std::string dir = System::WideToUtf8(directory);
    const CurrentDirectorySwitch in_directory(dir);
    AppendToPath(directory);
    if (mode != kBindUtility && mode != kBindEngineAndUtility) return 1;
    if (mode == kBindEngineAndUtility && !BindEngineLibrary(t, dir)) return 0;
    return BindUtilityLibrary(t, dir) ? 1 : 0;
}

void UnbindEngine() {
    const std::lock_guard<std::mutex> lock(g_bind_mutex);
    EngineTable& t = MutableEngineTable();
    if (t.engine_library == nullptr) return;
    Platform::CloseLibrary(t.engine_library);
    ClearEngineEntries(t);
}

void AppendToPath(std::u16string_view directory) {
    const std::string dir = System::WideToUtf8(directory);
    const std::string path = Platform::GetEnv("PATH").value_or("");
    // An empty element in PATH would stand for the current directory: never create one.
    Platform::SetEnv("PATH", path.empty() ? dir : path + Platform::PathListSeparator() + dir);
}

}  // namespace Tarn::Engine
