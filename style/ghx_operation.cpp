// Loading, locating, checking and saving for the render style document operations.
#include "style/ghx_operation.h"

#include "platform/file_system.h"
#include "style/xml_escape.h"
#include "system/file_path.h"
#include "system/message_log.h"
#include "system/text_utils.h"
#include "system/utf.h"

namespace Tarn::Colour::Ghx {
namespace {

constexpr std::u16string_view kSourceFile = u"ColourSerializer";

[[noreturn]] void RaiseAt(const WriteSite& site, int64_t line) {
    throw CKVRasterException(
        System::kMessageError, kStyleNoColourElement,
        System::SourceLocation::FromQualified(kSourceFile, site.qualified_function, line));
}

}  // namespace

std::u16string NormalisedPath(std::u16string_view path) {
    return File::FilePath(path).CombinedPath();
}

bool FileExists(const std::u16string& normalised_path) {
    return !normalised_path.empty() &&
           Platform::StatPath(System::WideToUtf8(normalised_path)).has_value();
}

Xml::XmlElement& OpenForWriting(Xml::XmlDocument& document, std::u16string_view path) {
    const std::u16string normalised = NormalisedPath(path);
    // The library reads a file it cannot read as the empty default document; saving that over
    // the file would throw away everything it holds.
    if (const auto status = Platform::StatPath(System::WideToUtf8(normalised));
        status && (!status->is_regular || !status->readable)) {
        Raise(kStyleUnexpectedFailure);
    }
    // A failed parse leaves no root, which LocateColour reports.
    document.Load(normalised);
    document.Prolog() = Xml::XmlProlog{Xml::XmlDocument::kDefaultDeclaration, {}};
    return LocateColour(document, true);
}

Xml::XmlElement& LocateColour(Xml::XmlDocument& document, bool create) {
    Xml::XmlElement* root = document.Root();
    if (root == nullptr) Raise(kStyleNoColourElement);
    if (!System::EqualsNoCase(Xml::XmlUnescape(root->Name()), "ghx")) root->SetElementName("ghx");

    Xml::XmlElement* handler = root->Child("RasterHandler", create);
    Xml::XmlElement* colour = handler != nullptr ? handler->Child("Colour", create) : nullptr;
    if (colour == nullptr) Raise(kStyleNoColourElement);
    if (create) {
        Xml::SetIntAttribute(*colour, "version", 1);
    } else if (const Xml::XmlAttribute* version = colour->Attribute("version");
               version != nullptr && version->IntValue() != 1) {
        Raise(kStyleWrongVersion);
    }
    return *colour;
}

void FinishWrite(Xml::XmlDocument& document, const WriteSite& site) {
    document.Root()->ApplyFormat(
        Xml::XmlFormat{.indent_with_spaces = false, .indent_width = 1, .inline_text = true});
    if (!document.Validate()) RaiseAt(site, site.check_line);
    document.Compact();
    if (!document.Save()) RaiseAt(site, site.save_line);
}

}  // namespace Tarn::Colour::Ghx
