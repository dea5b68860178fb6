// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "RegistryDatum.h"
#include "modRegistry.h"
#include "support/RegistryDatumPrinter.h"

namespace {

struct ConversionCase {
    const char* label;
    RegistryDatum datum;
    std::string text;
    std::int16_t small;
    bool flag;
    float position;
    bool equalsZero;
    bool equalsEmpty;
};

class Conversions : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversions, GiveWhatEachReaderExpects) {
    const auto& c = GetParam();
    EXPECT_EQ(AsText(c.datum), c.text);
    EXPECT_EQ(AsSmallInteger(c.datum), c.small);
    EXPECT_EQ(AsFlag(c.datum), c.flag);
    EXPECT_FLOAT_EQ(AsPosition(c.datum), c.position);
    EXPECT_EQ(EqualsNumberZero(c.datum), c.equalsZero);
    EXPECT_EQ(EqualsEmptyText(c.datum), c.equalsEmpty);
}

using D = RegistryDatum;
// Garbage, and numbers out of the small-integer range, convert as if the value were missing.
INSTANTIATE_TEST_SUITE_P(
    Datum, Conversions,
    testing::Values(ConversionCase{"empty", D(), "", 0, false, 0, true, true},
                    ConversionCase{"emptyText", D::Text(""), "", 0, false, 0, true, true},
                    ConversionCase{"ten", D::Text("10"), "10", 10, true, 10, false, false},
                    ConversionCase{"zero", D::Text("0"), "0", 0, false, 0, true, false},
                    ConversionCase{"zeroFraction", D::Text("0,0"), "0,0", 0, false, 0, true, false},
                    ConversionCase{"negative", D::Text("-3"), "-3", -3, true, -3, false, false},
                    ConversionCase{"blanksAround", D::Text(" 7 "), " 7 ", 7, true, 7, false, false},
                    ConversionCase{"halfToEvenDown", D::Text("10.5"), "10.5", 10, true, 10.5f, false, false},
                    ConversionCase{"halfToEvenUp", D::Text("11,5"), "11,5", 12, true, 11.5f, false, false},
                    ConversionCase{"exponent", D::Text("1.5e3"), "1.5e3", 1500, true, 1500, false, false},
                    ConversionCase{"trueWord", D::Text("True"), "True", 0, true, 0, true, false},
                    ConversionCase{"falseAnyCase", D::Text("fALSE"), "fALSE", 0, false, 0, true, false},
                    ConversionCase{"garbage", D::Text("abc"), "abc", 0, false, 0, true, false},
                    ConversionCase{"trailingGarbage", D::Text("12px"), "12px", 0, false, 0, true, false},
                    ConversionCase{"twoSeparators", D::Text("1.2.3"), "1.2.3", 0, false, 0, true, false},
                    ConversionCase{"infinityWord", D::Text("inf"), "inf", 0, false, 0, true, false},
                    ConversionCase{"aboveInt16", D::Text("32768"), "32768", 0, true, 32768, false, false},
                    ConversionCase{"roundsAboveInt16", D::Text("32767.5"), "32767.5", 0, true, 32767.5f, false, false},
                    ConversionCase{"lowestInt16", D::Text("-32768"), "-32768", -32768, true, -32768, false, false},
                    ConversionCase{"beyondFloat", D::Text("1e300"), "1e300", 0, true, 0, false, false},
                    ConversionCase{"integer", D::Integer(25), "25", 25, true, 25, false, false},
                    ConversionCase{"integerZero", D::Integer(0), "0", 0, false, 0, true, false},
                    ConversionCase{"integerNegative", D::Integer(-1), "-1", -1, true, -1, false, false},
                    ConversionCase{"integerAboveInt16", D::Integer(70000), "70000", 0, true, 70000, false, false}),
    [](const testing::TestParamInfo<ConversionCase>& tested) { return tested.param.label; });

TEST(ParseStoredNumber, AcceptsOnlyTheStoredForms) {
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const Case cases[] = {
        {"5", 5},    {"+5", 5},    {".5", 0.5}, {"5.", 5},       {"-0,25", -0.25}, {"2E-2", 0.02},
        {"\t8 ", 8}, {"", {}},     {" ", {}},   {".", {}},       {"-", {}},        {"1e", {}},
        {"1 2", {}}, {"0x10", {}}, {"nan", {}}, {"1,000.5", {}}, {"1e999", {}},    {"--1", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseStoredNumber(c.text), c.number) << '"' << c.text << '"';
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {-0.5, 0},  {-1.5, -2},
                                               {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {7, 7}};
    for (const auto& [in, out] : cases) EXPECT_EQ(RoundHalfEven(in), out) << in;
}

TEST(RegistryValue, TextForms) {
    struct Case {
        RegistryValue value;
        char separator;
        const char* text;
    };
    const Case cases[] = {
        {RegistryValue("Hello \"x\""), '.', "Hello \"x\""},
        {RegistryValue(10), '.', "10"},
        {RegistryValue(-3L), ',', "-3"},
        {RegistryValue(0.0), '.', "0"},
        {RegistryValue(-0.0), '.', "0"},
        {RegistryValue(1500.0f), '.', "1500"},
        {RegistryValue(12.5), ',', "12,5"},
        {RegistryValue(0.1f), '.', "0.1"},
        {RegistryValue(0.1), '.', "0.1"},
        {RegistryValue(1e20), '.', "100000000000000000000"},
        {RegistryValue(true), '.', "True"},
        {RegistryValue(false), ',', "False"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value.TextForm(c.separator), c.text);
}

TEST(RegistryValue, TextFormReadsBackToTheSameNumber) {
    for (float f : {0.1f, 1234.567f, -98.25f, 3.0e-5f, 1.0e10f}) {
        for (char separator : {'.', ','}) {
            const std::string text = RegistryValue(f).TextForm(separator);
            EXPECT_EQ(AsPosition(RegistryDatum::Text(text)), f) << text;
        }
    }
}

TEST(RegistryValue, DwordFormsRoundHalfToEvenAndSaturate) {
    const std::pair<RegistryValue, std::int32_t> cases[] = {
        {RegistryValue(25), 25},   {RegistryValue(2.5), 2},           {RegistryValue(-3.5f), -4},
        {RegistryValue(true), -1}, {RegistryValue(false), 0},         {RegistryValue("31,5"), 32},
        {RegistryValue("abc"), 0}, {RegistryValue(1e12), 2147483647}, {RegistryValue(-1e12), -2147483647 - 1}};
    for (const auto& [value, dword] : cases) EXPECT_EQ(value.DwordForm(), dword) << value.TextForm('.');
}

}  // namespace
