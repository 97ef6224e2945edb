#include "browse/BookList.h"

#include <gmock/gmock.h>

#include "tests/support/FakeWindow.h"
#include "tests/support/ListPage.h"
#include "text/KeepNonAscii.h"

namespace browse {
namespace {

using ::testing::ElementsAre;
using testsupport::BookEntry;
using testsupport::EntryHtml;
using testsupport::FakeWindow;
using testsupport::Filler;
using testsupport::NumberedEntry;
using Row = FakeWindow::Row;

// The row an entry gives: its title loses its ASCII characters (the digits of a numbered one).
Row RowOf(const BookEntry& e) {
  return {text::KeepNonAscii(e.title), e.updated, e.size, e.link};
}

TEST(FillBookListTest, OneRowPerEntryInPageOrder) {
  std::string page = Filler(300);
  for (int i = 1; i <= 3; ++i) page += EntryHtml(NumberedEntry(i)) + Filler(200);
  FakeWindow window;
  window.rows = {{"stale", "", "", ""}};

  FillBookList(window, page);

  EXPECT_THAT(window.rows, ElementsAre(RowOf(NumberedEntry(1)), RowOf(NumberedEntry(2)),
                                       RowOf(NumberedEntry(3))));
  // Emptied first, then each row inserted and its cells written in column order.
  ASSERT_GE(window.changes.size(), 6u);
  EXPECT_THAT(std::vector(window.changes.begin(), window.changes.begin() + 6),
              ElementsAre("DeleteAllRows", "InsertRow", "SetCell 0 0", "SetCell 0 1", "SetCell 0 2",
                          "SetCell 0 3"));
}

TEST(FillBookListTest, AnEmptyPageEmptiesTheList) {
  FakeWindow window;
  window.rows = {{"stale", "", "", ""}};
  FillBookList(window, "");
  EXPECT_TRUE(window.rows.empty());
}

struct TitleCase {
  const char* name;
  std::string title;  // between 《 and 》 on the page
  std::string shown;  // in the first column
};

class TitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleTest, KeepsOnlyTheNonAsciiCharacters) {
  BookEntry e = NumberedEntry(1);
  e.title = GetParam().title;
  FakeWindow window;
  FillBookList(window, EntryHtml(e));
  ASSERT_EQ(window.rows.size(), 1u);
  EXPECT_EQ(window.rows[0][0], GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleTest,
    ::testing::Values(TitleCase{"ChineseOnly", G(u8"剑啸九州"), G(u8"剑啸九州")},
                      TitleCase{"TrailingDigit", G(u8"斗罗大陆2"), G(u8"斗罗大陆")},
                      TitleCase{"TagAroundTheName", G(u8"<b>龙族</b>"), G(u8"龙族")},
                      TitleCase{"LettersAndSpaces", G(u8"重生 of 都市 ABC"), G(u8"重生都市")},
                      TitleCase{"FullWidthPunctuationStays", G(u8"你好，世界！"),
                                G(u8"你好，世界！")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FillBookListTest, MarkersMatchInEitherCase) {
  std::string page = EntryHtml(NumberedEntry(1));
  for (auto [from, to] : {std::pair{"qq_l", "QQ_L"},
                          {"qq_m", "Qq_M"},
                          {"qq_g", "QQ_G"},
                          {"class=", "CLASS="},
                          {"href", "HREF"}}) {
    page.replace(page.find(from), std::string_view(from).size(), to);
  }
  FakeWindow window;
  FillBookList(window, page);
  EXPECT_THAT(window.rows, ElementsAre(RowOf(NumberedEntry(1))));
}

TEST(FillBookListTest, AnEntryMissingAPieceTakesItFromTheNextEntry) {
  std::string first = EntryHtml(NumberedEntry(1));
  const std::size_t m = first.find("<li class=\"qq_m\">");
  first.erase(m, first.find("\r\n", m) + 2 - m);
  FakeWindow window;

  FillBookList(window, first + EntryHtml(NumberedEntry(2)) + EntryHtml(NumberedEntry(3)));

  // Entry 1's size with entry 2's time, link and title; then entry 3 alone.
  const BookEntry e1 = NumberedEntry(1), e2 = NumberedEntry(2);
  EXPECT_THAT(window.rows,
              ElementsAre(Row{text::KeepNonAscii(e2.title), e2.updated, e1.size, e2.link},
                          RowOf(NumberedEntry(3))));
}

TEST(FillBookListTest, ATitleAcrossALineBreakIsReadFromTheNextEntry) {
  BookEntry broken = NumberedEntry(1);
  broken.title = G(u8"上半\r\n下半");
  FakeWindow window;

  FillBookList(window, EntryHtml(broken) + EntryHtml(NumberedEntry(2)));

  ASSERT_FALSE(window.rows.empty());
  EXPECT_EQ(window.rows[0][2], broken.size);
  EXPECT_EQ(window.rows[0][0], text::KeepNonAscii(NumberedEntry(2).title));
}

TEST(FillBookListTest, TheLinkIsKeptExactlyAsWritten) {
  BookEntry e = NumberedEntry(1);
  e.link = " xuanhuan/22/%E4 a.html";
  FakeWindow window;
  FillBookList(window, EntryHtml(e));
  ASSERT_EQ(window.rows.size(), 1u);
  EXPECT_EQ(window.rows[0][3], e.link);
}

}  // namespace
}  // namespace browse
