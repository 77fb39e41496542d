// Colour tables by name or path, and styling options applied to a render style document.
#include "tools/style_document.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "colour/colour_control.h"
#include "colour/colour_table_file.h"
#include "engine/settings.h"
#include "platform/file_system.h"
#include "platform/registry_files.h"
#include "style/colour_serializer.h"
#include "style/ghx_values.h"
#include "style/xml_document.h"
#include "style/xml_escape.h"
#include "system/text_utils.h"
#include "system/utf.h"
#include "tools/argument_parsing.h"
#include "tools/style_sandbox.h"

namespace Tarn::Tools {
namespace {

namespace fs = std::filesystem;
using Colour::ColourInfo;
using Colour::ColourSerializer;
using Colour::RenderStyleSettings;

constexpr const char* kTableExtensions[] = {".lut", ".tbl", ".clr", ".leg", ".vcp"};

bool IsTableFile(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(std::begin(kTableExtensions), std::end(kTableExtensions), extension) !=
           std::end(kTableExtensions);
}

std::string ShippedTables(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code failed;
    for (const auto& entry : fs::directory_iterator(directory, failed))
        if (IsTableFile(entry.path().string())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list.empty() ? "none in " + directory : list;
}

std::optional<std::string> FindTable(const std::string& directory, const std::string& name) {
    if (auto found = Platform::FindFileIgnoringCase(directory + "/" + name)) return found;
    for (const char* extension : kTableExtensions)
        if (auto found = Platform::FindFileIgnoringCase(directory + "/" + name + extension))
            return found;
    return std::nullopt;
}

bool TableReads(const std::string& path) {
    Colour::CColourControl control;
    return Colour::LoadColourTableFile(control, System::Utf8ToWide(path)).success &&
           !control.Table().empty();
}

// The transforms that colour a layout.
std::vector<std::string> ColouredTransforms(RenderStyleSettings& style) {
    if (style.kind == Colour::kRenderStyleRgb)
        return {style.red.name, style.green.name, style.blue.name};
    if (style.channel.name.empty()) style.channel.name = "Transform1";
    return {style.channel.name};
}

std::string KindWords(uint8_t kind) {
    switch (kind) {
        case Colour::kRenderStyleRgb:
            return "as red, green and blue bands";
        case Colour::kRenderStylePalette:
            return "through its own colour table";
        default:
            return "as one band through a colour table";
    }
}

}  // namespace

std::string PluginPaletteDirectory(const std::string& plugin_path) {
    const std::optional<std::string> setting =
        Platform::ReadRegistryStringUserFirst(Engine::RasterSettingsKey(), "ColorPalettes");
    if (setting && !setting->empty()) return *setting;
    const size_t slash = plugin_path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : plugin_path.substr(0, slash)) +
           "/ColorPalettes";
}

std::u16string PaletteFinder::Resolve(const std::string& value) {
    const auto status = Platform::StatPath(value);
    const bool is_path = value.find('/') != std::string::npos || (status && status->is_regular);
    if (is_path) {
        if (!status) throw UsageError("no colour table file " + value);
        if (!status->is_regular) throw UsageError("colour table " + value + " is not a file");
        if (!IsTableFile(value))
            throw UsageError("colour table " + value + " is not a LUT, TBL, CLR, LEG or VCP file");
        if (!TableReads(value)) throw UsageError("colour table " + value + " does not read");
        std::string error;
        if (sandbox_ == nullptr || !sandbox_->AddPalette(value, error))
            throw std::runtime_error(error);
        return System::Utf8ToWide(fs::path(value).filename().string());
    }
    const std::optional<std::string> found = FindTable(directory_, value);
    if (!found)
        throw UsageError("no colour table named " + value +
                         " (shipped: " + ShippedTables(directory_) + ")");
    if (!TableReads(*found)) throw UsageError("colour table " + *found + " does not read");
    return System::Utf8ToWide(fs::path(*found).filename().string());
}

std::string PaletteFinder::PathOf(const std::u16string& name) const {
    const std::string narrow = fs::path(System::WideToUtf8(name)).filename().string();
    if (sandbox_ != nullptr)
        if (auto found =
                Platform::FindFileIgnoringCase(sandbox_->PaletteDirectory() + "/" + narrow))
            return *found;
    return Platform::FindFileIgnoringCase(directory_ + "/" + narrow)
        .value_or(directory_ + "/" + narrow);
}

std::vector<Colour::PackedColour> PaletteFinder::Colours(const std::u16string& name) const {
    Colour::CColourControl control;
    std::vector<Colour::PackedColour> colours;
    if (!Colour::LoadColourTableFile(control, System::Utf8ToWide(PathOf(name))).success)
        return colours;
    for (const Colour::ColourTableEntry& entry : control.Table()) colours.push_back(entry.colour);
    return colours;
}

bool HasTransform(const std::string& document, const std::string& name) {
    Xml::XmlDocument xml;
    if (!xml.Load(System::Utf8ToWide(document))) return false;
    Xml::XmlElement* colour = ColourSerializer::ColourElement(xml, false);
    Xml::XmlElement* list = colour ? colour->Child("TransformsList") : nullptr;
    if (list == nullptr) return false;
    for (const auto& child : list->Children()) {
        if (Xml::XmlUnescape(child->Name()) == "Transform" &&
            System::EqualsNoCase(Colour::Ghx::AttributeText(*child, "name"), name))
            return true;
    }
    return false;
}

void ApplyStyleChanges(const std::string& document, std::vector<RequestedStyleChange> changes,
                       const RasterBandsView& bands) {
    // Each option sets its own part of the style, in the table's order.
    const auto& table = StyleOptions();
    std::stable_sort(changes.begin(), changes.end(), [&](const auto& a, const auto& b) {
        return a.option - table.data() < b.option - table.data();
    });
    const std::u16string path = System::Utf8ToWide(document);
    RenderStyleSettings style;
    if (!ColourSerializer::DeserializeRenderStyle(path, style).success)
        throw std::runtime_error("cannot read the style document " + document);

    bool layout_changed = false;
    bool colouring = false;
    for (const RequestedStyleChange& requested : changes) {
        if (requested.option->target != StyleTarget::kLayout) {
            colouring = true;
            continue;
        }
        StyleEdit edit{style, nullptr, bands};
        requested.change(edit);
        layout_changed = true;
    }
    if (colouring) {
        // Colouring a grey-scale band through a table makes it a coloured band.
        if (style.kind == Colour::kRenderStyleGreyScale) style.kind = Colour::kRenderStylePseudo;
        layout_changed = true;
    }
    const std::vector<std::string> transforms = ColouredTransforms(style);
    if (layout_changed && !ColourSerializer::SerializeRenderStyle(path, style).success)
        throw std::runtime_error("cannot write the style document " + document);
    if (!colouring) return;

    const unsigned scope =
        style.kind == Colour::kRenderStyleRgb ? kScopeChannels : kScopeSingleBand;
    for (const RequestedStyleChange& requested : changes) {
        if (requested.option->target == StyleTarget::kColouring &&
            (style.kind == Colour::kRenderStylePalette || !(requested.option->scope & scope)))
            throw UsageError(std::string(requested.option->name) +
                             " does not apply to a raster drawn " + KindWords(style.kind) +
                             (style.kind == Colour::kRenderStylePseudo ? "" : " (give --band N)"));
    }
    const bool palette_given = std::any_of(changes.begin(), changes.end(), [](const auto& r) {
        return std::string_view(r.option->name) == "--palette";
    });
    for (const std::string& name : transforms) {
        ColourInfo info;
        if (HasTransform(document, name)) {
            if (!ColourSerializer::DeserializeColourInfo(path, name, info).success)
                throw std::runtime_error("cannot read the style document " + document);
        } else if (scope == kScopeSingleBand) {
            info.palette_name = u"Pseudocolor.lut";
        }
        for (const RequestedStyleChange& requested : changes) {
            if (requested.option->target != StyleTarget::kColouring) continue;
            StyleEdit edit{style, &info, bands, palette_given};
            requested.change(edit);
        }
        if (!ColourSerializer::SerializeColourInfo(path, name, info, false, true).success)
            throw std::runtime_error("cannot write the style document " + document);
    }
}

}  // namespace Tarn::Tools
