#include "text/RegexObject.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/Gbk.h"

namespace text {
namespace {

std::vector<Text> AllMatches(const RegexObject& regex) {
  std::vector<Text> texts;
  for (int i = 1; i <= regex.MatchCount(); ++i) texts.push_back(regex.MatchText(i));
  return texts;
}

std::vector<Text> Matches(std::string_view pattern, std::string_view subject) {
  RegexObject regex;
  regex.Create(pattern, subject);
  return AllMatches(regex);
}

using Texts = std::vector<Text>;

TEST(RegexObjectTest, IgnoresCaseByDefault) {
  RegexObject regex;
  EXPECT_TRUE(regex.Create("abc", "x ABC y Abc"));
  EXPECT_EQ(AllMatches(regex), (Texts{"ABC", "Abc"}));

  EXPECT_TRUE(regex.Create("abc", "x ABC y Abc", /*caseSensitive=*/true));
  EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, CountsMatchesFromOne) {
  RegexObject regex;
  ASSERT_TRUE(regex.Create("\\d+", "a1 b22 c333"));
  ASSERT_EQ(regex.MatchCount(), 3);
  EXPECT_EQ(regex.MatchText(1), "1");
  EXPECT_EQ(regex.MatchText(2), "22");
  EXPECT_EQ(regex.MatchText(3), "333");
  EXPECT_EQ(regex.MatchText(0), "");
  EXPECT_EQ(regex.MatchText(4), "");
  EXPECT_EQ(regex.MatchText(-1), "");
}

TEST(RegexObjectTest, GroupsCountFromOneAndAGroupThatTookNoPartIsEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.Create("(\\w)(x)?(\\d)", "a1 bx2"));
  ASSERT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.SubMatchCount(), 3);
  EXPECT_EQ(regex.SubMatchText(1, 1), "a");
  EXPECT_EQ(regex.SubMatchText(1, 2), "");
  EXPECT_EQ(regex.SubMatchText(1, 3), "1");
  EXPECT_EQ(regex.SubMatchText(2, 2), "x");
  EXPECT_EQ(regex.SubMatchText(2, 0), "");
  EXPECT_EQ(regex.SubMatchText(2, 4), "");
  EXPECT_EQ(regex.SubMatchText(3, 1), "");

  ASSERT_TRUE(regex.Create("(\\w)", "!!!"));
  EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObjectTest, DotStopsAtLineFeedOnly) {
  EXPECT_EQ(Matches("a.*", "abc\ndef\r\n"), (Texts{"abc"}));
  EXPECT_EQ(Matches("d.*", "abc\ndef\r\n"), (Texts{"def\r"}));
  EXPECT_EQ(Matches("a[\\s\\S]*f", "abc\ndef\r\n"), (Texts{"abc\ndef"}));
}

TEST(RegexObjectTest, WhiteSpaceIsTheSixAsciiCharacters) {
  EXPECT_EQ(Matches("\\s", " \t\n\v\f\r").size(), 6u);
  // The full-width space and U+00A0 are not white space here.
  EXPECT_EQ(Matches("\\s", G(u8"　\u00A0")).size(), 0u);
}

TEST(RegexObjectTest, ClassesAndDotTakeWholeCharacters) {
  const Text title = G(u8"《神雕侠侣》");
  EXPECT_EQ(Matches(G(u8"《(.*?)》"), "x" + title), (Texts{title}));
  EXPECT_EQ(Matches("^.$", G(u8"中")), (Texts{G(u8"中")}));
  EXPECT_EQ(Matches("[^a]", G(u8"中a文")), (Texts{G(u8"中"), G(u8"文")}));
  EXPECT_EQ(Matches("[\\u4e00-\\u9fa5]+", G(u8"ab中文cd")), (Texts{G(u8"中文")}));
}

TEST(RegexObjectTest, JavaScriptStyleSyntax) {
  EXPECT_EQ(Matches("a[^]b", "a\nb"), (Texts{"a\nb"}));
  EXPECT_EQ(Matches("a[]b", "ab"), Texts{});
  EXPECT_EQ(Matches("(x)?\\1y", "y"), (Texts{"y"}));
  EXPECT_EQ(Matches("a\\Cb", "axb"), Texts{});  // refused: it could split a character
}

