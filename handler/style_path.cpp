// Deriving and placing the render style document's path.
#include "handler/style_path.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "engine/engine_calls.h"
#include "engine/settings.h"
#include "platform/file_stream_io.h"
#include "platform/file_system.h"
#include "platform/path_syntax.h"
#include "platform/temp_file.h"
#include "system/utf.h"

namespace Tarn::Handler {
namespace Kvr = Engine::Kvr;

namespace {

// Index just past the last directory separator, 0 when there is none. Windows names from the
// engine may use back-slashes; raster paths do only on Windows.
size_t NameStart(std::u16string_view path, bool back_slashes) {
    back_slashes = back_slashes || Platform::kBackslashSeparates;
    const size_t slash = path.find_last_of(back_slashes ? u"/\\" : u"/");
    return slash == std::u16string_view::npos ? 0 : slash + 1;
}

// Whether a file can be created in `directory` (tried with a unique name, removed again).
bool DirectoryTakesFiles(const std::string& directory) {
    const auto probe = Platform::CreateUniqueFile(directory, ".ghx-");
    if (!probe) return false;
    Platform::RemoveFile(*probe);
    return true;
}

}  // namespace

std::u16string StylePathBeside(std::u16string_view raster_path) {
    const size_t name = NameStart(raster_path, false);
    std::u16string path(raster_path);
    const size_t dot = path.find_last_of(u'.');
    if (dot != std::u16string::npos && dot >= name) path[dot] = u'_';
    return path + u".ghx";
}

void DeriveStyleFileName(HandlerContext& context, std::u16string_view raster_path) {
    kvr_wchar* text = nullptr;
    std::u16string suggested;
    if (Kvr::GetGHXFilename(context.raster_handle, &text) == 0 && text != nullptr) {
        const std::u16string_view whole(text);
        suggested = whole.substr(NameStart(whole, true));
    }
    if (text != nullptr) Kvr::ReleaseString(&text);
    if (suggested.empty()) {
        context.render_style_path = StylePathBeside(raster_path);
    } else {
        context.render_style_path =
            std::u16string(raster_path.substr(0, NameStart(raster_path, false))) + suggested;
    }
    if (const std::optional<std::u16string> directory = Engine::GetStyleDirectory()) {
        const std::u16string_view path = context.render_style_path;
        context.render_style_path =
            *directory + u"/" + std::u16string(path.substr(NameStart(path, false)));
    }
}

bool StylePlaceWritable(std::u16string_view path) {
    const std::string narrow = System::WideToUtf8(path);
    const size_t name = NameStart(path, false);
    const std::string directory =
        name == 0 ? "." : (name == 1 ? "/" : System::WideToUtf8(path.substr(0, name - 1)));
    if (const auto status = Platform::StatPath(narrow)) {
        if (!status->is_regular || !status->readable || !status->writable) return false;
        return DirectoryTakesFiles(directory);
    }
    std::FILE* file = Platform::OpenFileStream(narrow, Platform::FileDisposition::CreateNew,
                                               Platform::FileAccess::ReadWrite, "w+b");
    if (file == nullptr) return false;
    std::fclose(file);
    Platform::RemoveFile(narrow);
    return true;
}

std::u16string StylePathInTemp(std::u16string_view raster_path, std::u16string_view document) {
    // FNV-1a: short and stable across runs and builds; it tells paths apart, it guards nothing.
    const std::string absolute = Platform::AbsolutePath(System::WideToUtf8(raster_path));
    uint64_t digest = 0xcbf29ce484222325u;
    for (const char c : absolute) {
        digest ^= static_cast<unsigned char>(c);
        digest *= 0x100000001b3u;
    }
    const std::u16string_view name = document.substr(NameStart(document, false));
    const size_t dot = name.find_last_of(u'.');
    const std::u16string_view stem = name.substr(0, dot);
    const std::u16string_view extension =
        dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
    return System::Utf8ToWide(Platform::TempDirectory()) + u"/" + std::u16string(stem) + u"-" +
           System::Utf8ToWide(hex) + std::u16string(extension);
}

void PlaceStyleInTemp(HandlerContext& context) {
    context.render_style_path = StylePathInTemp(context.raster_path, context.render_style_path);
    context.delete_style_at_close = true;
}

}  // namespace Tarn::Handler
