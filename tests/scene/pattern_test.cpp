#include "scene/pattern.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
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
