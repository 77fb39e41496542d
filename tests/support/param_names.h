// Names for value-parameterised cases that say what each case is: its index, then its printed
// parameter (PrintTo) as letters, digits and underscores.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace Tarn::Test {

struct PrintedName {
    template <typename Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        // The index keeps names unique where parameters differ only in punctuation.
        std::string name = std::to_string(info.index);
        bool gap = true;
        for (const char c : ::testing::PrintToString(info.param)) {
            if (name.size() >= 64) break;
            if (std::isalnum(static_cast<unsigned char>(c))) {
                if (gap) name += '_';
                name += c;
                gap = false;
            } else {
                gap = true;
            }
        }
        return name;
    }
};

}  // namespace Tarn::Test
