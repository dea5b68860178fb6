// SPDX-License-Identifier: GPL-3.0-or-later
#include "Decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

namespace {

const std::string Max = "79228162514264337593543950335";  // 2^96 - 1

std::string Text(const std::optional<Decimal>& d) { return d ? d->Format('.') : "none"; }

// "a op b = result", M standing for the largest number; none for an overflow or a division by zero.
TEST(Decimal, ArithmeticGivesTheRoundedResultOrNothing) {
    const char* const cases[] = {"2 / 3 = 0.6666666666666666666666666667",
                                 "100 / 3 = 33.333333333333333333333333333",
                                 "0.0000000000000000000000000001 / 2 = 0",  // a tie goes to the even 0
                                 "0.0000000000000000000000000003 / 2 = 0.0000000000000000000000000002",
                                 "1 / 0 = none",
                                 "M / 10 = 7922816251426433759354395033.5",
                                 "0.00000000000015 * 0.000000000000001 = 0.0000000000000000000000000002",
                                 "M * 2 = none",
                                 "1.3333333333333333333333333333 * 85 = 113.33333333333333333333333333",
                                 "10000000000000000000000000000 + 0.5 = 10000000000000000000000000000",
                                 "10000000000000000000000000000 + 1.5 = 10000000000000000000000000002",
                                 "M + 0.5 = none",
                                 "-5 - -7.25 = 2.25",
                                 "1 - 1.0000000000000000000000000001 = -0.0000000000000000000000000001",
                                 "-M - 1 = none"};
    const std::map<std::string, std::optional<Decimal> (*)(const Decimal&, const Decimal&)> ops = {
        {"+", &Decimal::Add}, {"-", &Decimal::Subtract}, {"*", &Decimal::Multiply}, {"/", &Decimal::Divide}};
    for (const char* c : cases) {
        std::istringstream in(std::regex_replace(c, std::regex("M"), Max));
        std::string a, op, b, equals, expected;
        in >> a >> op >> b >> equals >> expected;
        const Decimal x = Decimal::Parse(a).value(), y = Decimal::Parse(b).value();
        EXPECT_EQ(Text(ops.at(op)(x, y)), expected) << c;
    }
    EXPECT_LT(*Decimal::Parse("-2"), *Decimal::Parse("-1.9999999999999999999999999999"));
}

TEST(Decimal, ParsesPlainNotationWithEitherSeparatorAndFormatsWithTheOneAsked) {
    const std::pair<std::string, std::string> cases[] = {
        {"1,5", "1.5"}, {" 2.50\t", "2.5"}, {"-0", "0"},     {"+3", "3"},       {".5", "0.5"},   {"5.", "5"},
        {"", "none"},   {".", "none"},      {"abc", "none"}, {"1.2.3", "none"}, {"1e5", "none"}, {"1 000", "none"}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(Text(Decimal::Parse(text)), expected) << '"' << text << '"';
    EXPECT_EQ(Text(Decimal::Parse("0.12345678901234567890123456785")), "0.1234567890123456789012345678");
    EXPECT_EQ(Text(Decimal::Parse("0.123456789012345678901234567850001")), "0.1234567890123456789012345679");
    EXPECT_EQ(Text(Decimal::Parse("79228162514264337593543950336")), "none");
    EXPECT_EQ(Decimal::Parse("-1234.5")->Format(','), "-1234,5");
}

TEST(Decimal, ConvertsFromDoublesAndToWholeNumbersAndDoubles) {
    const std::pair<double, const char*> doubles[] = {{0.1, "0.1"},   {-1.5, "-1.5"}, {1e-30, "0"},
                                                      {1e30, "none"}, {NAN, "none"},  {1.0 / 3, "0.333333333333333"}};
    for (const auto& [value, expected] : doubles) EXPECT_EQ(Text(Decimal::FromDouble(value)), expected) << value;
    EXPECT_EQ(Text(Decimal::FromDouble(123456789.123456789)), "123456789.123457");
    const std::pair<std::string, std::optional<std::int64_t>> wholes[] = {
        {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"-2.51", -3}, {"127.5", 128}, {Max, std::nullopt}};
    for (const auto& [text, expected] : wholes) EXPECT_EQ(Decimal::Parse(text)->RoundToInteger(), expected) << text;
    EXPECT_EQ(Decimal::Parse("0.4999999999999999999999999999")->RoundToInteger(), 0);
    EXPECT_DOUBLE_EQ(Decimal::Parse("0.3333333333333333333333333333")->ToDouble(), 1.0 / 3);
    EXPECT_DOUBLE_EQ(Decimal::Parse("-1234.5")->ToDouble(), -1234.5);
    EXPECT_DOUBLE_EQ(Decimal::Parse(Max)->ToDouble(), 7.9228162514264337593543950335e28);
}

}  // namespace
