#include "download/BookPage.h"

#include <gmock/gmock.h>

#include "browse/Site.h"
#include "tests/support/BookPages.h"
#include "tests/support/FakeWindow.h"
#include "tests/support/Gbk.h"
#include "tests/support/ScriptedSite.h"

namespace download {
namespace {

using ::testing::ElementsAre;
using testsupport::BookPageHtml;
using testsupport::DownloadListHtml;

constexpr const char* kBookPath = "/html/wuxia/30/1001.html";
constexpr const char* kListPath = "/down/1001.html";

std::string BookPageUrl() {
  return browse::SiteBase() + std::string(kBookPath).substr(1);
}

TEST(BookPageMarkersTest, AreTheSitesTextsInGbk) {
  EXPECT_EQ(kListLinkStart, G(u8"本书TXT下载地址：·<a href='"));
  EXPECT_EQ(kListLinkEnd, G(u8"'>进入下载地址列表"));
  EXPECT_EQ(kFileLinkStart, G(u8"江苏电信下载</a></li><li><a rel=\"nofollow\" href=\""));
  EXPECT_EQ(kFileLinkEnd, G(u8"\" target=\"_blank\">广东电信下载</a></li></ul>\r"));
}

struct IntroCase {
  const char* name;
  std::string bookPage;  // GBK; empty: the page is missing
  std::string shown;
};

class IntroTest : public ::testing::TestWithParam<IntroCase> {};

TEST_P(IntroTest, ShowsOnlyTheNonAsciiTextOfTheIntroduction) {
  const IntroCase& c = GetParam();
  testsupport::ScriptedSite site;
  if (!c.bookPage.empty()) site.Put(kBookPath, c.bookPage);
  testsupport::FakeWindow window;
  window.intro = G(u8"上一本书的简介");

  ResolveDownloadUrl(window, BookPageUrl());

  EXPECT_EQ(window.intro, c.shown);
  EXPECT_THAT(window.changes, ElementsAre("SetIntro"));
}

std::string WithSingleQuotedClass(std::string page) {
  page.replace(page.find("\"jianjie\""), 9, "'jianjie'");
  return page;
}

INSTANTIATE_TEST_SUITE_P(
    , IntroTest,
    ::testing::Values(IntroCase{"EntitiesTagsAndEnglishDrop",
                                BookPageHtml("&nbsp;&nbsp;" + G(u8"少年踏上江湖路。") +
                                                 "<br />\r\nhello " + G(u8"完结"),
                                             kListPath),
                                G(u8"少年踏上江湖路。") + "\r\n" + G(u8"完结")},
                      IntroCase{"FullWidthSpacesStay",
                                BookPageHtml("  " + G(u8"　　第一卷　") + "  ", kListPath),
                                G(u8"　　第一卷　")},
                      IntroCase{"AsciiOnlyGivesAnEmptyBox",
                                BookPageHtml("<p>An English blurb only.</p>", kListPath), ""},
                      IntroCase{"AClassInSingleQuotesIsNotTheMarker",
                                WithSingleQuotedClass(BookPageHtml(G(u8"简介"), kListPath)), ""},
                      IntroCase{"NoIntroductionMarkers", G(u8"<html>只有标题</html>"), ""},
                      IntroCase{"MissingBookPageEmptiesTheBox", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResolveDownloadUrlTest, FollowsTheBookPageAndTheListPageToTheFile) {
  testsupport::ScriptedSite site;
  site.Put(kBookPath, BookPageHtml(G(u8"简介"), "down/1001.html"));
  site.Put(kListPath, DownloadListHtml("txt/1001.txt"));
  testsupport::FakeWindow window;
  const std::string address = BookPageUrl();

  EXPECT_EQ(ResolveDownloadUrl(window, address), browse::SiteBase() + "txt/1001.txt");
  EXPECT_EQ(ResolveDownloadUrl(window, address), browse::SiteBase() + "txt/1001.txt");

  EXPECT_EQ(address, BookPageUrl());
  EXPECT_THAT(site.Targets(), ElementsAre(kBookPath, kListPath, kBookPath, kListPath));
  EXPECT_EQ(window.intro, G(u8"简介"));
}

TEST(ResolveDownloadUrlTest, AppendsTheLinksAsTheyStand) {
  // A link with a leading "/" gives two slashes after the host, and the site sees them.
  testsupport::ScriptedSite site;
  site.Put(kBookPath, BookPageHtml(G(u8"简介"), "/down/1001.html"));
  site.Put("//down/1001.html", DownloadListHtml("/txt/a b.txt"));
  testsupport::FakeWindow window;

  EXPECT_EQ(ResolveDownloadUrl(window, BookPageUrl()), browse::SiteBase() + "/txt/a b.txt");
  EXPECT_THAT(site.Targets(), ElementsAre(kBookPath, "//down/1001.html"));
}

struct NoListLinkCase {
  const char* name;
  std::string bookPage;  // empty: the page is missing
};

class NoListLinkTest : public ::testing::TestWithParam<NoListLinkCase> {};

TEST_P(NoListLinkTest, AsksTheSiteBaseForTheListAndGivesTheSiteBase) {
  testsupport::ScriptedSite site;
  if (!GetParam().bookPage.empty()) site.Put(kBookPath, GetParam().bookPage);
  site.Put("/", "<html>" + G(u8"首页") + "</html>");
  testsupport::FakeWindow window;

  EXPECT_EQ(ResolveDownloadUrl(window, BookPageUrl()), browse::SiteBase());
  EXPECT_THAT(site.Targets(), ElementsAre(kBookPath, "/"));
}

INSTANTIATE_TEST_SUITE_P(, NoListLinkTest,
                         ::testing::Values(NoListLinkCase{"BookPageWithoutTheLink",
                                                          BookPageHtml(G(u8"简介"), "")},
                                           NoListLinkCase{"MissingBookPage", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResolveDownloadUrlTest, IsTheSiteBaseWhenTheListPageHasNoFileLink) {
  testsupport::ScriptedSite site;
  site.Put(kBookPath, BookPageHtml(G(u8"简介"), "down/1001.html"));
  site.Put(kListPath, "<html>" + G(u8"江苏电信下载") + "</html>");
  testsupport::FakeWindow window;

  EXPECT_EQ(ResolveDownloadUrl(window, BookPageUrl()), browse::SiteBase());
  EXPECT_EQ(window.intro, G(u8"简介"));
}

TEST(ResolveDownloadUrlTest, TakesTheFileLinkAfterTheFirstStartMarker) {
  testsupport::ScriptedSite site;
  site.Put(kBookPath, BookPageHtml(G(u8"简介"), "down/1001.html"));
  const std::string start(kFileLinkStart);
  site.Put(kListPath, start + "a.txt\">x</a>" + start + "b.txt" + std::string(kFileLinkEnd) + "\n" +
                          start + "c.txt" + std::string(kFileLinkEnd));
  testsupport::FakeWindow window;

  EXPECT_EQ(ResolveDownloadUrl(window, BookPageUrl()),
            browse::SiteBase() + "a.txt\">x</a>" + start + "b.txt");
}

}  // namespace
}  // namespace download
