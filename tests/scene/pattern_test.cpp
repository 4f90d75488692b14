#include "scene/pattern.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>
#include <string>

namespace {

// The value read and how many characters it took; -12345 when no number begins there.
std::pair<float, std::size_t> real(std::string_view text) {
    TextCursor cursor{text};
    float value = readReal(cursor).value_or(-12345.0f);
    return {value, cursor.position};
}

int integer(std::string_view text) {
    TextCursor cursor{text};
    return readInt(cursor).value_or(-12345);
}

}  // namespace

TEST(Pattern, MatchesLikeScanfOverTheBuffer) {
    float x = 0, y = 0, z = -1;
    TextCursor spaced{"MIN:1\r\n\t  2rest"};
    EXPECT_EQ(matchPattern(spaced, "MIN: %f %f\n", {&x, &y}), 2);
    EXPECT_EQ(x + y, 3.0f);
    EXPECT_EQ(spaced.text.substr(spaced.position), "rest");

    TextCursor partial{"\tPOSITION: 1 2 X"};
    EXPECT_EQ(matchPattern(partial, "\tPOSITION: %f %f %f\n", {&x, &y, &z}), 2);
    EXPECT_EQ(z, -1.0f);
    EXPECT_EQ(partial.text[partial.position], 'X');  // left unread

    TextCursor keyword{"VERTEXCOUNT 3"};
    EXPECT_EQ(matchPattern(keyword, "\tROTATIONMATRIX: X: %*f\n"), 0);
    EXPECT_EQ(keyword.position, 0u);
    TextCursor indented{" MATERIAL"};
    EXPECT_EQ(matchPattern(indented, "MATERIAL"), 0);  // a keyword does not skip white space
}

TEST(Pattern, EndOfInputBeforeAnyValueIsNotAMismatch) {
    std::string name;
    int n = 0;
    TextCursor blank{"  \n"};
    EXPECT_EQ(matchPattern(blank, "\n"), 0);
    EXPECT_EQ(matchPattern(blank, "MATERIAL \"%s\"\n", {&name}), kEndOfInput);
    TextCursor cut{"MATERIAL \""};
    EXPECT_EQ(matchPattern(cut, "MATERIAL \"%s\"\n", {&name}), kEndOfInput);
    TextCursor partial{"1 2"};
    EXPECT_EQ(matchPattern(partial, "%d %d %d", {&n, &n, &n}), 2);
}

TEST(Pattern, TokensKeepTheClosingQuoteAndAnyLength) {
    std::string longName(300, 'n'), name;
    std::string text = "MATERIAL \"" + longName + "\"\n\tAMBIENT";
    TextCursor cursor{text};
    EXPECT_EQ(matchPattern(cursor, "MATERIAL \"%s\"\n", {&name}), 1);
    EXPECT_EQ(name, longName + "\"");
}

TEST(Pattern, RealsFollowTheCLibraryRules) {
    using R = std::pair<float, std::size_t>;
    EXPECT_EQ(real("1.5e3"), R(1500.0f, 5));
    EXPECT_EQ(real(".5"), R(0.5f, 2));
    EXPECT_EQ(real("+5."), R(5.0f, 3));
    EXPECT_EQ(real("-0.1"), R(-0.1f, 4));   // correctly rounded
    EXPECT_EQ(real("1e"), R(1.0f, 1));      // an exponent letter without digits is not read
    EXPECT_EQ(real("2e+x"), R(2.0f, 1));
    EXPECT_EQ(real("-x"), R(-12345.0f, 0));  // nothing consumed
    EXPECT_EQ(real("-Infinity"), R(-INFINITY, 9));
    EXPECT_EQ(real("INFx"), R(INFINITY, 3));
    EXPECT_TRUE(std::isnan(real("NaN").first));
    EXPECT_EQ(real("nan(0x7f)").second, 9u);
    // Beyond the float range: infinities and zeros, as strtof gives them.
    EXPECT_EQ(real("-1e39").first, -INFINITY);
    EXPECT_EQ(real("100000000000000000000000000000000000000000000").first, INFINITY);
    EXPECT_EQ(real("0.001e42").first, INFINITY);
    EXPECT_EQ(real("0.0001e42").first, 1e38f);
    EXPECT_EQ(real("123e-50").first, 0.0f);
    EXPECT_EQ(real("1e-40").first, 1e-40f);  // a subnormal is still a value
    EXPECT_EQ(real("1e99999999999999999999").first, INFINITY);
}

TEST(Pattern, IntegersOutsideTheIntRangeAreClamped) {
    EXPECT_EQ(integer("42abc"), 42);
    EXPECT_EQ(integer("2147483648"), INT_MAX);
    EXPECT_EQ(integer("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(integer("-2147483648"), INT_MIN);
    EXPECT_EQ(integer("-99999999999"), INT_MIN);
    EXPECT_EQ(integer("-"), -12345);
}

// The quick conversion of common numbers must give exactly the float strtof gives: most of all
// where the decimal lies on or next to the halfway point between two floats, which one rounding
// through double would get wrong.
TEST(Pattern, RealsAreTheFloatsStrtofGivesHalfwayCasesIncluded) {
    std::vector<std::string> numbers = {
        "16777217", "16777219", "1.00000005960464477539062500", "1.0000000596046448", "1.0000000596046447",
        "0.100000001490116119384765625", "3.4028235e38", "3.4028236e38", "1.17549435e-38", "1.1754942e-38",
        "7.038531e-26", "-0.000000", "123456789012345678", "8.589973e9", "0.30000001192092896",
    };
    std::mt19937 random(20);
    for (int i = 0; i < 20000; ++i) {  // up to 9 digits with the point anywhere, as exporters write them
        std::string digits = std::to_string(random() % 1000000000u);
        std::size_t point = random() % (digits.size() + 1);
        numbers.push_back(digits.substr(0, point) + "." + digits.substr(point));
    }
    for (const std::string& number : numbers) {
        float expected = std::strtof(number.c_str(), nullptr);
        auto [value, length] = real(number);
        EXPECT_EQ(length, number.size()) << number;
        EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << number << " gave " << value;
    }
}
