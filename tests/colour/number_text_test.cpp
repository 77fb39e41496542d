// The locale-independent atoi and atof of the colour texts and table files.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "colour/number_text.h"

using namespace Tarn::Colour;

TEST(NumberText, IntegersReadLikeAtoi) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"42", 42},
        {"  -7x", -7},
        {"+3", 3},
        {"", 0},
        {"x1", 0},
        {"- 1", 0},
        {"1.9", 1},
        {"2147483648", INT32_MIN},
        {"4294967295", -1},
        {"99999999999999999999", -1},
        {"-99999999999999999999", 0},
        {"\t\n12", 12},
    };
    for (const Case& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << c.text;
    EXPECT_EQ(LeadingInteger64("4294967296"), int64_t{4294967296});
    EXPECT_EQ(LeadingInteger64("99999999999999999999"), INT64_MAX);
    EXPECT_EQ(LeadingInteger64("-99999999999999999999"), INT64_MIN);
}

TEST(NumberText, NumbersReadLikeAtofInAnyLocale) {
    // A decimal-comma locale must not change how "0.5" reads (skipped when not installed).
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    struct Case {
        const char* text;
        double value;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"0.5", 0.5},
        {" -2.5e2x", -250},
        {"+.25", 0.25},
        {"abc", 0},
        {"", 0},
        {"--1", 0},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e-400", 0},
        {"inf", inf},
        {"12,5", 12},
        {"0.0000001e-400", 0},
        {"123456789e-300", 1.23456789e-292},
        {"1e99999999999999999999", inf},
        {"0.001e-99999999999999999999", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isnan(LeadingNumber("nan")));
    std::setlocale(LC_NUMERIC, "C");
}

TEST(NumberText, StrictFormsAndLocaleIndependentFormatting) {
    struct Case {
        const char* text;
        bool starts_with_number;
        bool whole_number;
        bool whole_integer;
    };
    const Case cases[] = {
        {"12", true, true, true},      {"-7", true, true, true},
        {"+3", true, true, true},      {".5", true, true, false},
        {"-.5e2", true, true, false},  {"12abc", true, false, false},
        {" 1", true, false, false},    {"abc", false, false, false},
        {"", false, false, false},     {"-", false, false, false},
        {"inf", false, false, false},  {"nan", false, false, false},
        {"1e999", true, false, false}, {"99999999999999999999", true, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartsWithNumber(c.text), c.starts_with_number) << c.text;
        EXPECT_EQ(ParseWholeNumber(c.text).has_value(), c.whole_number) << c.text;
        EXPECT_EQ(ParseWholeInteger(c.text).has_value(), c.whole_integer) << c.text;
    }
    EXPECT_EQ(ParseWholeNumber("-2.5"), -2.5);
    EXPECT_EQ(ParseWholeInteger("+42"), 42);

    // The text block is read back anywhere: a decimal-comma locale must not leak into it.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(FormatNumber(0.1234567890123, 10), "0.123456789");
    EXPECT_EQ(FormatNumber(-1234.5, 10), "-1234.5");
    EXPECT_EQ(FormatNumber(1e21, 10), "1e+21");
    EXPECT_EQ(FormatNumber(16777215, 10), "16777215");
    EXPECT_EQ(FormatNumber(4294967295.0, 10), "4294967295");
    std::setlocale(LC_NUMERIC, "C");
}
