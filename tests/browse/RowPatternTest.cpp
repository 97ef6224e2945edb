#include "browse/RowPattern.h"

#include <gtest/gtest.h>

#include "tests/support/ListPage.h"
#include "text/RegexObject.h"

namespace browse {
namespace {

using testsupport::BookEntry;
using testsupport::EntryHtml;
using testsupport::Filler;
using testsupport::NumberedEntry;

// Checks that match k (from 1) of `regex` holds the pieces of `e`.
void ExpectRow(const text::RegexObject& regex, int k, const BookEntry& e) {
  EXPECT_EQ(regex.SubMatchText(k, 1), e.size) << "row " << k;
  EXPECT_EQ(regex.SubMatchText(k, 2), e.updated) << "row " << k;
  EXPECT_EQ(regex.SubMatchText(k, 3), e.link) << "row " << k;
  EXPECT_EQ(regex.SubMatchText(k, 4), e.title) << "row " << k;
}

TEST(RowPatternTest, FindsEachEntryWithItsFourPieces) {
  std::string page = Filler(500);
  for (int i = 1; i <= 3; ++i) page += EntryHtml(NumberedEntry(i)) + Filler(300);

  text::RegexObject regex;
  ASSERT_TRUE(regex.Create(kRowPattern, page));
  ASSERT_EQ(regex.MatchCount(), 3);
  EXPECT_EQ(regex.SubMatchCount(), 4);
  for (int i = 1; i <= 3; ++i) ExpectRow(regex, i, NumberedEntry(i));
}

TEST(RowPatternTest, ATwoMegabytePageWhoseLastEntryLacksItsTitle) {
  // Every gap of the pattern runs to the end of the page on the last entry before the match
  // fails; the rows before it come out all the same.
  constexpr int kEntries = 600;
  std::string page;
  for (int i = 1; i < kEntries; ++i) page += EntryHtml(NumberedEntry(i)) + Filler(3000);
  page += EntryHtml(NumberedEntry(kEntries), /*withTitle=*/false);
  while (page.size() < 2 * 1024 * 1024) page += Filler(64 * 1024);

  text::RegexObject regex;
  ASSERT_TRUE(regex.Create(kRowPattern, page));
  ASSERT_EQ(regex.MatchCount(), kEntries - 1);
  for (int i = 1; i < kEntries; ++i) ExpectRow(regex, i, NumberedEntry(i));
}

}  // namespace
}  // namespace browse
