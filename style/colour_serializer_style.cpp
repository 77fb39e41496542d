// ColourSerializer: writing and reading the render style (RenderStyle and its channel elements).
#include "style/colour_serializer.h"
#include "style/ghx_operation.h"
#include "style/ghx_values.h"
#include "system/text_utils.h"

namespace Tarn::Colour {
namespace {

using Xml::XmlElement;

constexpr Ghx::WriteSite kStyleWriteSite{u"Tarn::Colour::ColourSerializer::SerializeRenderStyle",
                                         785, 789};

void WriteChannel(XmlElement& element, const StyleChannel& channel) {
    Ghx::SetAttribute(element, "field", Ghx::FormatUnsigned(channel.field));
    Ghx::SetAttribute(element, "band", Ghx::FormatUnsigned(channel.band));
    Ghx::SetAttribute(element, "name", channel.name);
}

void WriteRenderStyle(XmlElement& colour, const RenderStyleSettings& settings) {
    XmlElement& style = *colour.Child("RenderStyle", true);
    switch (settings.kind) {
        case kRenderStyleRgb: {
            // value before Underviews: a new element lists them in that order.
            Ghx::SetAttribute(style, "value", "RGB");
            Xml::SetIntAttribute(style, "Underviews", settings.underviews);
            XmlElement& rgb = *style.Child("RGB", true);
            WriteChannel(*rgb.Child("Red", true), settings.red);
            WriteChannel(*rgb.Child("Green", true), settings.green);
            WriteChannel(*rgb.Child("Blue", true), settings.blue);
            break;
        }
        case kRenderStylePalette:
            Ghx::SetAttribute(style, "value", "Palette");
            // A Palette style gets no Underviews of its own, but one left from an earlier style
            // would otherwise be read back in place of the value written now.
            if (style.Attribute("Underviews") != nullptr) {
                Xml::SetIntAttribute(style, "Underviews", settings.underviews);
            }
            WriteChannel(*style.Child("Palette", true), settings.channel);
            break;
        case kRenderStyleGreyScale:
            // Written as what it is: as "Pseudo" it would come back coloured and shaded.
            Ghx::SetAttribute(style, "value", "GreyScale");
            Xml::SetIntAttribute(style, "Underviews", settings.underviews);
            WriteChannel(*style.Child("GreyScale", true), settings.channel);
            break;
        default:
            Ghx::SetAttribute(style, "value", "Pseudo");
            Xml::SetIntAttribute(style, "Underviews", settings.underviews);
            WriteChannel(*style.Child("Pseudo", true), settings.channel);
            break;
    }
}

uint8_t KindFromValue(std::string_view value) {
    if (System::EqualsNoCase(value, "RGB")) return kRenderStyleRgb;
    if (System::EqualsNoCase(value, "Palette")) return kRenderStylePalette;
    if (System::EqualsNoCase(value, "GreyScale")) return kRenderStyleGreyScale;
    return kRenderStylePseudo;
}

// A missing channel element leaves the channel as the caller set it.
void ReadChannel(XmlElement* element, StyleChannel& channel) {
    if (element == nullptr) return;
    channel.field = static_cast<uint32_t>(Ghx::AttributeInt(*element, "field"));
    channel.band = static_cast<uint32_t>(Ghx::AttributeInt(*element, "band"));
    channel.name = Ghx::AttributeText(*element, "name");
    if (const Xml::XmlAttribute* start = element->Attribute("startevent")) {
        channel.start_event = Ghx::ParseInt64(start->Value());
    }
    if (const Xml::XmlAttribute* end = element->Attribute("endevent")) {
        channel.end_event = Ghx::ParseInt64(end->Value());
    }
}

XmlElement& RequireChild(XmlElement* parent, std::string_view name) {
    XmlElement* child = parent != nullptr ? parent->Child(name) : nullptr;
    if (child == nullptr) Ghx::Raise(kStyleElementMissing);
    return *child;
}

void ReadRenderStyle(Xml::XmlDocument& document, RenderStyleSettings& settings) {
    XmlElement& colour = RequireChild(&RequireChild(document.Root(), "RasterHandler"), "Colour");
    // Unlike colour information, a style needs its version stated.
    const Xml::XmlAttribute* version = colour.Attribute("version");
    if (version == nullptr || version->IntValue() != 1) Ghx::Raise(kStyleWrongVersion);
    XmlElement& style = RequireChild(&colour, "RenderStyle");

    settings.kind = KindFromValue(Ghx::AttributeText(style, "value"));
    if (const Xml::XmlAttribute* underviews = style.Attribute("Underviews")) {
        settings.underviews = underviews->IntValue();
    }
    switch (settings.kind) {
        case kRenderStyleRgb: {
            XmlElement& rgb = RequireChild(&style, "RGB");
            if (XmlElement* null_colour = rgb.Child("NullColour")) {
                settings.rgb_null_colour_on = Ghx::AttributeBool(*null_colour, "visible");
                if (settings.rgb_null_colour_on) {
                    settings.rgb_null_colour = Ghx::ReadColourAttributes(*null_colour);
                }
            }
            ReadChannel(rgb.Child("Red"), settings.red);
            ReadChannel(rgb.Child("Green"), settings.green);
            ReadChannel(rgb.Child("Blue"), settings.blue);
            break;
        }
        case kRenderStylePalette:
            ReadChannel(style.Child("Palette"), settings.channel);
            break;
        case kRenderStyleGreyScale:
            ReadChannel(style.Child("GreyScale"), settings.channel);
            break;
        default:
            ReadChannel(style.Child("Pseudo"), settings.channel);
            break;
    }
}

}  // namespace

SerializerResult ColourSerializer::SerializeRenderStyle(
    std::u16string_view path, const RenderStyleSettings& settings) noexcept {
    return Ghx::RunOperation([&] {
        Xml::XmlDocument document;
        WriteRenderStyle(Ghx::OpenForWriting(document, path), settings);
        Ghx::FinishWrite(document, kStyleWriteSite);
        return SerializerResult{};
    });
}

SerializerResult ColourSerializer::DeserializeRenderStyle(std::u16string_view path,
                                                          RenderStyleSettings& settings) noexcept {
    return Ghx::RunOperation([&] {
        const std::u16string normalised = Ghx::NormalisedPath(path);
        if (!Ghx::FileExists(normalised)) Ghx::Raise(kStyleFileMissing);
        Xml::XmlDocument document;
        document.Load(normalised);
        ReadRenderStyle(document, settings);
        return SerializerResult{};
    });
}

}  // namespace Tarn::Colour
