// SPDX-License-Identifier: GPL-3.0-or-later
// How stored texts and typed-in texts become numbers, and numbers become stored texts.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "NumberRules.h"
#include "RegistryDatum.h"
#include "modRegistry.h"

namespace {

using D = RegistryDatum;
constexpr double kMax = std::numeric_limits<double>::max();

// Garbage, and numbers out of the small-integer range, convert as if the value were missing.
TEST(RegistryDatum, ConversionsGiveWhatEachReaderExpects) {
    const std::tuple<const char*, std::int16_t, bool, float> cases[] = {
        {"", 0, 0, 0},     {"12px", 0, 0, 0},  {" -3.4 ", -3, 1, -3.4f}, {"32768", 0, 1, 32768},
        {"0,0", 0, 0, 0},  {" True", 0, 1, 0}, {"1.5e3", 1500, 1, 1500}, {"32767.5", 0, 1, 32767.5f},
        {"inf", 0, 0, 0},  {"fALSE", 0, 0, 0}, {"10.5", 10, 1, 10.5f},   {"-32768", -32768, 1, -32768},
        {"10", 10, 1, 10}, {"1.2.3", 0, 0, 0}, {"11,5", 12, 1, 11.5f},   {"3.4028234663852886e38", 0, 1, FLT_MAX},
        {"1e300", 0, 1, 0}};
    const auto conversions = [](const D& d) {
        return std::tuple(AsSmallInteger(d), AsFlag(d), AsPosition(d), EqualsNumberZero(d), EqualsEmptyText(d));
    };
    for (const auto& [text, small, flag, position] : cases) {
        const bool zero = position == 0 && text != std::string("1e300");
        EXPECT_EQ(conversions(D::Text(text)), std::tuple(small, flag, position, zero, !*text)) << text;
    }
    EXPECT_EQ(AsText(D::Integer(-70000)), "-70000");  // a DWORD converts as its digits would
    EXPECT_EQ(conversions(D::Integer(-70000)), conversions(D::Text("-70000")));
}

TEST(RegistryValue, StoredNumbersAndTheirTextAndDwordForms) {
    const std::pair<const char*, std::optional<double>> stored[] = {
        {"5", 5},    {"+5", 5},    {".5", 0.5}, {"5.", 5},       {"-0,25", -0.25}, {"2E-2", 0.02},
        {"\t8 ", 8}, {"", {}},     {" ", {}},   {".", {}},       {"-", {}},        {"1e", {}},
        {"1 2", {}}, {"0x10", {}}, {"nan", {}}, {"1,000.5", {}}, {"1e999", {}},    {"--1", {}}};
    for (const auto& [text, number] : stored) EXPECT_EQ(ParseStoredNumber(text), number) << '"' << text << '"';
    const std::tuple<RegistryValue, char, const char*, std::int32_t> cases[] = {
        {10, '.', "10", 10},  {0.1, '.', "0.1", 0},    {true, '.', "True", -1},  {"31,5", '.', "31,5", 32},
        {-0.0, '.', "0", 0},  {0.1f, '.', "0.1", 0},   {-3.5f, '.', "-3.5", -4}, {"\"x\"", '.', "\"x\"", 0},
        {-3L, ',', "-3", -3}, {12.5, ',', "12,5", 12}, {false, ',', "False", 0}, {1500.0f, '.', "1500", 1500}};
    for (const auto& [value, separator, text, dword] : cases)
        EXPECT_EQ(std::pair(value.TextForm(separator), value.DwordForm()), std::pair(std::string(text), dword));
    EXPECT_EQ(std::pair(RegistryValue(HUGE_VAL).DwordForm(), RegistryValue(NAN).DwordForm()), std::pair(INT32_MAX, 0));
    EXPECT_EQ(RegistryValue(-1e12).DwordForm(), INT32_MIN);
    // Positions are floats: what is written in either notation reads back as the same float.
    for (float f : {0.1f, 1234.567f, -98.25f, 3.0e-5f, 1.0e10f})
        for (char separator : {'.', ','}) EXPECT_EQ(AsPosition(D::Text(RegistryValue(f).TextForm(separator))), f);
    // Persian U+066B: the readers take only '.' and ','.
    EXPECT_EQ(std::pair(StoredDecimalSeparator(","), StoredDecimalSeparator("\xd9\xab")), std::pair(',', '.'));
}

TEST(NumberRules, LeadingNumberAndNormalForm) {
    // Nothing that reads as a number; decimal starts, where blanks, tabs and line feeds count nowhere and a
    // carriage return ends the number; exponents (E only, with digits after it); beyond the range of double
    // the largest finite number, or zero for tiny ones; hexadecimal and octal.
    EXPECT_EQ(LeadingNumber(std::string(400, '9')), kMax);
    EXPECT_EQ(LeadingNumber("&H" + std::string(300, 'F')), kMax);
    EXPECT_EQ(LeadingNumber("1000e99999999999999999999"), kMax);
    const std::pair<const char*, double> texts[] = {
        {"", 0},   {"-0", 0}, {"abc", 0},  {"&X1", 0},   {"-&H10", 0},   {"1 e 2", 100},  {"1\t2\n3", 123},
        {"-", 0},  {"07", 7}, {"+-1", 0},  {"- 3", -3},  {"-0.0e5", 0},  {"1e-2", 0.01},  {"0000.25", 0.25},
        {".", 0},  {"5a", 5}, {"1,5", 1},  {"1\r2", 1},  {"-.5", -0.5},  {"2.5D1", 2.5},  {"-1e999", -kMax},
        {"&", 0},  {"+7", 7}, {"1e+", 1},  {".5e1", 5},  {" 1 2 ", 12},  {"1E2.5", 100},  {"&HFFFF", 65535},
        {"-.", 0}, {"5.", 5}, {"1ex", 1},  {"&H1G", 1},  {"1E+2", 100},  {"-12abc", -12}, {"98.9999", 98.9999},
        {"$5", 0}, {"1e", 1}, {"&o18", 1}, {"&h1f", 31}, {"1e-999", 0},  {"1e999", kMax}, {"0.000001e-320", 0},
        {"e5", 0}, {"&H", 0}, {"&17", 0},  {"&O17", 15}, {"1.2.3", 1.2}, {"& H 1 0", 16}};
    for (const auto& [text, number] : texts) {
        const double read = LeadingNumber(text);
        EXPECT_TRUE(read == number && std::signbit(read) == std::signbit(number)) << '"' << text << "\" " << read;
    }
    const std::pair<double, const char*> cases[] = {
        {7, "7"},      {-0.0, "0"},         {1e15, "1E+15"},          {1.5e-7, "1.5E-07"},   {123456.789, "123456.789"},
        {-7, "-7"},    {100, "100"},        {12.25, "12.25"},         {-2.5e20, "-2.5E+20"}, {0.5, ".5"},
        {-0.5, "-.5"}, {0.00001, ".00001"}, {1e14, "100000000000000"}};
    EXPECT_EQ(NormalForm(std::numeric_limits<double>::infinity()), "1.7976931348623157E+308");
    EXPECT_EQ(NormalForm(std::numeric_limits<double>::quiet_NaN()), "0");
    for (const auto& [number, text] : cases) EXPECT_EQ(NormalForm(number), text);
    for (double n : {1.0 / 3, -2.0 / 3, 98.99999999999999, 1e-300, 5e-324, 1e300, -2.5e-6, kMax, -kMax})
        EXPECT_EQ(LeadingNumber(NormalForm(n)), n) << NormalForm(n);
}

}  // namespace
