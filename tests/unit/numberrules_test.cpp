// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "NumberRules.h"

namespace {

constexpr double kMax = std::numeric_limits<double>::max();

struct LeadingCase {
    std::string text;
    double expected;
};

class LeadingNumberTest : public testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingNumberTest, ReadsTheLongestNumericStart) {
    const LeadingCase& c = GetParam();
    const double value = LeadingNumber(c.text);
    EXPECT_DOUBLE_EQ(value, c.expected) << "text: \"" << c.text << "\"";
    EXPECT_FALSE(std::signbit(value) && value == 0.0) << "negative zero for \"" << c.text << "\"";
}

INSTANTIATE_TEST_SUITE_P(Texts, LeadingNumberTest,
                         testing::Values(
                             // nothing that reads as a number
                             LeadingCase{"", 0}, LeadingCase{"abc", 0}, LeadingCase{"-", 0}, LeadingCase{"+", 0},
                             LeadingCase{".", 0}, LeadingCase{"-.", 0}, LeadingCase{"+-1", 0}, LeadingCase{"--1", 0},
                             LeadingCase{"$5", 0}, LeadingCase{"e5", 0}, LeadingCase{"-0", 0}, LeadingCase{"-0.0e5", 0},
                             // decimal starts
                             LeadingCase{"07", 7}, LeadingCase{"5a", 5}, LeadingCase{"+7", 7},
                             LeadingCase{"-12abc", -12}, LeadingCase{".5", 0.5}, LeadingCase{"-.5", -0.5},
                             LeadingCase{"5.", 5}, LeadingCase{"1.2.3", 1.2}, LeadingCase{"0000.25", 0.25},
                             LeadingCase{"1,5", 1}, LeadingCase{"98.9999", 98.9999},
                             LeadingCase{"12345678901234567890", 12345678901234567890.0},
                             // blanks, tabs and line feeds count nowhere; a carriage return ends the number
                             LeadingCase{" 1 2 ", 12}, LeadingCase{"1\t2\n3", 123}, LeadingCase{"- 3", -3},
                             LeadingCase{"1 e 2", 100}, LeadingCase{"1\r2", 1},
                             // exponents: E only, and only with digits after it
                             LeadingCase{"1e2", 100}, LeadingCase{"1E+2", 100}, LeadingCase{"1e-2", 0.01},
                             LeadingCase{"2.5D1", 2.5}, LeadingCase{"1e", 1}, LeadingCase{"1e+", 1},
                             LeadingCase{"1ex", 1}, LeadingCase{"1E2.5", 100}, LeadingCase{".5e1", 5},
                             // beyond the range of double: the largest finite number, or zero for tiny ones
                             LeadingCase{"1e999", kMax}, LeadingCase{"-1e999", -kMax}, LeadingCase{"1e-999", 0},
                             LeadingCase{"0.000001e-320", 0}, LeadingCase{"1000e99999999999999999999", kMax},
                             LeadingCase{std::string(400, '9'), kMax},
                             // hexadecimal and octal
                             LeadingCase{"&H1F", 31}, LeadingCase{"&h1f", 31}, LeadingCase{"&HFFFF", 65535},
                             LeadingCase{"&H1G", 1}, LeadingCase{"&H", 0}, LeadingCase{"& H 1 0", 16},
                             LeadingCase{"&O17", 15}, LeadingCase{"&o8", 0}, LeadingCase{"&17", 0}, LeadingCase{"&", 0},
                             LeadingCase{"&X1", 0}, LeadingCase{"-&H10", 0},
                             LeadingCase{"&H" + std::string(300, 'F'), kMax}));

struct NormalCase {
    double number;
    std::string expected;
};

class NormalFormTest : public testing::TestWithParam<NormalCase> {};

TEST_P(NormalFormTest, WritesTheShortestDecimalText) { EXPECT_EQ(NormalForm(GetParam().number), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Numbers, NormalFormTest,
                         testing::Values(NormalCase{7, "7"}, NormalCase{-7, "-7"}, NormalCase{0.5, ".5"},
                                         NormalCase{-0.5, "-.5"}, NormalCase{0, "0"}, NormalCase{-0.0, "0"},
                                         NormalCase{100, "100"}, NormalCase{12.25, "12.25"}, NormalCase{0.1, ".1"},
                                         NormalCase{123456.789, "123456.789"}, NormalCase{0.00001, ".00001"},
                                         NormalCase{1e14, "100000000000000"}, NormalCase{1e15, "1E+15"},
                                         NormalCase{-2.5e20, "-2.5E+20"}, NormalCase{1.5e-7, "1.5E-07"},
                                         NormalCase{std::numeric_limits<double>::infinity(), "1.7976931348623157E+308"},
                                         NormalCase{std::numeric_limits<double>::quiet_NaN(), "0"}));

TEST(NumberRules, NormalFormReadsBackAsTheSameNumber) {
    for (double n : {0.5, 1.0 / 3, -2.0 / 3, 98.99999999999999, 1e-300, 5e-324, 1e300, -2.5e-6, 1e15, kMax, -kMax}) {
        const std::string text = NormalForm(n);
        EXPECT_EQ(LeadingNumber(text), n) << text;
    }
}

}  // namespace
