// SPDX-License-Identifier: GPL-3.0-or-later
#include "Decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

const std::string Max = "79228162514264337593543950335";  // 2^96 - 1

std::string Text(const std::optional<Decimal>& d) { return d ? d->Format('.') : "none"; }

// "a op b = result", M standing for the largest number; none for an overflow or a division by zero.
TEST(Decimal, ComputesParsesFormatsAndConverts) {
    const std::map<std::string, std::optional<Decimal> (*)(const Decimal&, const Decimal&)> ops = {
        {"+", &Decimal::Add}, {"-", &Decimal::Subtract}, {"*", &Decimal::Multiply}, {"/", &Decimal::Divide}};
    for (const char* c : {"2 / 3 = 0.6666666666666666666666666667", "100 / 3 = 33.333333333333333333333333333",
                          "0.0000000000000000000000000001 / 2 = 0",  // a tie goes to the even 0
                          "0.0000000000000000000000000003 / 2 = 0.0000000000000000000000000002", "1 / 0 = none",
                          "M / 10 = 7922816251426433759354395033.5", "M * 0.16 = 12676506002282294014967032054",
                          "0.00000000000015 * 0.000000000000001 = 0.0000000000000000000000000002", "M * 2 = none",
                          "10000000000000000000000000000 + 0.5 = 10000000000000000000000000000",
                          "10000000000000000000000000000 + 1.5 = 10000000000000000000000000002", "M + 0.5 = none",
                          "-5 - -7.25 = 2.25", "-7.25 - -5 = -2.25", "4294967296 - 1 = 4294967295",
                          "1 - 1.0000000000000000000000000001 = -0.0000000000000000000000000001", "-M - 1 = none"}) {
        std::istringstream in(std::regex_replace(c, std::regex("M"), Max));
        std::string a, op, b, equals, expected;
        in >> a >> op >> b >> equals >> expected;
        EXPECT_EQ(Text(ops.at(op)(Decimal::Parse(a).value(), Decimal::Parse(b).value())), expected) << c;
    }

    // A row: p (parse), d (from a double) or r (round to a whole number, -1 for none), the input, "|" and the result.
    for (const std::string row :
         {"p1,5|1.5", "p 2.51\t|2.51", "p-0|0", "p+3.00|3", "p.5|0.5", "p5.|5", "p|none", "p.|none", "pabc|none",
          "p1.2.3|none", "p1e5|none", "p1 000|none", "p79228162514264337593543950336|none",
          "p0000000000000000000000000000000000000000000001.5|1.5",  // leading zeros are no digits
          // Digits past the 28th rounded, a tie to even unless anything follows it.
          "p0.12345678901234567890123456785|0.1234567890123456789012345678",
          "p0.123456789012345678901234567850000000000000|0.1234567890123456789012345678",
          "p0.123456789012345678901234567850001|0.1234567890123456789012345679",
          "p0.12345678901234567890123456785000000000000001|0.1234567890123456789012345679",  // past 40 digits
          "p.4000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
          "0000000000|0.4",  // 116 places: digits past the 40th are not kept
          // 15 significant digits of a double.
          "d0|0", "d-1|-1", "d0.1|0.1", "d-1.5|-1.5", "d1e-30|0", "d1e15|1000000000000000",
          "d1e20|100000000000000000000", "d1e30|none", "dinf|none", "d0.3333333333333333|0.333333333333333", "r2.5|2",
          "r3.5|4", "r-2.5|-2", "r-2.51|-3", "r127.5|128", "r0.4999999999999999999999999999|0",
          "r79228162514264337593543950335|-1", "r18446744073709551616|-1", "r9223372036854775807|9223372036854775807",
          "r-9223372036854775808|-9223372036854775808", "r-4611686018427387905|-4611686018427387905"}) {
        const std::string text = row.substr(1, row.find('|') - 1);
        EXPECT_EQ(row[0] == 'p'   ? Text(Decimal::Parse(text))
                  : row[0] == 'd' ? Text(Decimal::FromDouble(std::stod(text)))
                                  : std::to_string(Decimal::Parse(text)->RoundToInteger().value_or(-1)),
                  row.substr(row.find('|') + 1))
            << row;
    }
    EXPECT_EQ(Text(Decimal::FromInteger(-1)), "-1");
    EXPECT_EQ(Decimal(), Decimal::Parse("0.000"));  // zero in canonical form, as every result holds it
    EXPECT_DOUBLE_EQ(Decimal::Parse("-" + Max)->ToDouble(), -7.9228162514264337593543950335e28);
}
