#include "browse/ListPage.h"

#include <gmock/gmock.h>

#include "browse/Site.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/ListPage.h"
#include "tests/support/ScriptedSite.h"
#include "tests/web/Loopback.h"

namespace browse {
namespace {

using ::testing::ElementsAre;
using testsupport::ListPageHtml;
using testsupport::NumberedEntry;

TEST(ListAddressTest, IsTheSiteBaseWithTheListPath) {
  EXPECT_EQ(ListAddress("xuanhuan", 22, 1), SiteBase() + "html/xuanhuan/list_22_1.html");
  EXPECT_EQ(ListAddress("dushi", 43, 12), SiteBase() + "html/dushi/list_43_12.html");
}

struct NumbersCase {
  const char* name;
  std::string page;  // GBK
  std::string label;
  int pageCount;
};

class PageNumbersTest : public ::testing::TestWithParam<NumbersCase> {};

TEST_P(PageNumbersTest, ShowsTheNumbersAsThePageWritesThem) {
  const NumbersCase& c = GetParam();
  testsupport::ScriptedSite site;
  site.Put("/html/wuxia/list_30_3.html", c.page);
  testsupport::FakeWindow window;
  BrowseState state{"wuxia", 30, 3, 99};

  LoadListPage(state, window, "wuxia", 30, 3);

  EXPECT_THAT(site.Targets(), ElementsAre("/html/wuxia/list_30_3.html"));
  EXPECT_EQ(window.pageLabel, c.label);
  EXPECT_EQ(state.PageCount, c.pageCount);
  EXPECT_EQ(state.CurrentPage, 3) << "the loader writes only PageCount";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageNumbersTest,
    ::testing::Values(
        NumbersCase{"Plain", ListPageHtml("3", "57"), "3/57", 57},
        NumbersCase{"FullWidthTotal", ListPageHtml("3", G(u8"５７")), "3/" + G(u8"５７"), 57},
        NumbersCase{"TotalWithTextAfterTheNumber", ListPageHtml("3", " 57 pages"), "3/ 57 pages",
                    57},
        NumbersCase{"TotalNotANumber", ListPageHtml("3", G(u8"多")), "3/" + G(u8"多"), 0},
        NumbersCase{"CurrentMarkerTwice",
                    ListPageHtml("3", "57") + "<li class=\"thisclass\">8</li>", "3/57", 57},
        NumbersCase{"UpperCaseCurrentMarker",
                    "<li class=\"THISCLASS\">3</li>" + G(u8"共 <strong>57</strong>页"), "/57", 57},
        NumbersCase{"NoTotalMarkers", "<li class=\"thisclass\">3</li>", "3/", 0},
        NumbersCase{"TotalMarkersInUtf8",
                    "<li class=\"thisclass\">3</li>\xE5\x85\xB1 <strong>57</strong>\xE9\xA1\xB5",
                    "3/", 0},
        NumbersCase{"EmptyPage", "", "/", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadListPageTest, FillsTheBookListFromThePage) {
  testsupport::ScriptedSite site;
  site.Put("/html/dushi/list_36_2.html",
           ListPageHtml("2", "4", {NumberedEntry(1), NumberedEntry(2)}));
  testsupport::FakeWindow window;
  window.rows = {{"old", "row", "", ""}};
  BrowseState state;

  LoadListPage(state, window, "dushi", 36, 2);

  ASSERT_EQ(window.rows.size(), 2u);
  EXPECT_EQ(window.rows[1][3], NumberedEntry(2).link);
  // The label changes before the rows do.
  EXPECT_EQ(window.changes.front(), "SetPageLabel");
}

TEST(LoadListPageTest, AnUnreachableSiteShowsASlashAndAnEmptyList) {
  RefusingPort refusing;
  testsupport::ScopedSiteBase offline("http://127.0.0.1:" + std::to_string(refusing.Port()) + "/");
  testsupport::FakeWindow window;
  window.rows = {{"old", "row", "", ""}};
  BrowseState state{"wuxia", 30, 2, 57};

  LoadListPage(state, window, "wuxia", 30, 2);

  EXPECT_EQ(window.pageLabel, "/");
  EXPECT_EQ(state.PageCount, 0);
  EXPECT_TRUE(window.rows.empty());
}

}  // namespace
}  // namespace browse