TEST(RegexObjectTest, MultilineAndGlobalOptions) {
  RegexObject regex;
  regex.Create("^\\w", "ab\ncd");
  EXPECT_EQ(AllMatches(regex), (Texts{"a", "c"}));
  regex.Create("^\\w", "ab\ncd", false, /*multiline=*/false);
  EXPECT_EQ(AllMatches(regex), (Texts{"a"}));
  regex.Create("b$", "ab\n", false, /*multiline=*/false);
  EXPECT_EQ(regex.MatchCount(), 0);
  regex.Create("\\w", "ab", false, true, /*global=*/false);
  EXPECT_EQ(AllMatches(regex), (Texts{"a"}));
}

TEST(RegexObjectTest, QuotePlaceholderOnlyWhenAskedFor) {
  const Text pattern = "href=" + G(u8"#引号") + "(.*?)" + G(u8"#引号");
  RegexObject regex;
  regex.Create(pattern, "<a href=\"x.html\">", false, true, true, /*quotePlaceholder=*/true);
  EXPECT_EQ(regex.SubMatchText(1, 1), "x.html");
  EXPECT_EQ(regex.GetPattern(), "href=\"(.*?)\"");
  regex.Create(pattern, "<a href=\"x.html\">");
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.GetPattern(), pattern);
}

TEST(RegexObjectTest, ASecondCreateReplacesAllMatches) {
  RegexObject regex;
  regex.Create("(a)(b)", "ab ab ab");
  ASSERT_EQ(regex.MatchCount(), 3);
  regex.Create("c", "c");
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.MatchText(2), "");
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.ReplaceMatches("x"), "x");
}

