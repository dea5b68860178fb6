// SPDX-License-Identifier: GPL-3.0-or-later
#include "Decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr const char* Max = "79228162514264337593543950335";  // 2^96 - 1

Decimal D(const char* text) {
    auto d = Decimal::Parse(text);
    EXPECT_TRUE(d) << text;
    return d.value_or(Decimal());
}

std::string Text(const std::optional<Decimal>& d) { return d ? d->Format('.') : "<none>"; }

struct ArithmeticCase {
    char op;
    const char* a;
    const char* b;
    const char* expected;  // "<none>": overflow or division by zero
};

class DecimalArithmetic : public ::testing::TestWithParam<ArithmeticCase> {};

TEST_P(DecimalArithmetic, GivesTheRoundedResultOrNothing) {
    const auto& c = GetParam();
    const Decimal a = D(c.a), b = D(c.b);
    std::optional<Decimal> r;
    switch (c.op) {
        case '+': r = Decimal::Add(a, b); break;
        case '-': r = Decimal::Subtract(a, b); break;
        case '*': r = Decimal::Multiply(a, b); break;
        case '/': r = Decimal::Divide(a, b); break;
    }
    EXPECT_EQ(Text(r), c.expected) << c.a << ' ' << c.op << ' ' << c.b;
}

using A = ArithmeticCase;
INSTANTIATE_TEST_SUITE_P(
    Table, DecimalArithmetic,
    ::testing::Values(
        A{'/', "1", "3", "0.3333333333333333333333333333"}, A{'/', "2", "3", "0.6666666666666666666666666667"},
        A{'/', "4.0", "3", "1.3333333333333333333333333333"}, A{'/', "100", "3", "33.333333333333333333333333333"},
        A{'/', "0.0000000000000000000000000001", "2", "0"},  // a tie goes to the even 0
        A{'/', "0.0000000000000000000000000003", "2", "0.0000000000000000000000000002"}, A{'/', "1", "0", "<none>"},
        A{'/', Max, "0.1", "<none>"}, A{'/', Max, "10", "7922816251426433759354395033.5"}, A{'*', "-2", "0.5", "-1"},
        A{'*', "0.00000000000015", "0.000000000000001", "0.0000000000000000000000000002"},
        A{'*', "7922816251426433759354395033.5", "10", Max}, A{'*', Max, "2", "<none>"},
        A{'*', "1.3333333333333333333333333333", "85", "113.33333333333333333333333333"}, A{'+', "1.1", "2.2", "3.3"},
        A{'+', "0.5", "-0.5", "0"}, A{'+', "10000000000000000000000000000", "0.5", "10000000000000000000000000000"},
        A{'+', "10000000000000000000000000000", "1.5", "10000000000000000000000000002"}, A{'+', Max, "0.4", Max},
        A{'+', Max, "0.5", "<none>"}, A{'-', "-5", "-7.25", "2.25"},
        A{'-', "1", "1.0000000000000000000000000001", "-0.0000000000000000000000000001"},
        A{'-', "-79228162514264337593543950335", "1", "<none>"}));

struct ParseCase {
    const char* text;
    const char* expected;  // "<none>": not a number
};

class DecimalParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DecimalParse, ReadsPlainNotationWithEitherSeparator) {
    EXPECT_EQ(Text(Decimal::Parse(GetParam().text)), GetParam().expected) << '"' << GetParam().text << '"';
}

using P = ParseCase;
INSTANTIATE_TEST_SUITE_P(Table, DecimalParse,
                         ::testing::Values(P{"1,5", "1.5"}, P{" 2.50\t", "2.5"}, P{"-0", "0"}, P{"+3", "3"},
                                           P{".5", "0.5"}, P{"5.", "5"},
                                           P{"1,3333333333333333333333333333", "1.3333333333333333333333333333"},
                                           P{"0.12345678901234567890123456785", "0.1234567890123456789012345678"},
                                           P{"0.123456789012345678901234567850001", "0.1234567890123456789012345679"},
                                           P{"0.00000000000000000000000000000000000000000000000009", "0"}, P{Max, Max},
                                           P{"79228162514264337593543950336", "<none>"}, P{"", "<none>"},
                                           P{".", "<none>"}, P{"abc", "<none>"}, P{"1.2.3", "<none>"},
                                           P{"1e5", "<none>"}, P{"1 000", "<none>"}));

TEST(Decimal, FormatThenParseGivesTheSameNumberWithEitherSeparator) {
    const Decimal third = *Decimal::Divide(Decimal::FromInteger(1), Decimal::FromInteger(3));
    for (const Decimal& x :
         {third, D(Max), D("-0.0000000000000000000000000001"), D("1234.5"), Decimal(), Decimal::FromInteger(-9850)})
        for (char sep : {'.', ','}) {
            const std::string text = x.Format(sep);
            EXPECT_EQ(text.find(sep == '.' ? ',' : '.'), std::string::npos) << text;
            EXPECT_EQ(Decimal::Parse(text), x) << text;
        }
    EXPECT_EQ(third.Format(','), "0,3333333333333333333333333333");
}

TEST(Decimal, FromDoubleKeepsFifteenSignificantDigits) {
    const std::pair<double, const char*> cases[] = {{2.0, "2"},
                                                    {0.1, "0.1"},
                                                    {1.0 / 3, "0.333333333333333"},
                                                    {0.75, "0.75"},
                                                    {-1.5, "-1.5"},
                                                    {1e-30, "0"},
                                                    {123456789.123456789, "123456789.123457"},
                                                    {7e28, "70000000000000000000000000000"},
                                                    {1e30, "<none>"},
                                                    {std::numeric_limits<double>::infinity(), "<none>"},
                                                    {std::nan(""), "<none>"}};
    for (const auto& [value, expected] : cases) EXPECT_EQ(Text(Decimal::FromDouble(value)), expected) << value;
}

TEST(Decimal, RoundsToWholeNumbersHalfToEvenAndConvertsToDouble) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {{"2.5", 2},
                                                                         {"3.5", 4},
                                                                         {"-2.5", -2},
                                                                         {"-2.51", -3},
                                                                         {"113.33333333333333333333333333", 113},
                                                                         {"127.5", 128},
                                                                         {"0.4999999999999999999999999999", 0},
                                                                         {Max, std::nullopt}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(D(text).RoundToInteger(), expected) << text;

    EXPECT_DOUBLE_EQ(D("0.3333333333333333333333333333").ToDouble(), 1.0 / 3);
    EXPECT_DOUBLE_EQ(D("-1234.5").ToDouble(), -1234.5);
    EXPECT_DOUBLE_EQ(D(Max).ToDouble(), 7.9228162514264337593543950335e28);
}

TEST(Decimal, ComparesByValue) {
    EXPECT_LT(D("-2"), D("-1.9999999999999999999999999999"));
    EXPECT_LT(D("0.3333333333333333333333333333"), D("0.3333333333333333333333333334"));
    EXPECT_GT(D(Max), D("7922816251426433759354395033.5"));
}

}  // namespace
