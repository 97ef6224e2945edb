#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "browse/RowPattern.h"
#include "tests/support/Gbk.h"
#include "text/Gbk.h"
#include "text/Markers.h"
#include "text/RegexObject.h"
#include "text/Text.h"
#include "tools/demosite/BookText.h"
#include "tools/demosite/Books.h"
#include "tools/demosite/Site.h"
#include "tools/loopback/HttpServer.h"
#include "web/WebRequest.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The markers the program cuts its data out of the site's pages by, in GBK.
const std::string kCurrentPageStart = "thisclass\">";
const std::string kCurrentPageEnd = "</li>";
const std::string kPageCountStart = G(u8"共 <strong>");
const std::string kPageCountEnd = G(u8"</strong>页");
const std::string kIntroStart =
    "<script type=\"text/javascript\" src=\"/templets/xin4.js\"></script>\r\n</div>\r\n</div>\r\n"
    "<div class=\"jianjie\">";
const std::string kIntroEnd = "<div class=\"tuiguang\">\r";
const std::string kListLinkStart = G(u8"本书TXT下载地址：·<a href='");
const std::string kListLinkEnd = G(u8"'>进入下载地址列表");
const std::string kFileLinkStart = G(u8"江苏电信下载</a></li><li><a rel=\"nofollow\" href=\"");
const std::string kFileLinkEnd = G(u8"\" target=\"_blank\">广东电信下载</a></li></ul>\r");

// The fourteen lists the program's menu offers.
struct ListCase {
  const char* dir;
  int number;
};
constexpr ListCase kLists[] = {
    {"wuxia", 30},    {"wuxia", 32},    {"wuxia", 34},    {"xuanhuan", 28}, {"xuanhuan", 27},
    {"xuanhuan", 22}, {"xuanhuan", 23}, {"xuanhuan", 25}, {"xuanhuan", 26}, {"dushi", 36},
    {"dushi", 38},    {"dushi", 40},    {"dushi", 42},    {"dushi", 43}};

bool HasAscii(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Bytes a size label stands for, to the precision it is written with: [low, high).
std::pair<double, double> SizeRange(const std::string& label) {
  const double value = std::stod(label);
  if (label.back() == 'K') return {(value - 0.5) * 1024, (value + 0.5) * 1024};
  return {(value - 0.005) * 1048576, (value + 0.005) * 1048576};
}

class DemoSiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    site_ = new demosite::Site;
    server_ = new loopback::HttpServer(
        [](const loopback::Request& request, loopback::Connection& connection) {
          site_->Handle(request, connection);
        });
  }
  static void TearDownTestSuite() {
    delete server_;
    delete site_;
  }

  // The body at `path` (site root relative, no leading "/"); `status` gets the status line.
  static std::string Fetch(std::string_view path, std::string* status = nullptr,
                           std::string extraHeaders = {}) {
    text::Text responseHeaders;
    text::Text headers = std::move(extraHeaders);
    text::ByteArray body = web::WebRequest(server_->BaseUrl() + std::string(path), 0, {}, nullptr,
                                           nullptr, &headers, &responseHeaders);
    if (status) *status = responseHeaders.substr(0, responseHeaders.find("\r\n"));
    return std::string(body.begin(), body.end());
  }

  static std::string ListPath(const ListCase& list, int page) {
    return "html/" + std::string(list.dir) + "/list_" + std::to_string(list.number) + "_" +
           std::to_string(page) + ".html";
  }

  static demosite::Site* site_;
  static loopback::HttpServer* server_;
};

demosite::Site* DemoSiteTest::site_ = nullptr;
loopback::HttpServer* DemoSiteTest::server_ = nullptr;

TEST_F(DemoSiteTest, MarkersHaveTheProgramsByteLengths) {
  EXPECT_EQ(kIntroStart.size(), 103u);
  EXPECT_EQ(kIntroEnd.size(), 23u);
  EXPECT_EQ(kListLinkStart.size(), 28u);
  EXPECT_EQ(kListLinkEnd.size(), 18u);
  EXPECT_EQ(kFileLinkStart.size(), 49u);
  EXPECT_EQ(kFileLinkEnd.size(), 45u);
  EXPECT_EQ(kListLinkStart.substr(15, 4), "\xA3\xBA\xA1\xA4");  // full-width colon, middle dot
}

