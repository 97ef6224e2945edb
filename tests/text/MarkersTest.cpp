#include "text/Markers.h"

#include <gtest/gtest.h>

#include "tests/support/Gbk.h"

namespace text {
namespace {

struct BetweenCase {
  std::string name;
  Text text, start, end;
  int from;
  bool ignoreCase;
  Text expected;
};

class TextBetweenTest : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, CutsTheTextBetweenTheMarkers) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(TextBetween(c.text, c.start, c.end, c.from, c.ignoreCase), c.expected);
}

const Text kQuoted = "<a class=\"x\">one</a><a class=\"x\">two</a>";

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    ::testing::Values(
        BetweenCase{"Between", "[abc]", "[", "]", 1, false, "abc"},
        BetweenCase{"Touching", "[]", "[", "]", 1, false, ""},
        BetweenCase{"FirstPairCounts", "[one][two]", "[", "]", 1, false, "one"},
        BetweenCase{"EndOnlyBeforeStart", "]x[", "[", "]", 1, false, ""},
        BetweenCase{"NoStart", "abc]", "[", "]", 1, false, ""},
        BetweenCase{"NoEnd", "[abc", "[", "]", 1, false, ""},
        BetweenCase{"EmptyEnd", "[abc]", "[", "", 1, false, ""},
        BetweenCase{"EmptyText", "", "[", "]", 1, false, ""},
        BetweenCase{"StartAtTheVeryEnd", "abc[", "[", "]", 1, false, ""},
        BetweenCase{"FromSkipsAnEarlierStart", "[one][two]", "[", "]", 2, false, "two"},
        BetweenCase{"FromBelowOne", "[one][two]", "[", "]", -5, false, "one"},
        BetweenCase{"CaseCountsByDefault", "<LI>x</li>", "<li>", "</li>", 1, false, ""},
        BetweenCase{"IgnoreCase", "<LI>x</LI>", "<li>", "</li>", 1, true, "x"},
        BetweenCase{"QuotesWritten", kQuoted, "class=\"x\">", "</a>", 1, false, "one"},
        BetweenCase{"QuotePlaceholder", kQuoted, "class=" + G(u8"#引号") + "x" + G(u8"#引号") + ">",
                    "</a>", 1, false, "one"},
        BetweenCase{"PageNumbers", G(u8"共 <strong>57</strong>页"), G(u8"共 <strong>"),
                    G(u8"</strong>页"), 1, false, "57"},
        BetweenCase{"HeaderValue", "Host: a\r\nCookie: k=v\r\n", "Cookie: ", "\r\n", 1, false,
                    "k=v"}),
    [](const auto& info) { return info.param.name; });

TEST(TextBetweenTest, LeavesTheCallersMarkersAlone) {
  const Text start = "a=" + G(u8"#引号");
  const Text end = G(u8"#引号");
  EXPECT_EQ(TextBetween("a=\"v\"", start, end), "v");
  EXPECT_EQ(start, "a=" + G(u8"#引号"));
}

TEST(TrimBlanksTest, TrimsSpacesInPlaceAndReturnsTheResult) {
  Text t = "  two  words  ";
  EXPECT_EQ(TrimBlanks(t), "two  words");
  EXPECT_EQ(t, "two  words");

  Text spaces = "    ";
  EXPECT_EQ(TrimBlanks(spaces), "");
  EXPECT_EQ(spaces, "");

  Text tabs = "\t x \t";
  EXPECT_EQ(TrimBlanks(tabs), "\t x \t");

  Text wide = G(u8"　中　") + " ";
  EXPECT_EQ(TrimBlanks(wide), G(u8"　中　"));

  Text empty;
  EXPECT_EQ(TrimBlanks(empty), "");
}

}  // namespace
}  // namespace text
