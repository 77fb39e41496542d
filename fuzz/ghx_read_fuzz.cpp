// The render style document beside a raster, read as the handler reads it when it opens one.
#include "colour/colour_info.h"
#include "fuzz_support.h"
#include "style/colour_serializer.h"

using Tarn::Colour::ColourSerializer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string path = Tarn::Fuzz::InputFile(".ghx", data, size);
    ColourSerializer::NeedsInitialisation(path);
    Tarn::Colour::RenderStyleSettings settings{};
    ColourSerializer::DeserializeRenderStyle(path, settings);
    Tarn::Colour::ColourInfo info{};
    ColourSerializer::DeserializeColourInfo(path, "", info);
    return 0;
}