// Every list: page 1 and the last page announce themselves and the count, hold rows the row
// pattern reads, newest first, with all-Chinese titles; the page after the last is missing.
TEST_F(DemoSiteTest, EveryListPagesThroughToItsLastPage) {
  for (const ListCase& list : kLists) {
    SCOPED_TRACE(ListPath(list, 1));
    std::string status;
    const std::string first = Fetch(ListPath(list, 1), &status);
    EXPECT_THAT(status, HasSubstr(" 200 "));
    EXPECT_EQ(text::TextBetween(first, kCurrentPageStart, kCurrentPageEnd), "1");
    const int count = text::ToInteger(text::TextBetween(first, kPageCountStart, kPageCountEnd));
    ASSERT_GE(count, 2);

    const std::string last = Fetch(ListPath(list, count));
    EXPECT_EQ(text::TextBetween(last, kCurrentPageStart, kCurrentPageEnd), std::to_string(count));
    EXPECT_EQ(text::TextBetween(last, kPageCountStart, kPageCountEnd), std::to_string(count));
    Fetch(ListPath(list, count + 1), &status);
    EXPECT_THAT(status, HasSubstr(" 404 "));

    for (const std::string* page : {&first, &last}) {
      text::RegexObject rows;
      ASSERT_TRUE(rows.Create(browse::kRowPattern, *page));
      ASSERT_GT(rows.MatchCount(), 0);
      EXPECT_LE(rows.MatchCount(), demosite::kBooksPerPage);
      const std::string bookDir = std::string(list.dir) + "/" + std::to_string(list.number) + "/";
      std::string previousDate = "9999";
      for (int i = 1; i <= rows.MatchCount(); ++i) {
        const std::string title = rows.SubMatchText(i, 4);
        EXPECT_FALSE(title.empty());
        EXPECT_FALSE(HasAscii(title)) << text::GbkToUtf8(title);
        EXPECT_THAT(rows.SubMatchText(i, 3), StartsWith(bookDir));
        const std::string date = rows.SubMatchText(i, 2);
        EXPECT_THAT(date, StartsWith("2026-"));
        EXPECT_LE(date, previousDate);
        previousDate = date;
      }
    }
  }
}

// From a list row to the book page, its download list and the file, as the program goes: the
// file is GBK text of the size the row shows, and two ranges put together give the whole file.
TEST_F(DemoSiteTest, ListRowLeadsToTheBooksFile) {
  const std::string page = Fetch(ListPath(kLists[0], 1));
  text::RegexObject rows;
  ASSERT_TRUE(rows.Create(browse::kRowPattern, page));
  ASSERT_GT(rows.MatchCount(), 1);
  // The rows with the smallest and the largest file of the page.
  int smallest = 1, largest = 1;
  for (int i = 2; i <= rows.MatchCount(); ++i) {
    const double size = SizeRange(rows.SubMatchText(i, 1)).first;
    if (size < SizeRange(rows.SubMatchText(smallest, 1)).first) smallest = i;
    if (size > SizeRange(rows.SubMatchText(largest, 1)).first) largest = i;
  }

  for (int row : {smallest, largest}) {
    const std::string bookPath = "html/" + rows.SubMatchText(row, 3);
    SCOPED_TRACE(bookPath);
    const std::string bookPage = Fetch(bookPath);
    const std::string intro = text::TextBetween(bookPage, kIntroStart, kIntroEnd);
    EXPECT_GT(intro.size(), 40u);
    EXPECT_EQ(intro.find("<div"), std::string::npos);

    const std::string listLink = text::TextBetween(bookPage, kListLinkStart, kListLinkEnd);
    ASSERT_THAT(listLink, StartsWith("down/"));
    const std::string fileLink = text::TextBetween(Fetch(listLink), kFileLinkStart, kFileLinkEnd);
    ASSERT_THAT(fileLink, StartsWith("txt/"));

    std::string status;
    const std::string file = Fetch(fileLink, &status);
    EXPECT_THAT(status, HasSubstr(" 200 "));
    const auto [low, high] = SizeRange(rows.SubMatchText(row, 1));
    EXPECT_GE(static_cast<double>(file.size()), low);
    EXPECT_LT(static_cast<double>(file.size()), high);
    const std::string utf8 = text::GbkToUtf8(file);
    EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << "not clean GBK";
    EXPECT_THAT(file, StartsWith(G(u8"《") + rows.SubMatchText(row, 4) + G(u8"》")));
    EXPECT_THAT(file, HasSubstr(G(u8"第一章 ")));

    const std::size_t half = file.size() / 2;
    const std::string front =
        Fetch(fileLink, &status, "Range: bytes=0-" + std::to_string(half - 1));
    EXPECT_THAT(status, HasSubstr(" 206 "));
    const std::string back = Fetch(fileLink, &status, "Range: bytes=" + std::to_string(half) + "-");
    EXPECT_THAT(status, HasSubstr(" 206 "));
    EXPECT_TRUE(front + back == file);
    // The same address gives the same bytes, also when made afresh.
    EXPECT_TRUE(demosite::Site().Page("/" + fileLink) == file);
  }
}

