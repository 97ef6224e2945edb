#include "browse/BrowseState.h"

#include <gmock/gmock.h>

#include "tests/support/FakeWindow.h"
#include "tests/support/ListPage.h"
#include "tests/support/ScriptedSite.h"

namespace browse {
namespace {

using ::testing::ElementsAre;
using testsupport::ListPageHtml;

const SubCategory& Entry(std::string_view item) {
  for (const auto& entry : kSubCategories) {
    if (entry.item == item) return entry;
  }
  throw std::invalid_argument("no such menu item");
}

class BrowseStateTest : public ::testing::Test {
 protected:
  // Every page of list `listNumber` in `dir`, each announcing `pages` pages in all.
  void PutList(const std::string& dir, int listNumber, int pages) {
    for (int p = 1; p <= pages; ++p) {
      site_.Put(testsupport::ListPath(dir, listNumber, p),
                ListPageHtml(std::to_string(p), std::to_string(pages)));
    }
  }

  testsupport::ScriptedSite site_;
  testsupport::FakeWindow window_;
  BrowseState state_;
};

TEST_F(BrowseStateTest, ChoosingAMenuItemLoadsPageOneOfItsList) {
  PutList("xuanhuan", 22, 5);
  SelectSubCategory(state_, window_, Entry("东方玄幻3"));

  EXPECT_THAT(site_.Targets(), ElementsAre("/html/xuanhuan/list_22_1.html"));
  EXPECT_EQ(state_.CategoryDir, "xuanhuan");
  EXPECT_EQ(state_.ListNumber, 22);
  EXPECT_EQ(state_.CurrentPage, 1);
  EXPECT_EQ(state_.PageCount, 5);
  EXPECT_EQ(window_.pageLabel, "1/5");
}

TEST_F(BrowseStateTest, ChoosingTheShownListAgainGoesBackToPageOne) {
  PutList("dushi", 43, 9);
  SelectSubCategory(state_, window_, Entry("都市异能5"));
  NextPage(state_, window_);
  NextPage(state_, window_);
  SelectSubCategory(state_, window_, Entry("都市异能5"));

  EXPECT_THAT(site_.Targets(),
              ElementsAre("/html/dushi/list_43_1.html", "/html/dushi/list_43_2.html",
                          "/html/dushi/list_43_3.html", "/html/dushi/list_43_1.html"));
  EXPECT_EQ(state_.CurrentPage, 1);
}

// The page buttons clamp the page number but always fetch.
struct PageMove {
  const char* name;
  int currentPage;
  int pageCount;  // as the last list page announced it
  bool next;
  int expectedPage;
};

class PageButtonTest : public BrowseStateTest, public ::testing::WithParamInterface<PageMove> {};

TEST_P(PageButtonTest, RequestsTheClampedPage) {
  const PageMove& move = GetParam();
  PutList("wuxia", 30, 57);
  state_ = {"wuxia", 30, move.currentPage, move.pageCount};

  if (move.next) {
    NextPage(state_, window_);
  } else {
    PreviousPage(state_, window_);
  }

  const std::string expected = "/html/wuxia/list_30_" + std::to_string(move.expectedPage) + ".html";
  EXPECT_THAT(site_.Targets(), ElementsAre(expected));
  EXPECT_EQ(state_.CurrentPage, move.expectedPage);
}

INSTANTIATE_TEST_SUITE_P(Moves, PageButtonTest,
                         ::testing::Values(PageMove{"PreviousFromThree", 3, 57, false, 2},
                                           PageMove{"PreviousOnPageOneReloadsIt", 1, 57, false, 1},
                                           PageMove{"NextFromFiftySix", 56, 57, true, 57},
                                           PageMove{"NextOnTheLastPageReloadsIt", 57, 57, true, 57},
                                           PageMove{"NextWithNoTotalKeepsThePage", 4, 0, true, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseStateTest, AfterAFailedFetchNextPageReloadsAndPreviousStillMovesBack) {
  // The list says it has three pages, but page 3 comes back empty and announces no total.
  PutList("wuxia", 32, 2);
  site_.Put("/html/wuxia/list_32_3.html", "");
  state_ = {"wuxia", 32, 2, 3};
  NextPage(state_, window_);
  EXPECT_EQ(state_.PageCount, 0);
  EXPECT_EQ(window_.pageLabel, "/");

  NextPage(state_, window_);
  PreviousPage(state_, window_);

  EXPECT_THAT(site_.Targets(),
              ElementsAre("/html/wuxia/list_32_3.html", "/html/wuxia/list_32_3.html",
                          "/html/wuxia/list_32_2.html"));
  EXPECT_EQ(state_.PageCount, 2);
}

}  // namespace
}  // namespace browse
