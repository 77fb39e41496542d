// ColourSerializer: reads and writes the render style and the colour information of named
// transforms in the render style document (the GHX file beside a raster), below
// ghx / RasterHandler / Colour. Every operation loads the whole document, and a write saves it
// whole again, so content that other programs keep there survives. No exception leaves it.
#pragma once

#include <string>
#include <string_view>

#include "colour/colour_info.h"
#include "style/render_style_settings.h"
#include "style/serializer_result.h"
#include "style/xml_document.h"

namespace Tarn::Colour {

class ColourSerializer {
public:
    static SerializerResult SerializeRenderStyle(std::u16string_view path,
                                                 const RenderStyleSettings& settings) noexcept;
    // Writes the Transform named `transform_name` (matched ignoring case, appended when
    // missing). `write_default_style` first writes a Pseudo style naming this transform;
    // `write_null_colour` includes the NullColour element.
    static SerializerResult SerializeColourInfo(std::u16string_view path,
                                                std::string_view transform_name,
                                                const ColourInfo& info, bool write_default_style,
                                                bool write_null_colour) noexcept;

    // Both reads fill the caller's record in place: after a failure it keeps what was read.
    static SerializerResult DeserializeRenderStyle(std::u16string_view path,
                                                   RenderStyleSettings& settings) noexcept;
    // An empty name, or one that no Transform has, reads the first Transform.
    static SerializerResult DeserializeColourInfo(std::u16string_view path,
                                                  std::string_view transform_name,
                                                  ColourInfo& info) noexcept;

    // True when the file is missing or lacks RasterHandler / Colour / TransformsList.
    static bool NeedsInitialisation(std::u16string_view path) noexcept;

    // The Colour element below the root, which is renamed "ghx" when it has another name. With
    // `create` the path is built when missing and the version set to 1; without it a missing
    // element or a version other than 1 gives null and the code in `result`.
    static Xml::XmlElement* ColourElement(Xml::XmlDocument& document, bool create,
                                          SerializerResult* result = nullptr) noexcept;
};

}  // namespace Tarn::Colour