TEST(RegexObjectTest, ARejectedPatternLeavesNoMatches) {
  RegexObject regex;
  regex.Create("a", "a");
  EXPECT_FALSE(regex.Create("(a", "aaa"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
  EXPECT_EQ(regex.GetPattern(), "(a");
}

TEST(RegexObjectTest, NothingBeforeTheFirstCreate) {
  const RegexObject regex;
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.GetPattern(), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
}

TEST(RegexObjectTest, EmptyMatchesStepOnByOneCharacter) {
  RegexObject regex;
  regex.Create("x*", G(u8"a中"));
  EXPECT_EQ(regex.MatchCount(), 3);
  EXPECT_EQ(regex.ReplaceMatches("-"), "-a-" + G(u8"中") + "-");
  regex.Create("a*", "baaa");
  EXPECT_EQ(AllMatches(regex), (Texts{"", "aaa", ""}));
}

struct ReplaceCase {
  std::string name;
  Text pattern, subject, replacement, expected;
};

class ReplaceMatchesTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceMatchesTest, FollowsTheDollarRules) {
  const ReplaceCase& c = GetParam();
  RegexObject regex;
  ASSERT_TRUE(regex.Create(c.pattern, c.subject));
  EXPECT_EQ(regex.ReplaceMatches(c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceMatchesTest,
    ::testing::Values(ReplaceCase{"Plain", "o", "foo boo", "0", "f00 b00"},
                      ReplaceCase{"Delete", "\\s", "a b\tc\n", "", "abc"},
                      ReplaceCase{"Groups", "(\\w+)=(\\w+)", "a=1 b=2", "$2=$1", "1=a 2=b"},
                      ReplaceCase{"Dollar", "x", "axb", "$$", "a$b"},
                      ReplaceCase{"WholeMatch", "b+", "abbc", "[$&]", "a[bb]c"},
                      ReplaceCase{"Before", "b", "abc", "[$`]", "a[a]c"},
                      ReplaceCase{"After", "b", "abc", "[$']", "a[c]c"},
                      ReplaceCase{"ZeroStays", "(b)", "abc", "$0", "a$0c"},
                      ReplaceCase{"PastTheGroupsStays", "(b)", "abc", "$2", "a$2c"},
                      ReplaceCase{"TwoDigitsFallBackToOne", "(b)", "abc", "$10", "ab0c"},
                      ReplaceCase{"TwoDigits", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk",
                                  "$11$01", "ka"},
                      ReplaceCase{"GroupThatTookNoPart", "a(x)?", "ab", "[$1]", "[]b"},
                      ReplaceCase{"NamedGroup", "(?<n>b)", "abc", "[$<n>]", "a[b]c"},
                      ReplaceCase{"NoNamedGroups", "(b)", "abc", "$<n>", "a$<n>c"},
                      ReplaceCase{"LoneDollar", "b", "abc", "$", "a$c"},
                      ReplaceCase{"Chinese", G(u8"侠"), G(u8"神雕侠侣"), G(u8"[$&]"),
                                  G(u8"神雕[侠]侣")}),
    [](const auto& info) { return info.param.name; });

TEST(RegexObjectTest, ReplaceMatchesReplacesOnlyTheFirstWhenNotGlobal) {
  RegexObject regex;
  regex.Create("o", "foo", false, true, /*global=*/false);
  EXPECT_EQ(regex.ReplaceMatches("0"), "f0o");
}

TEST(RegexObjectTest, PositionsAreByteOffsetsInTheSubject) {
  RegexObject regex;
  // Two-byte characters before each match: byte offsets run ahead of character indices.
  const Text subject = G(u8"中a文a") + "(b)(c)";
  ASSERT_TRUE(regex.Create("a|\\((\\w)\\)", subject));
  ASSERT_EQ(regex.MatchCount(), 4);
  int position = 0;
  EXPECT_EQ(regex.MatchText(1, &position), "a");
  EXPECT_EQ(position, 2);
  EXPECT_EQ(regex.MatchText(2, &position), "a");
  EXPECT_EQ(position, 5);
  EXPECT_EQ(regex.SubMatchText(4, 1, &position), "c");
  EXPECT_EQ(position, 10);
  EXPECT_EQ(regex.SubMatchText(1, 1, &position), "");
  EXPECT_EQ(position, -2);
  EXPECT_EQ(regex.MatchText(9, &position), "");
  EXPECT_EQ(position, -2);

  // The second group's position is its own, not that of an equal text before it.
  ASSERT_TRUE(regex.Create("(a)(a)", "xaa"));
  EXPECT_EQ(regex.SubMatchText(1, 2, &position), "a");
  EXPECT_EQ(position, 2);
}

TEST(RegexObjectTest, BadBytesInTheSubjectComeBackAsTheyStood) {
  RegexObject regex;
  const Text subject = "<b>\xFF</b>\x81<i>";
  ASSERT_TRUE(regex.Create("<b>(.*?)</b>(.)<i>", subject));
  EXPECT_EQ(regex.SubMatchText(1, 1), "\xFF");
  EXPECT_EQ(regex.SubMatchText(1, 2), "\x81");
  EXPECT_EQ(regex.ReplaceMatches("[$1]"), "[\xFF]");
}

TEST(RegexObjectTest, EachCharacterOfAnyByteStringComesBackAsItsOwnBytes) {
  // Random bytes, good and bad sequences mixed. Matching any single character must cut the
  // subject into pieces of exactly one character each: every piece decodes on its own to the
  // character the whole subject decodes to at that place.
  const unsigned char alphabet[] = {'a',  '0',  '1',  '5',  'A',  0x7F, 0x80, 0x81, 0x84, 0x90,
                                    0xA1, 0xA2, 0xA3, 0xA4, 0xD6, 0xE3, 0xFE, 0xFF, '\n', ' '};
  std::mt19937 random(12345);
  RegexObject regex;
  for (int round = 0; round < 3000; ++round) {
    Text subject;
    const int length = static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) {
      subject.push_back(static_cast<char>(alphabet[random() % sizeof alphabet]));
    }
    ASSERT_TRUE(regex.Create("[\\s\\S]", subject));
    Text joined;
    std::string decoded;
    for (int i = 1; i <= regex.MatchCount(); ++i) {
      const Text piece = regex.MatchText(i);
      ASSERT_FALSE(piece.empty());
      joined += piece;
      decoded += GbkToUtf8(piece);
    }
    ASSERT_EQ(joined, subject) << "round " << round;
    ASSERT_EQ(decoded, GbkToUtf8(subject)) << "round " << round;
  }
}

TEST(RegexObjectTest, AnEngineLimitKeepsTheMatchesFoundBefore) {
  // The second alternative backtracks exponentially on the run of a's and stops on the
  // engine's match limit; the three matches before it stand.
  RegexObject regex;
  const Text subject = "ab ab ab " + std::string(40, 'a') + "!";
  EXPECT_TRUE(regex.Create("ab|(a|aa)+$", subject));
  EXPECT_EQ(AllMatches(regex), (Texts{"ab", "ab", "ab"}));
}

}  // namespace
}  // namespace text
