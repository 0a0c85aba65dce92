#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "library/Locale.h"
#include "library/Numstr.h"

namespace {

using lib::number_to_text;
using lib::text_to_number;

TEST(Numstr, AutomaticPatternsByMagnitude) {
    EXPECT_EQ(number_to_text(0), "0");
    EXPECT_EQ(number_to_text(-0.0), "0");
    EXPECT_EQ(number_to_text(10), "10");
    EXPECT_EQ(number_to_text(10.5), "10,5");
    EXPECT_EQ(number_to_text(-0.5), "-0,5");
    EXPECT_EQ(number_to_text(1234.56), "1234,6");
    EXPECT_EQ(number_to_text(12.5), "12,5");
    EXPECT_EQ(number_to_text(100), "100");
    EXPECT_EQ(number_to_text(0.05), "0,05");
    EXPECT_EQ(number_to_text(3.14159), "3,14");
    EXPECT_EQ(number_to_text(0.25), "0,25");
    EXPECT_EQ(number_to_text(0.00001), "0,00001");
    EXPECT_EQ(number_to_text(0.123456789), "0,123");
    EXPECT_EQ(number_to_text(0.0123456789), "0,0123");
    EXPECT_EQ(number_to_text(0.0023456), "0,00235");
    EXPECT_EQ(number_to_text(0.000123456789), "0,000123");
    EXPECT_EQ(number_to_text(0.0000123456789), "0,0000123");
    EXPECT_EQ(number_to_text(1.23456), "1,23");
    EXPECT_EQ(number_to_text(0.1), "0,1");
    EXPECT_EQ(number_to_text(0.0001), "0,0001");
    EXPECT_EQ(number_to_text(1.0), "1");
    EXPECT_EQ(number_to_text(9.999), "10");
    EXPECT_EQ(number_to_text(10.04), "10");
    EXPECT_EQ(number_to_text(-250.25), "-250,3");
    EXPECT_EQ(number_to_text(1000000), "1000000");
}

TEST(Numstr, TinyValuesRoundToZeroWithoutSign) {
    EXPECT_EQ(number_to_text(1e-9), "0");
    EXPECT_EQ(number_to_text(-1e-9), "0");
    EXPECT_EQ(number_to_text(-1e-9, 2), "0,00");
    EXPECT_EQ(number_to_text(-0.004, 2), "0,00");
    EXPECT_EQ(number_to_text(-0.005, 2), "-0,01");
    EXPECT_EQ(number_to_text(5e-324, 3), "0,000");
}

TEST(Numstr, FixedRoundsHalfAwayFromZeroAsWritten) {
    EXPECT_EQ(number_to_text(0.125, 2), "0,13");
    EXPECT_EQ(number_to_text(-0.125, 2), "-0,13");
    EXPECT_EQ(number_to_text(1234.55, 1), "1234,6");
    EXPECT_EQ(number_to_text(-1234.55, 1), "-1234,6");
    EXPECT_EQ(number_to_text(2.675, 2), "2,68");
    EXPECT_EQ(number_to_text(1.005, 2), "1,01");
    EXPECT_EQ(number_to_text(0.5, 0), "1");
    EXPECT_EQ(number_to_text(2.5, 0), "3");
    EXPECT_EQ(number_to_text(-2.5, 0), "-3");
    EXPECT_EQ(number_to_text(1.49, 0), "1");
    EXPECT_EQ(number_to_text(9.995, 2), "10,00");
    EXPECT_EQ(number_to_text(99.96, 1), "100,0");
    EXPECT_EQ(number_to_text(999999.5, 0), "1000000");
    EXPECT_EQ(number_to_text(12, 3), "12,000");
    EXPECT_EQ(number_to_text(0, 2), "0,00");
    EXPECT_EQ(number_to_text(0.1 + 0.2, 2), "0,30");
    EXPECT_EQ(number_to_text(123456789.123, 0), "123456789");
    EXPECT_EQ(number_to_text(0.001, 5), "0,00100");
}

TEST(Numstr, FixedAgreesWithDecimalArithmetic) {
    // i / 1000 shows as exactly i thousandths, so rounding to hundredths is integer arithmetic.
    for (int i = -30000; i <= 30000; ++i) {
        const int a = i < 0 ? -i : i;
        const int hundredths = (a + 5) / 10;
        std::string expect = std::to_string(hundredths / 100) + "," +
                             std::to_string(hundredths % 100 / 10) +
                             std::to_string(hundredths % 10);
        if (i < 0 && hundredths != 0)
            expect.insert(0, "-");
        ASSERT_EQ(number_to_text(i / 1000.0, 2), expect) << i;
    }
}

TEST(Numstr, Width) {
    EXPECT_EQ(number_to_text(5, -1, 4), "   5");
    EXPECT_EQ(number_to_text(-1.5, 2, 8), "   -1,50");
    EXPECT_EQ(number_to_text(12345, -1, 3), "12345");
    EXPECT_EQ(number_to_text(5, -1, 0), "5");
    EXPECT_EQ(number_to_text(5, -1, -7), "5");
}

TEST(Numstr, ExtremeValuesStayBounded) {
    const std::string big = number_to_text(1e300);
    EXPECT_EQ(big.size(), 301u);
    EXPECT_EQ(big.substr(0, 17), "10000000000000000");
    const std::string max = number_to_text(std::numeric_limits<double>::max(), 2);
    EXPECT_EQ(max.substr(0, 6), "179769");
    EXPECT_EQ(max.substr(max.size() - 3), ",00");
    EXPECT_EQ(number_to_text(-1e300, 1).size(), 304u);
    EXPECT_EQ(number_to_text(1.5, 100000).size(), 2u + 400u);

    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(number_to_text(std::nan("")), "NAN");
    EXPECT_EQ(number_to_text(inf, 2), "INF");
    EXPECT_EQ(number_to_text(-inf, -1, 6), "  -INF");
}

class NumstrSeparator : public ::testing::Test {
protected:
    void TearDown() override { lib::Locale::set(lib::Locale::russian()); }
};

TEST_F(NumstrSeparator, UsesTheLocaleSeparator) {
    lib::Locale::set({".", "dd.MM.yyyy", "H:mm:ss"});
    EXPECT_EQ(number_to_text(12.5), "12.5");
    EXPECT_EQ(number_to_text(7, 2), "7.00");
    lib::Locale::set({"\xD9\xAB", "dd.MM.yyyy", "H:mm:ss"}); // a two-byte separator
    EXPECT_EQ(number_to_text(12.5), "12\xD9\xAB"
                                    "5");
    EXPECT_EQ(number_to_text(100), "100");
    EXPECT_EQ(number_to_text(1.5, 1, 5), "  1\xD9\xAB"
                                         "5"); // width counts characters
}

TEST(Numstr, GroupedDigitsPutASpaceBetweenGroupsOfThree) {
    const std::pair<long long, const char*> cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1 000"},
        {21199, "21 199"},
        {100000, "100 000"},
        {9000000, "9 000 000"},
        {-1234, "-1 234"},
        {-999, "-999"},
        {std::numeric_limits<long long>::min(), "-9 223 372 036 854 775 808"},
    };
    for (const auto& [n, text] : cases)
        EXPECT_EQ(lib::grouped_digits(n), text) << n;
}

