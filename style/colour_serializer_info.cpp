// ColourSerializer: writing and reading the colour information of one named Transform
// (Description, and Reproduction for a user-defined mapping).
#include "style/colour_serializer.h"
#include "style/ghx_operation.h"
#include "style/ghx_values.h"
#include "style/xml_escape.h"
#include "system/text_utils.h"
#include "system/utf.h"

namespace Tarn::Colour {
namespace {

using Xml::XmlElement;

constexpr Ghx::WriteSite kInfoWriteSite{u"Tarn::Colour::ColourSerializer::SerializeColourInfo",
                                        1029, 1033};

// Datamapping says equal-area ("2") and HistogramType "1" for the interpolating table.
constexpr int kStoredEqualArea = 2;
constexpr int kHistogramInterpolating = 1;
// The Interpolate attribute that names a blend the RGB switch cannot.
constexpr std::string_view kColourSpace = "ColourSpace";

// The first Transform whose name equals `name` ignoring case.
XmlElement* FindTransform(XmlElement& list, std::string_view name) {
    for (const auto& child : list.Children()) {
        if (Xml::XmlUnescape(child->Name()) != "Transform") continue;
        if (System::EqualsNoCase(Ghx::AttributeText(*child, "name"), name)) return child.get();
    }
    return nullptr;
}

XmlElement* FirstTransform(XmlElement& list) {
    for (const auto& child : list.Children()) {
        if (Xml::XmlUnescape(child->Name()) == "Transform") return child.get();
    }
    return nullptr;
}

// A switch that is on is written; one that is off writes nothing, except that an element an
// earlier write left on is turned off, or it would read back on.
void WriteSwitchText(XmlElement& parent, std::string_view name, bool on) {
    if (on) {
        Ghx::SetChildText(parent, name, "true");
    } else if (XmlElement* old = parent.Child(name)) {
        old->SetText("false");
    }
}

void TurnOffEnable(XmlElement* element) {
    if (element != nullptr) Ghx::SetBoolAttribute(*element, "enable", false);
}

void WriteMapping(XmlElement& description, const ColourInfo& info) {
    XmlElement& mapping = *description.Child("Datamapping", true);
    if (info.transform_selector == kSelectInterpolatingTable) {
        mapping.SetText(Ghx::FormatInt(kStoredEqualArea));
        Xml::SetIntAttribute(mapping, "HistogramType", kHistogramInterpolating);
    } else {
        mapping.SetText(Ghx::FormatInt(info.transform_selector));
        // A HistogramType left from an interpolating table would turn "2" back into one.
        if (mapping.Attribute("HistogramType") != nullptr) {
            Xml::SetIntAttribute(mapping, "HistogramType", 0);
        }
    }
    if (info.range_limits_on) {
        XmlElement& bandpass = *description.Child("Bandpass", true);
        Ghx::SetBoolAttribute(bandpass, "enable", true);
        Ghx::SetChildText(bandpass, "BPType", Ghx::FormatInt(info.range_kind));
        Ghx::SetChildText(bandpass, "BP1", Ghx::FormatDouble(info.range_low));
        Ghx::SetChildText(bandpass, "BP2", Ghx::FormatDouble(info.range_high));
    } else {
        TurnOffEnable(description.Child("Bandpass"));
    }
    Ghx::SetChildText(description, "PaletteName", System::WideToUtf8(info.palette_name));
}

// Several lights go in an element of their own below the shading's, which builds that predate
// them keep on save and do not read: they draw the one light at Position and Inclination.
void WriteLights(XmlElement& hillshade, const std::vector<ShadingLight>& lights) {
    if (lights.empty()) {
        TurnOffEnable(hillshade.Child("Lights"));
        return;
    }
    XmlElement& element = *hillshade.Child("Lights", true);
    Ghx::SetBoolAttribute(element, "enable", true);
    element.ClearChildren();
    for (const ShadingLight& light : lights) {
        XmlElement& one = *element.AppendChild("Light");
        Ghx::SetAttribute(one, "Azimuth", Ghx::FormatDouble(light.azimuth));
        Ghx::SetAttribute(one, "Elevation", Ghx::FormatDouble(light.elevation));
        Ghx::SetAttribute(one, "Weight", Ghx::FormatDouble(light.weight));
    }
}

void WriteShading(XmlElement& description, const ShadingSettings& shading) {
    if (!shading.hillshade_on) {
        TurnOffEnable(description.Child("Hillshade"));
        return;
    }
    XmlElement& hillshade = *description.Child("Hillshade", true);
    Ghx::SetBoolAttribute(hillshade, "enable", true);
    Ghx::SetChildText(hillshade, "Position", Ghx::FormatDouble(shading.position));
    Ghx::SetChildText(hillshade, "Inclination", Ghx::FormatDouble(shading.inclination));
    Ghx::SetChildText(hillshade, "Intensity", Ghx::FormatDouble(shading.intensity));
    Ghx::SetChildText(hillshade, "Saturation", Ghx::FormatDouble(shading.saturation));
    Ghx::SetChildText(hillshade, "Shadow", Ghx::FormatDouble(shading.shadow));
    WriteLights(hillshade, shading.lights);
    if (!shading.highlights_on) {
        TurnOffEnable(hillshade.Child("Highlights"));
        return;
    }
    XmlElement& highlights = *hillshade.Child("Highlights", true);
    Ghx::SetBoolAttribute(highlights, "enable", true);
    Ghx::SetChildText(highlights, "Position", Ghx::FormatDouble(shading.highlight_position));
    Ghx::SetChildText(highlights, "Inclination", Ghx::FormatDouble(shading.highlight_inclination));
    Ghx::SetChildText(highlights, "Intensity", Ghx::FormatDouble(shading.highlight_intensity));
}

// Builds that predate Oklab read only the RGB switch: an Oklab blend turns it on, RGB being the
// nearer of their two, and names itself in ColourSpace, which they keep on save but do not read.
void WriteInterpolation(XmlElement& interpolate, int interpolation) {
    Ghx::SetBoolAttribute(interpolate, "RGB", interpolation != kRampHsl);
    if (interpolation == kRampOklab) {
        Ghx::SetAttribute(interpolate, kColourSpace, "OKLAB");
    } else if (interpolate.Attribute(kColourSpace) != nullptr) {
        // Left by an earlier Oklab write, it would read back as Oklab.
        Ghx::SetAttribute(interpolate, kColourSpace, interpolation == kRampHsl ? "HSL" : "RGB");
    }
}

// Without the element, or with the RGB switch off, HSL: an older build that turned the switch
// off asked for HSL, whatever ColourSpace still says.
int ReadInterpolation(XmlElement* interpolate) {
    if (interpolate == nullptr || !Ghx::AttributeBool(*interpolate, "RGB")) return kRampHsl;
    const bool oklab =
        System::EqualsNoCase(Ghx::AttributeText(*interpolate, kColourSpace), "OKLAB");
    return oklab ? kRampOklab : kRampRgb;
}

void WriteUserMapping(XmlElement& transform, const UserColourMapping& mapping) {
    XmlElement& reproduction = *transform.Child("Reproduction", true);
    XmlElement& interpolate = *reproduction.Child("Interpolate", true);
    Ghx::SetBoolAttribute(interpolate, "enable", mapping.interpolate);
    WriteInterpolation(interpolate, mapping.interpolation);
    Ghx::SetChildText(reproduction, "BreakType", Ghx::FormatInt(mapping.break_type));
    XmlElement& table = *reproduction.Child("ColourTable", true);
    table.ClearChildren();
    for (const UserColourPoint& entry : mapping.entries) {
        XmlElement& record = *table.AppendChild("record");
        Xml::SetValueAttribute(record, entry.value);
        Xml::SetIntAttribute(record, "r", PackedRed(entry.colour));
        Xml::SetIntAttribute(record, "g", PackedGreen(entry.colour));
        Xml::SetIntAttribute(record, "b", PackedBlue(entry.colour));
        // The table stores opacity where the colour holds transparency.
        Xml::SetIntAttribute(record, "a", 255 - PackedTransparency(entry.colour));
    }
}

void WriteColourInfo(XmlElement& colour, std::string_view name, const ColourInfo& info,
                     bool write_null_colour) {
    XmlElement& list = *colour.Child("TransformsList", true);
    XmlElement* transform = FindTransform(list, name);
    if (transform == nullptr) {
        transform = list.AppendChild("Transform");
        Ghx::SetAttribute(*transform, "name", name);
    }
    Ghx::SetBoolAttribute(*transform, "UserDefinedMapping", info.user_mapping_on);
    XmlElement& description = *transform->Child("Description", true);
    if (!info.user_mapping_on) WriteMapping(description, info);
    if (write_null_colour) {
        XmlElement& null_colour = *description.Child("NullColour", true);
        Ghx::SetBoolAttribute(null_colour, "visible", info.null_colour_on);
        Ghx::WriteColourAttributes(null_colour, info.null_colour);
    }
    WriteSwitchText(description, "ClipMinMaxColour", info.clip_to_null);
    WriteSwitchText(description, "Reverse", info.reverse);
    WriteShading(description, info.shading);
    if (info.user_mapping_on) WriteUserMapping(*transform, info.user_mapping);
}

void ReadMapping(XmlElement& description, ColourInfo& info) {
    int selector = 0;
    if (XmlElement* mapping = description.Child("Datamapping")) {
        selector = Ghx::ParseInt(mapping->Text());
        if (selector == kStoredEqualArea &&
            Ghx::AttributeInt(*mapping, "HistogramType") == kHistogramInterpolating) {
            selector = kSelectInterpolatingTable;
        } else if (selector == kSelectDirect) {
            if (const Xml::XmlAttribute* maximum = mapping->Attribute("DirectMax")) {
                info.direct_maximum = maximum->IntValue();
            }
        }
    }
    info.transform_selector = selector;
    if (XmlElement* bandpass = description.Child("Bandpass")) {
        info.range_limits_on = Ghx::AttributeBool(*bandpass, "enable");
        if (info.range_limits_on) {
            info.range_kind = Ghx::ChildInt(*bandpass, "BPType");
            info.range_low = Ghx::ChildDouble(*bandpass, "BP1");
            info.range_high = Ghx::ChildDouble(*bandpass, "BP2");
        }
    }
    if (const std::string palette = Ghx::ChildText(description, "PaletteName"); !palette.empty()) {
        info.palette_name = System::Utf8ToWide(palette);
    }
}

// The first eight lights with finite angles and a positive weight; the others are passed over.
std::vector<ShadingLight> ReadLights(XmlElement& hillshade) {
    std::vector<ShadingLight> lights;
    XmlElement* element = hillshade.Child("Lights");
    if (element == nullptr || !Ghx::AttributeBool(*element, "enable")) return lights;
    for (const auto& child : element->Children()) {
        if (lights.size() == kMaxShadingLights) break;
        if (child->Name() != "Light") continue;
        const auto azimuth = Ghx::ParseStrictDouble(Ghx::AttributeText(*child, "Azimuth"));
        const auto elevation = Ghx::ParseStrictDouble(Ghx::AttributeText(*child, "Elevation"));
        const auto weight = Ghx::ParseStrictDouble(Ghx::AttributeText(*child, "Weight"));
        if (!azimuth || !elevation || !weight || !(*weight > 0.0)) continue;
        lights.push_back({*azimuth, *elevation, *weight});
    }
    return lights;
}

void ReadShading(XmlElement& description, ShadingSettings& shading) {
    XmlElement* hillshade = description.Child("Hillshade");
    if (hillshade == nullptr) return;
    shading.hillshade_on = Ghx::AttributeBool(*hillshade, "enable");
    shading.position = Ghx::ChildDouble(*hillshade, "Position");
    shading.inclination = Ghx::ChildDouble(*hillshade, "Inclination");
    shading.intensity = Ghx::ChildDouble(*hillshade, "Intensity");
    shading.saturation = Ghx::ChildDouble(*hillshade, "Saturation");
    shading.shadow = Ghx::ChildDouble(*hillshade, "Shadow");
    shading.lights = ReadLights(*hillshade);
    XmlElement* highlights = hillshade->Child("Highlights");
    if (highlights == nullptr) return;
    shading.highlights_on = Ghx::AttributeBool(*highlights, "enable");
    if (shading.highlights_on) {
        shading.highlight_position = Ghx::ChildDouble(*highlights, "Position");
        shading.highlight_inclination = Ghx::ChildDouble(*highlights, "Inclination");
        shading.highlight_intensity = Ghx::ChildDouble(*highlights, "Intensity");
    }
}

// An absent element leaves the flag and colour as they were.
void ReadColourSwitch(XmlElement& description, std::string_view name, bool& on,
                      PackedColour& colour) {
    XmlElement* element = description.Child(name);
    if (element == nullptr) return;
    on = Ghx::AttributeBool(*element, "visible");
    if (on) colour = Ghx::ReadColourAttributes(*element);
}

// Problems here end the user mapping only: what was read stays and the read succeeds.
void ReadUserMapping(XmlElement& transform, UserColourMapping& mapping) {
    mapping.entries.clear();
    XmlElement* reproduction = transform.Child("Reproduction");
    if (reproduction == nullptr) return;
    XmlElement* interpolate = reproduction->Child("Interpolate");
    mapping.interpolate = interpolate != nullptr && Ghx::AttributeBool(*interpolate, "enable");
    mapping.interpolation = ReadInterpolation(interpolate);
    mapping.break_type = Ghx::ChildInt(*reproduction, "BreakType");
    XmlElement* table = reproduction->Child("ColourTable");
    if (table == nullptr) return;
    for (const auto& record : table->Children()) {
        const std::optional<double> value =
            Ghx::ParseStrictDouble(Ghx::AttributeText(*record, "value"));
        if (!value) return;
        const PackedColour stored = Ghx::ReadColourAttributes(*record);
        // The table stores opacity where the colour holds transparency.
        mapping.entries.push_back(
            {*value, PackColour(PackedRed(stored), PackedGreen(stored), PackedBlue(stored),
                                255 - PackedTransparency(stored))});
    }
}

void ReadColourInfo(Xml::XmlDocument& document, std::string_view name, ColourInfo& info) {
    XmlElement& colour = Ghx::LocateColour(document, false);
    XmlElement* list = colour.Child("TransformsList");
    if (list == nullptr) Ghx::Raise(kStyleElementMissing);
    XmlElement* transform = name.empty() ? nullptr : FindTransform(*list, name);
    if (transform == nullptr) transform = FirstTransform(*list);
    if (transform == nullptr) Ghx::Raise(kStyleElementMissing);

    info.user_mapping_on = Ghx::AttributeBool(*transform, "UserDefinedMapping");
    XmlElement* description = transform->Child("Description");
    if (description == nullptr) Ghx::Raise(kStyleElementMissing);
    if (!info.user_mapping_on) ReadMapping(*description, info);
    ReadShading(*description, info.shading);
    ReadColourSwitch(*description, "NullColour", info.null_colour_on, info.null_colour);
    ReadColourSwitch(*description, "TransparentColour", info.transparent_colour_on,
                     info.transparent_colour);
    info.reverse = Ghx::ChildBool(*description, "Reverse");
    info.clip_to_null = Ghx::ChildBool(*description, "ClipMinMaxColour");
    if (info.user_mapping_on) ReadUserMapping(*transform, info.user_mapping);
}

// What a read starts from where the document is silent.
void ResetForReading(ColourInfo& info) {
    info.range_limits_on = false;
    info.shading.hillshade_on = false;
    info.shading.highlights_on = false;
    info.reverse = false;
    info.user_mapping_on = false;
    info.range_kind = 1;
    info.range_low = 0.05;
    info.range_high = 0.95;
}

}  // namespace

SerializerResult ColourSerializer::SerializeColourInfo(std::u16string_view path,
                                                       std::string_view transform_name,
                                                       const ColourInfo& info,
                                                       bool write_default_style,
                                                       bool write_null_colour) noexcept {
    return Ghx::RunOperation([&] {
        if (write_default_style) {
            RenderStyleSettings style;
            style.channel.name = std::string(transform_name);
            // The colour information would go to the same file and fail the same way.
            SerializerResult written = SerializeRenderStyle(path, style);
            if (!written.success) return written;
        }
        Xml::XmlDocument document;
        WriteColourInfo(Ghx::OpenForWriting(document, path), transform_name, info,
                        write_null_colour);
        Ghx::FinishWrite(document, kInfoWriteSite);
        return SerializerResult{};
    });
}

SerializerResult ColourSerializer::DeserializeColourInfo(std::u16string_view path,
                                                         std::string_view transform_name,
                                                         ColourInfo& info) noexcept {
    return Ghx::RunOperation([&] {
        const std::u16string normalised = Ghx::NormalisedPath(path);
        // A missing file leaves the record untouched.
        if (!Ghx::FileExists(normalised)) Ghx::Raise(kStyleFileMissing);
        ResetForReading(info);
        Xml::XmlDocument document;
        document.Load(normalised);
        ReadColourInfo(document, transform_name, info);
        return SerializerResult{};
    });
}

}  // namespace Tarn::Colour
