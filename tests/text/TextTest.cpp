#include "text/Text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

#include "tests/support/Gbk.h"

namespace text {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Double-byte characters whose second byte reads as an ASCII letter or punctuation: the text
// operations must step over them whole.
const Text kTrailA = "\x81\x41";   // second byte 'A'
const Text kTrailLa = "\x81\x61";  // second byte 'a'
const Text kTrailSemi = "\x81\x3B";

TEST(TextTest, LeftRightMidCountBytesWithTheirEdges) {
  EXPECT_EQ(Left("abcdef", 2), "ab");
  EXPECT_EQ(Left("abc", 10), "abc");
  EXPECT_EQ(Left("abc", 0), "");
  EXPECT_EQ(Right("abcdef", 2), "ef");
  EXPECT_EQ(Right("abc", 10), "abc");
  EXPECT_EQ(Right("abc", -1), "");
  EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
  EXPECT_EQ(Mid("abcdef", 0, 2), "");
  EXPECT_EQ(Mid("abcdef", 7, 1), "");
  EXPECT_EQ(Mid("abcdef", 6, 1), "f");
  EXPECT_EQ(Mid("abcdef", 2, 0), "");
}

struct FindCase {
  Text t, sub;
  int from;
  bool ignoreCase;
  int expected;
};

class FindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTest, FindsTheFirstOccurrenceAtACharacterStart) {
  const FindCase& c = GetParam();
  EXPECT_EQ(Find(c.t, c.sub, c.from, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTest,
    ::testing::Values(
        FindCase{"hello world", "o", 1, false, 5}, FindCase{"hello world", "o", 6, false, 8},
        FindCase{"hello world", "o", 5, false, 5}, FindCase{"hello world", "o", 0, false, 5},
        FindCase{"hello world", "o", -3, false, 5}, FindCase{"hello", "o", 6, false, -1},
        FindCase{"hello", "x", 1, false, -1}, FindCase{"Hello", "hELLO", 1, false, -1},
        FindCase{"Hello", "hELLO", 1, true, 1},
        // The 'A' inside a double-byte character is not a match.
        FindCase{kTrailA + "A", "A", 1, false, 3}, FindCase{kTrailA + "a", "A", 1, true, 3},
        // Case is not folded inside double-byte characters.
        FindCase{kTrailLa, kTrailA, 1, true, -1}, FindCase{kTrailA, kTrailA, 1, true, 1},
        // Stepping starts at `from`, even in the middle of a character.
        FindCase{kTrailA + "A", "A", 2, false, 2},
        // The empty sub.
        FindCase{"abc", "", 1, false, 1}, FindCase{"abc", "", 3, false, 1},
        FindCase{"abc", "", 4, false, -1}, FindCase{"", "", 1, false, -1},
        FindCase{"", "a", 1, false, -1}));

struct FindLastCase {
  Text t, sub;
  std::optional<int> before;
  bool ignoreCase;
  int expected;
};

class FindLastTest : public ::testing::TestWithParam<FindLastCase> {};

TEST_P(FindLastTest, FindsTheLastOccurrenceWhollyBeforeTheLimit) {
  const FindLastCase& c = GetParam();
  EXPECT_EQ(FindLast(c.t, c.sub, c.before, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindLastTest,
    ::testing::Values(
        FindLastCase{"a/b/c", "/", std::nullopt, false, 4}, FindLastCase{"a/b/c", "/", 4, false, 2},
        FindLastCase{"a/b/c", "/", 5, false, 4},
        FindLastCase{"abab", "ab", 4, false, 1},  // the second "ab" ends at 4
        FindLastCase{"abab", "ab", 5, false, 3}, FindLastCase{"abab", "ab", 100, false, 3},
        FindLastCase{"abab", "ab", 1, false, -1},
        FindLastCase{"abab", "AB", std::nullopt, false, -1},
        FindLastCase{"abab", "AB", std::nullopt, true, 3},
        FindLastCase{"A" + kTrailA, "A", std::nullopt, false, 1},
        FindLastCase{"abc", "", std::nullopt, false, 1}, FindLastCase{"abc", "", 2, false, 1},
        FindLastCase{"abc", "", 1, false, -1}, FindLastCase{"", "", std::nullopt, false, -1}));

TEST(TextTest, LowerCaseChangesOnlyAsciiCapitals) {
  EXPECT_EQ(LowerCase("HTTP://Example.COM/Ab?Z=1"), "http://example.com/ab?z=1");
  EXPECT_EQ(LowerCase(kTrailA + "AB"), kTrailA + "ab");
  EXPECT_EQ(LowerCase(G(u8"ＡＢ中")), G(u8"ＡＢ中"));
}

struct IntegerCase {
  Text t;
  int expected;
};

class ToIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ToIntegerTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(ToInteger(GetParam().t), GetParam().expected) << GetParam().t;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToIntegerTest,
    ::testing::Values(IntegerCase{"57", 57}, IntegerCase{"  -12abc", -12},
                      IntegerCase{"\t\r\n+8", 8}, IntegerCase{"3.9", 3}, IntegerCase{"abc", 0},
                      IntegerCase{"", 0}, IntegerCase{"+-3", 0}, IntegerCase{"- 3", 0},
                      IntegerCase{G(u8"５７"), 57}, IntegerCase{G(u8"５７页"), 57},
                      IntegerCase{G(u8"－１２"), -12}, IntegerCase{G(u8"　　４２"), 42},
                      IntegerCase{G(u8"第５页"), 0}, IntegerCase{"5" + G(u8"７"), 57},
                      IntegerCase{"2147483647", INT_MAX}, IntegerCase{"99999999999", INT_MAX},
                      IntegerCase{"-2147483648", INT_MIN}, IntegerCase{"-99999999999", INT_MIN}));

TEST(TextTest, TrimDropsHalfAndFullWidthSpacesAtBothEnds) {
  EXPECT_EQ(Trim("  abc  "), "abc");
  EXPECT_EQ(Trim(G(u8"　 中 文　 ")), G(u8"中 文"));
  EXPECT_EQ(Trim("\tabc\r\n"), "\tabc\r\n");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  // 0xB0 0xA1 is one character; only the pair after it is a full-width space.
  EXPECT_EQ(Trim("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
  EXPECT_EQ(Trim("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
}

TEST(TextTest, RemoveSpacesDropsEverySpace) {
  EXPECT_EQ(RemoveSpaces(" a b\t" + G(u8"　c　")), "ab\tc");
  EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1 "), "\xB0\xA1");
}

struct ReplaceCase {
  Text t, sub, with;
  int from, count;
  bool caseSensitive;
  Text expected;
};

class ReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTest, ReplacesLeftToRight) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(Replace(c.t, c.sub, c.with, c.from, c.count, c.caseSensitive), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceTest,
    ::testing::Values(ReplaceCase{"a.b.c", ".", "/", 1, -1, true, "a/b/c"},
                      ReplaceCase{"a.b.c", ".", "", 1, -1, true, "abc"},
                      ReplaceCase{"a.b.c", ".", "/", 3, -1, true, "a.b/c"},
                      ReplaceCase{"a.b.c", ".", "/", 0, -1, true, "a/b/c"},
                      ReplaceCase{"a.b.c", ".", "/", 1, 1, true, "a/b.c"},
                      ReplaceCase{"a.b.c", ".", "/", 1, 0, true, "a.b.c"},
                      ReplaceCase{"a.b.c", ".", "/", 6, -1, true, "a.b.c"},
                      ReplaceCase{"aaa", "aa", "b", 1, -1, true, "ba"},
                      ReplaceCase{"aXa", "x", "-", 1, -1, true, "aXa"},
                      ReplaceCase{"aXa", "x", "-", 1, -1, false, "a-a"},
                      ReplaceCase{"", "x", "-", 1, -1, true, ""},
                      ReplaceCase{"abc", "", "-", 1, -1, true, "abc"},
                      ReplaceCase{kTrailA + "A", "A", "x", 1, -1, true, kTrailA + "x"},
                      ReplaceCase{kTrailLa + "a", "A", "x", 1, -1, false, kTrailLa + "x"}));

TEST(TextTest, ReplaceUsesTheDefaults) {
  EXPECT_EQ(Replace("Set-Cookie: a; set-cookie: b", "set-cookie"), "Set-Cookie: a; : b");
}

TEST(TextTest, SplitKeepsEmptyPiecesButNoneAfterAFinalSeparator) {
  EXPECT_THAT(Split("a;b;c", ";"), ElementsAre("a", "b", "c"));
  EXPECT_THAT(Split("a;;b", ";"), ElementsAre("a", "", "b"));
  EXPECT_THAT(Split(";a", ";"), ElementsAre("", "a"));
  EXPECT_THAT(Split("a;b;", ";"), ElementsAre("a", "b"));
  EXPECT_THAT(Split(";", ";"), ElementsAre(""));
  EXPECT_THAT(Split("abc", ";"), ElementsAre("abc"));
  EXPECT_THAT(Split("abc", ""), ElementsAre("abc"));
  EXPECT_THAT(Split("", ";"), IsEmpty());
  EXPECT_THAT(Split("a\r\nb\r\n", "\r\n"), ElementsAre("a", "b"));
  EXPECT_THAT(Split(kTrailSemi + ";x", ";"), ElementsAre(kTrailSemi, "x"));
}

TEST(TextTest, CompareIsBytewiseUnsigned) {
  EXPECT_EQ(Compare("abc", "abc"), 0);
  EXPECT_LT(Compare("abc", "abd"), 0);
  EXPECT_LT(Compare("ab", "abc"), 0);
  EXPECT_GT(Compare("\x80", "a"), 0);
}

TEST(TextTest, ConversionsBetweenTextsBytesAndNumbers) {
  EXPECT_EQ(ToText(-42), "-42");
  EXPECT_EQ(ToText(ByteArray{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(ToText(ByteArray{}), "");
  EXPECT_EQ(ToBytes("ab"), (ByteArray{'a', 'b'}));
  EXPECT_EQ(BlankText(3), "   ");
  EXPECT_EQ(BlankText(0), "");
  EXPECT_EQ(BlankBytes(2), (ByteArray{0, 0}));
  EXPECT_EQ(BlankBytes(-1), ByteArray{});
  EXPECT_EQ(BytesLeft(ByteArray{1, 2, 3}, 2), (ByteArray{1, 2}));
  EXPECT_EQ(BytesLeft(ByteArray{1, 2, 3}, 9), (ByteArray{1, 2, 3}));
  EXPECT_EQ(BytesLeft(ByteArray{1, 2, 3}, -1), ByteArray{});
  EXPECT_EQ(Character('A'), "A");
  EXPECT_EQ(Character(0xB0), "\xB0");
  EXPECT_EQ(Character(0), "");
}

}  // namespace
}  // namespace text
