#include "web/Cookies.h"

#include <gtest/gtest.h>

#include "tests/support/Gbk.h"

namespace web {
namespace {

struct MergeCase {
  std::string name;
  std::string oldCookies;
  std::string newCookies;
  std::string merged;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, MergesAndLeavesTheResultInTheOldCookies) {
  const MergeCase& c = GetParam();
  text::Text oldCookies = c.oldCookies;
  text::Text newCookies = c.newCookies;
  EXPECT_EQ(MergeCookies(oldCookies, newCookies), c.merged);
  EXPECT_EQ(oldCookies, c.merged);
  EXPECT_EQ(newCookies, text::RemoveSpaces(c.newCookies));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeCookiesTest,
    ::testing::Values(
        MergeCase{"NewFirstThenOldNotTaken", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        MergeCase{"DeletedCookieDisappears", "a=1; b=2", "a=deleted", "b=2"},
        MergeCase{"NothingLeft", "a=1", "a=deleted", ""}, MergeCase{"OnlyNew", "", "x=1", "x=1"},
        MergeCase{"OnlyOld", "a=1", "", "a=1"}, MergeCase{"BothEmpty", "", "", ""},
        MergeCase{"SpacesInsideValuesRemoved", "", "t=hello world", "t=helloworld"},
        MergeCase{"FullWidthSpacesRemoved", "", G(u8"t=甲　乙"), G(u8"t=甲乙")},
        MergeCase{"NewNameTwiceStaysTwice", "", "a=1; a=2", "a=1; a=2"},
        MergeCase{"IdenticalEntryCollapses", "", "a=1; a=1", "a=1"},
        MergeCase{"IdenticalEntriesApartCollapse", "", "a=1; b=2; a=1", "a=1; b=2"},
        MergeCase{"NamesDistinguishCase", "A=1", "a=2", "a=2; A=1"},
        MergeCase{"EmptyOldPieceSurvives", "a=1;;b=2", "", "a=1; ; b=2"},
        MergeCase{"SecondEmptyOldPieceIsATakenName", "a=1;;;b=2", "", "a=1; ; b=2"},
        MergeCase{"TrailingEmptyPieceVanishes", "a=1;;", "", "a=1"},
        MergeCase{"SeparatorAtTheEnd", "", "a=1;", "a=1"},
        MergeCase{"FirstOfTwoOldEntriesWins", "a=1; a=2", "", "a=1"},
        MergeCase{"OldDeletedDroppedUnmentioned", "a=deleted; b=2", "c=3", "c=3; b=2"},
        MergeCase{"DeletedInCapitalsIsAValue", "a=DELETED", "", "a=DELETED"},
        MergeCase{"DeletedNewEntryAlsoHidesTheOld", "b=2; d=4", "b=deleted; c=1", "c=1; d=4"},
        MergeCase{"EntryWithoutEqualsIsItsOwnName", "flag; a=1", "flag", "flag; a=1"},
        MergeCase{"EntryWithoutEqualsKept", "flag", "x=1", "x=1; flag"},
        MergeCase{"NameComparedAfterSpacesGo", " a = 1 ", "a=2", "a=2"}),
    [](const auto& info) { return info.param.name; });

struct PiecesCase {
  std::string name;
  std::string input;
  std::string separator;
  std::string output;
};

class JoinDistinctTest : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(JoinDistinctTest, KeepsEachPieceOnce) {
  const PiecesCase& c = GetParam();
  EXPECT_EQ(JoinDistinct(c.input, c.separator), c.output);
}

INSTANTIATE_TEST_SUITE_P(Cases, JoinDistinctTest,
                         ::testing::Values(PiecesCase{"RepeatDropped", "a; b; a", "; ", "a; b"},
                                           PiecesCase{"OrderKept", "b; a; b; c", "; ", "b; a; c"},
                                           PiecesCase{"Empty", "", "; ", ""},
                                           PiecesCase{"EmptyPieceKeptOnce", "a;;a;", ";", "a;"},
                                           PiecesCase{"SeparatorAtTheEnd", "a,b,", ",", "a,b"},
                                           PiecesCase{"NoSeparator", "x", ",", "x"},
                                           PiecesCase{"WholePiecesOnly", "ab; a; b", "; ",
                                                      "ab; a; b"},
                                           PiecesCase{"DoubleByteSeparator", G(u8"甲、乙、甲"),
                                                      G(u8"、"), G(u8"甲、乙")}),
                         [](const auto& info) { return info.param.name; });

struct NameCase {
  std::string name;
  std::string entry;
  std::string cookieName;
};

class CookieNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CookieNameTest, GivesTheName) {
  EXPECT_EQ(CookieName(GetParam().entry), GetParam().cookieName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieNameTest,
    ::testing::Values(NameCase{"Plain", "a=1", "a"}, NameCase{"Trimmed", " a =1", "a"},
                      NameCase{"FirstEquals", "a=b=c", "a"}, NameCase{"NoEquals", " flag ", "flag"},
                      NameCase{"EmptyName", "=v", ""}, NameCase{"Empty", "", ""},
                      NameCase{"FullWidthSpaces", G(u8"　名　=1"), G(u8"名")}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace web
