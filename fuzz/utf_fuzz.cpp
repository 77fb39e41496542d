// UTF-8 and UTF-16 conversion: what converts must convert back unchanged, both ways.
#include <cstring>

#include "fuzz_support.h"

using namespace Tarn::System;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view narrow = Tarn::Fuzz::AsText(data, size);
    for (bool stop : {true, false}) {
        const std::u16string wide = Utf8ToWide(narrow, stop);
        RH_FUZZ_CHECK(Utf8ToWide(WideToUtf8(wide)) == wide);
    }
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    const std::string back = WideToUtf8(units);
    RH_FUZZ_CHECK(WideToUtf8(Utf8ToWide(back)) == back);
    return 0;
}
