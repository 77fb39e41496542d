// ColourSerializer: locating the Colour element and deciding whether a document needs its
// default content.
#include "style/colour_serializer.h"

#include <utility>

#include "style/ghx_operation.h"

namespace Tarn::Colour {

Xml::XmlElement* ColourSerializer::ColourElement(Xml::XmlDocument& document, bool create,
                                                 SerializerResult* result) noexcept {
    Xml::XmlElement* colour = nullptr;
    SerializerResult outcome = Ghx::RunOperation([&] {
        colour = &Ghx::LocateColour(document, create);
        return SerializerResult{};
    });
    const bool found = outcome.success;
    if (result != nullptr) *result = std::move(outcome);
    return found ? colour : nullptr;
}

bool ColourSerializer::NeedsInitialisation(std::u16string_view path) noexcept {
    try {
        const std::u16string normalised = Ghx::NormalisedPath(path);
        if (!Ghx::FileExists(normalised)) return true;
        Xml::XmlDocument document;
        document.Load(normalised);
        Xml::XmlElement* root = document.Root();
        Xml::XmlElement* handler = root != nullptr ? root->Child("RasterHandler") : nullptr;
        Xml::XmlElement* colour = handler != nullptr ? handler->Child("Colour") : nullptr;
        return colour == nullptr || colour->Child("TransformsList") == nullptr;
    } catch (...) {
        // Undecided: false keeps the caller from writing defaults over a style it could not see.
        return false;
    }
}

}  // namespace Tarn::Colour