TEST(Numstr, TextToNumber) {
    EXPECT_EQ(text_to_number("12,5"), 12.5);
    EXPECT_EQ(text_to_number("12.5"), 12.5);
    EXPECT_EQ(text_to_number("12,5 т"), 12.5);
    EXPECT_EQ(text_to_number("12.5 kN"), 12.5);
    EXPECT_EQ(text_to_number(""), 0.0);
    EXPECT_EQ(text_to_number("abc"), 0.0);
    EXPECT_EQ(text_to_number("1e3"), 1000.0);
    EXPECT_EQ(text_to_number(" -2,5"), -2.5);
    EXPECT_EQ(text_to_number("\t\r\n +7"), 7.0);
    EXPECT_EQ(text_to_number("1.5E-2x"), 0.015);
    EXPECT_EQ(text_to_number("2,5e+2"), 250.0);
    EXPECT_EQ(text_to_number(".5"), 0.5);
    EXPECT_EQ(text_to_number(",5"), 0.5);
    EXPECT_EQ(text_to_number("5."), 5.0);
    EXPECT_EQ(text_to_number("0.1"), 0.1);
    EXPECT_EQ(text_to_number("-0"), 0.0);
}

TEST(Numstr, TextToNumberStopsWhereTheNumberEnds) {
    EXPECT_EQ(text_to_number("1e"), 1.0);
    EXPECT_EQ(text_to_number("1e+"), 1.0);
    EXPECT_EQ(text_to_number("3E-x"), 3.0);
    EXPECT_EQ(text_to_number("1.2.3"), 1.2);
    EXPECT_EQ(text_to_number("1,2,3"), 1.2);
    EXPECT_EQ(text_to_number("0x10"), 0.0);
    EXPECT_EQ(text_to_number("."), 0.0);
    EXPECT_EQ(text_to_number("-"), 0.0);
    EXPECT_EQ(text_to_number("+-1"), 0.0);
    EXPECT_EQ(text_to_number("- 1"), 0.0);
    EXPECT_EQ(text_to_number("inf"), 0.0);
    EXPECT_EQ(text_to_number("nan"), 0.0);
    EXPECT_EQ(text_to_number("x 12"), 0.0);
}

TEST(Numstr, TextToNumberOutOfRange) {
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(text_to_number("1e999"), max);
    EXPECT_EQ(text_to_number("-1e999"), -max);
    EXPECT_EQ(text_to_number("1e-999"), 0.0);
    EXPECT_EQ(text_to_number("1e99999999999999999999999"), max);
    EXPECT_EQ(text_to_number(std::string(400, '9')), max);
    EXPECT_EQ(text_to_number("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(text_to_number("0." + std::string(400, '0') + "1e500"), 1e99);
    EXPECT_EQ(text_to_number(std::string(400, '0') + "42"), 42.0);
}

TEST(Numstr, TextRoundTrip) {
    for (double v : {0.0, 1.0, -3.25, 12.5, 1234.5678901, 0.000012345, -98765.4321}) {
        EXPECT_NEAR(text_to_number(number_to_text(v, 7)), v, 5e-8) << v;
        EXPECT_NEAR(text_to_number(number_to_text(v)), v, std::fabs(v) * 0.01 + 1e-7) << v;
    }
}

} // namespace