TEST(DemoSitePaceTest, APacedFileStillComesWholeAndInRanges) {
  demosite::Site site;
  site.SetFileRate(40000);
  loopback::HttpServer server([&site](const loopback::Request& request, loopback::Connection& c) {
    site.Handle(request, c);
  });
  const std::string file = *site.Page("/txt/220101.txt");
  text::Text headers = "Range: bytes=1000-";
  text::ByteArray whole = web::WebRequest(server.BaseUrl() + "txt/220101.txt");
  text::ByteArray tail =
      web::WebRequest(server.BaseUrl() + "txt/220101.txt", 0, {}, nullptr, nullptr, &headers);
  EXPECT_TRUE(std::string(whole.begin(), whole.end()) == file);
  EXPECT_TRUE(std::string(tail.begin(), tail.end()) == file.substr(1000));
}

TEST_F(DemoSiteTest, FilesHaveExactlyTheSizeTheCatalogueGives) {
  // Sizes from a few kilobytes to megabytes, each file written to the byte.
  for (int index = 1; index <= demosite::kBooksPerPage; ++index) {
    const auto book = demosite::BookAt(36, 1, index);
    ASSERT_TRUE(book);
    EXPECT_EQ(demosite::BookText(*book).size(), book->fileSize) << book->id;
  }
}

TEST_F(DemoSiteTest, UnknownPathsAreNotFound) {
  const char* const paths[] = {
      "nothing.html",
      "html/wuxia/list_30_0.html",
      "html/wuxia/list_30_01.html",
      "html/dushi/list_30_1.html",  // a list under another category's directory
      "html/wuxia/list_31_1.html",
      "html/wuxia/30/309901.html",  // a page the list does not have
      "html/wuxia/32/300101.html",  // a book of list 30 under list 32
      "down/300199.html",           // a place past the end of the page
      "txt/300101.html",
      "txt/0300101.txt",
  };
  for (const char* path : paths) {
    std::string status;
    const std::string body = Fetch(path, &status);
    EXPECT_THAT(status, HasSubstr(" 404 ")) << path;
    EXPECT_FALSE(site_->Page("/" + std::string(path))) << path;
  }
}

TEST_F(DemoSiteTest, HomeLinksEveryListAndSearchFindsNothing) {
  std::string status;
  const std::string home = Fetch("", &status);
  EXPECT_THAT(status, HasSubstr(" 200 "));
  for (const ListCase& list : kLists) EXPECT_THAT(home, HasSubstr("/" + ListPath(list, 1)));

  const std::string search = Fetch("plus/search.php?keyword=%BD%A3", &status);
  EXPECT_THAT(status, HasSubstr(" 200 "));
  EXPECT_THAT(search, HasSubstr(G(u8"没有找到")));
}

struct NumberCase {
  int n;
  const char* chinese;
};

TEST(ChineseNumberTest, WritesNumeralsAsChapterHeadingsDo) {
  const NumberCase cases[] = {{1, "一"},          {10, "十"},           {12, "十二"},
                              {20, "二十"},       {105, "一百零五"},    {110, "一百一十"},
                              {1001, "一千零一"}, {2030, "二千零三十"}, {9999, "九千九百九十九"}};
  for (const NumberCase& c : cases) EXPECT_EQ(demosite::ChineseNumber(c.n), c.chinese) << c.n;
}

}  // namespace
