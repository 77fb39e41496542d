// The sandbox's directory, its registry copy and where the plug-in keeps documents.
#include "tools/style_sandbox.h"

#include <filesystem>

#include "engine/settings.h"
#include "handler/style_path.h"
#include "platform/file_contents.h"
#include "platform/file_system.h"
#include "platform/process_env.h"
#include "platform/registry_files.h"
#include "platform/temp_file.h"
#include "system/utf.h"
#include "tools/world_file.h"

namespace Tarn::Tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUserRegistryVariable = "CORVANE_USER_REG";

std::string StyleFileName(const std::string& raster) {
    const size_t slash = raster.rfind('/');
    std::string name = slash == std::string::npos ? raster : raster.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name[dot] = '_';
    return name + ".ghx";
}

}  // namespace

std::string StyleDocumentBeside(const std::string& raster) {
    const size_t slash = raster.rfind('/');
    return (slash == std::string::npos ? "" : raster.substr(0, slash + 1)) + StyleFileName(raster);
}

std::optional<std::string> StyleDocumentInUse(const std::string& raster) {
    const std::string beside = StyleDocumentBeside(raster);
    if (Platform::StatPath(beside)) return beside;
    const std::string in_temp = System::WideToUtf8(Handler::StylePathInTemp(
        System::Utf8ToWide(raster), System::Utf8ToWide(StyleFileName(raster))));
    if (Platform::StatPath(in_temp)) return in_temp;
    return std::nullopt;
}

std::unique_ptr<StyleSandbox> StyleSandbox::Create(std::string& error) {
    std::unique_ptr<StyleSandbox> sandbox(new StyleSandbox);
    // The unique file reserves the name; the directory beside it takes the name with ".d".
    const std::optional<std::string> reserved =
        Platform::CreateUniqueFile(Platform::TempDirectory(), "rhtool-style-");
    std::error_code failed;
    if (!reserved || !fs::create_directory(*reserved + ".d", failed)) {
        if (reserved) Platform::RemoveFile(*reserved);
        error = "cannot make a temporary directory in " + Platform::TempDirectory();
        return nullptr;
    }
    sandbox->reserved_ = *reserved;
    sandbox->directory_ = *reserved + ".d";
    sandbox->styles_ = sandbox->directory_ + "/styles";
    sandbox->palettes_ = sandbox->directory_ + "/palettes";
    sandbox->registry_ = sandbox->directory_ + "/user.reg";
    fs::create_directory(sandbox->styles_, failed);
    fs::create_directory(sandbox->palettes_, failed);

    // The user's settings stay as they are; the copy adds the style directory.
    const std::string user_registry =
        Platform::RegistryFilePath(Platform::RegistryHive::CurrentUser);
    const std::optional<std::string> contents = Platform::ReadFileContents(user_registry);
    if (contents && !WriteTextFile(sandbox->registry_, *contents, error)) return nullptr;
    sandbox->previous_registry_variable_ = Platform::GetEnv(kUserRegistryVariable);
    Platform::SetEnv(kUserRegistryVariable, sandbox->registry_);
    Platform::RegistryEditor editor;
    editor.SetString(Engine::HandlerSettingsKey(), "StyleDirectory", sandbox->styles_);
    if (!editor.Commit()) {
        error = "cannot write the plug-in's settings to " + sandbox->registry_;
        return nullptr;
    }
    return sandbox;
}

StyleSandbox::~StyleSandbox() {
    if (!registry_.empty())
        Platform::SetEnv(kUserRegistryVariable, previous_registry_variable_.value_or(""));
    std::error_code ignored;
    if (!directory_.empty()) fs::remove_all(directory_, ignored);
    if (!reserved_.empty()) Platform::RemoveFile(reserved_);
}

std::string StyleSandbox::DocumentFor(const std::string& raster) const {
    return styles_ + "/" + StyleFileName(raster);
}

bool StyleSandbox::AddPalette(const std::string& path, std::string& error) {
    // The plug-in reads the directory into 129 characters.
    if (palettes_.size() > 129) {
        error = "the temporary directory " + Platform::TempDirectory() +
                " has too long a path for the plug-in's palette setting (set TMPDIR)";
        return false;
    }
    const std::string target = palettes_ + "/" + fs::path(path).filename().string();
    std::error_code failed;
    if (!fs::copy_file(path, target, fs::copy_options::overwrite_existing, failed)) {
        error = "cannot copy " + path + ": " + failed.message();
        return false;
    }
    Platform::RegistryEditor editor;
    editor.SetString(Engine::RasterSettingsKey(), "ColorPalettes", palettes_);
    if (!editor.Commit()) {
        error = "cannot write the plug-in's settings to " + registry_;
        return false;
    }
    return true;
}

}  // namespace Tarn::Tools
