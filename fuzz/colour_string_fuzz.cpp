// Colour strings and the number texts the table formats and the style document read. Besides
// surviving any text, a number the writer formats must read back as itself.
#include <cmath>

#include "colour/colour_string.h"
#include "colour/number_text.h"
#include "fuzz_support.h"

using namespace Tarn::Colour;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = Tarn::Fuzz::AsText(data, size);
    ParseColourString(text);
    LeadingInteger64(text);
    LeadingInteger(text);
    StartsWithNumber(text);
    ParseWholeInteger(text);
    const double leading = LeadingNumber(text);
    if (std::isfinite(leading)) {
        RH_FUZZ_CHECK(ParseWholeNumber(FormatNumber(leading, 17)) == leading);
    }
    if (const auto whole = ParseWholeNumber(text)) {
        RH_FUZZ_CHECK(ParseWholeNumber(FormatNumber(*whole, 17)) == *whole);
    }
    return 0;
}
