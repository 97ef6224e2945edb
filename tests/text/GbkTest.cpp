#include "text/Gbk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace text {
namespace {

using ::testing::ElementsAreArray;

constexpr std::string_view kFffd = "\xEF\xBF\xBD";

TEST(GbkTest, DecodesAndEncodesChineseText) {
  EXPECT_EQ(GbkToUtf8("\xD6\xD0\xCE\xC4 abc"), "中文 abc");
  EXPECT_EQ(Utf8ToGbk("中文 abc"), "\xD6\xD0\xCE\xC4 abc");
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(GbkTest, TheEuroSignIsByte0x80BothWays) {
  EXPECT_EQ(GbkToUtf8("1\x80"), "1€");
  EXPECT_EQ(Utf8ToGbk("1€2€"),
            "1\x80"
            "2\x80");
  // The GB18030 form reads as the euro sign too, and comes back as the code page 936 byte.
  EXPECT_EQ(GbkToUtf8("\xA2\xE3"), "€");
}

TEST(GbkTest, EveryDoubleByteCharacterComesBackUnchanged) {
  std::string page;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F || (lead == 0xA2 && trail == 0xE3)) continue;
      page.push_back(static_cast<char>(lead));
      page.push_back(static_cast<char>(trail));
    }
  }
  page += "\x80<p>";
  const std::string utf8 = GbkToUtf8(page);
  EXPECT_EQ(utf8.find(kFffd), std::string::npos);
  EXPECT_EQ(Utf8ToGbk(utf8), page);
}

TEST(GbkTest, FourByteCharactersComeBackUnchanged) {
  // U+0080, U+FFFF, U+10000 and U+10FFFF.
  const std::string page = "\x81\x30\x81\x30\x84\x31\xA4\x39\x90\x30\x81\x30\xE3\x32\x9A\x35";
  EXPECT_EQ(GbkToUtf8(page), "\u0080\uFFFF\U00010000\U0010FFFF");
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(page)), page);
}

struct BadInputCase {
  std::string gbk;
  std::string utf8;
};

class GbkBadInputTest : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(GbkBadInputTest, EachBadSequenceBecomesOneReplacementCharacter) {
  EXPECT_EQ(GbkToUtf8(GetParam().gbk), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GbkBadInputTest,
    ::testing::Values(
        BadInputCase{"\xFF"
                     "a",
                     "\uFFFD"
                     "a"},
        // The ASCII byte after a bad lead byte is read on its own, so markup survives.
        BadInputCase{"\x81<b>", "\uFFFD<b>"}, BadInputCase{"\x81\x7F", "\uFFFD\x7F"},
        // A lead byte with a second byte that no character has: both go.
        BadInputCase{"\x81\xFFx", "\uFFFDx"},
        // Cut off at the end.
        BadInputCase{"ab\x81", "ab\uFFFD"}, BadInputCase{"\x81\x30", "\uFFFD"},
        BadInputCase{"\x81\x30\x81", "\uFFFD"},
        // A four-byte form broken in its third or fourth byte gives back the bytes after the
        // lead.
        BadInputCase{"\x81\x30"
                     "ab",
                     "\uFFFD"
                     "0ab"},
        BadInputCase{"\x81\x30\x81\x41",
                     "\uFFFD"
                     "0\u4E04"},
        // Well formed, but past U+10FFFF.
        BadInputCase{"\xE3\x32\x9A\x36z", "\uFFFDz"},
        BadInputCase{"\xD6\xD0\xFF\xCE\xC4", "中\uFFFD文"}));

TEST(GbkTest, OffsetsMapEveryCharacterBackToItsBytes) {
  // a, 中 (2 bytes), euro (1 byte), a bad byte, U+10000 (4 bytes), b.
  const std::string gbk =
      "a\xD6\xD0\x80\xFF\x90\x30\x81\x30"
      "b";
  std::vector<std::uint32_t> offsets;
  const std::string utf8 = GbkToUtf8(gbk, offsets);
  ASSERT_EQ(utf8, "a中€\uFFFD\U00010000b");
  ASSERT_EQ(offsets.size(), utf8.size() + 1);
  // UTF-8 character starts: a 0, 中 1, € 4, U+FFFD 7, U+10000 10, b 14, end 15.
  const std::vector<std::size_t> starts = {0, 1, 4, 7, 10, 14, 15};
  std::vector<std::uint32_t> mapped;
  for (std::size_t s : starts) mapped.push_back(offsets[s]);
  EXPECT_THAT(mapped, ElementsAreArray({0u, 1u, 3u, 4u, 5u, 9u, 10u}));
}

TEST(GbkTest, InvalidUtf8BecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToGbk("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(Utf8ToGbk("\xE4\xB8"
                      "x"),
            "??x");
  EXPECT_EQ(Utf8ToGbk("\xE2€"), "?\x80");
}

TEST(GbkTest, ThreadsConvertAtTheSameTime) {
  const std::string gbk =
      "\xD6\xD0\xCE\xC4\x80\xFF"
      "abc";
  const std::string utf8 = GbkToUtf8(gbk);
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (GbkToUtf8(gbk) != utf8 || Utf8ToGbk("中文€") != "\xD6\xD0\xCE\xC4\x80") ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_THAT(failures, ::testing::Each(0));
}

}  // namespace
}  // namespace text
