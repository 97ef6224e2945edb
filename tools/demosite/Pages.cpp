#include "tools/demosite/Pages.h"

#include <algorithm>
#include <string_view>

#include "text/Gbk.h"

namespace demosite {
namespace {

constexpr std::string_view kSiteName = "墨香书屋";

// The head of every page, the top bar and the category menu. Pages whose links are written
// relative to the site root say so with a <base>, so a browser follows them as the program does.
std::string Top(std::string_view title, bool rootBase = false) {
  std::string html =
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
      "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />\r\n";
  html += "<title>" + std::string(title) + "_" + std::string(kSiteName) + "</title>\r\n";
  html += "<meta name=\"keywords\" content=\"TXT小说下载,全本小说,免费小说\" />\r\n";
  if (rootBase) html += "<base href=\"/\" />\r\n";
  html +=
      "<style type=\"text/css\">\r\n"
      "body{margin:0;font:14px/1.8 SimSun,serif;background:#f6f3ea;color:#333}\r\n"
      "a{color:#1a4f8b;text-decoration:none}\r\n"
      ".top,.menu,.main,.foot{width:960px;margin:0 auto}\r\n"
      ".menu{background:#7b3f1d;padding:4px 8px}.menu a{color:#fff;margin-right:12px}\r\n"
      ".booklist ul{list-style:none;margin:0;padding:4px 0;border-bottom:1px dashed #ccc}\r\n"
      ".booklist li{display:inline-block;margin-right:16px}\r\n"
      ".pages ul{list-style:none;padding:0}.pages li{display:inline;margin:0 4px}\r\n"
      ".thisclass{font-weight:bold;color:#c00}\r\n"
      "</style>\r\n</head>\r\n<body>\r\n";
  html += "<div class=\"top\"><a href=\"/\"><b>" + std::string(kSiteName) +
          "</b></a> 全本TXT小说免费下载 "
          "<form action=\"/plus/search.php\" method=\"get\" style=\"display:inline\">"
          "<input type=\"text\" name=\"keyword\" /> <input type=\"submit\" value=\"搜索\" />"
          "</form></div>\r\n";
  html += "<div class=\"menu\"><a href=\"/\">首页</a>";
  std::string_view category;
  for (const SiteList& list : Lists()) {
    if (list.category != category) {
      category = list.category;
      html += "\r\n<b>" + std::string(category) + "</b>";
    }
    html += " <a href=\"" + ListPagePath(list, 1) + "\">" + std::string(list.name) + "</a>";
  }
  html += "\r\n</div>\r\n<div class=\"main\">\r\n";
  return html;
}

std::string Bottom() {
  return "</div>\r\n<div class=\"foot\">本站所有小说均为网友上传，仅供试读交流。"
         "<br />Copyright &copy; 2026 " +
         std::string(kSiteName) + " All Rights Reserved.</div>\r\n</body>\r\n</html>\r\n";
}

std::string PageLink(const SiteList& list, int page, std::string_view caption) {
  return "<li><a href=\"" + ListPagePath(list, page) + "\">" + std::string(caption) + "</a></li>";
}

// First, previous, a window of numbers around the current page, next, last and the count.
std::string Pager(const SiteList& list, int page) {
  const int count = list.pageCount;
  const int books = (count - 1) * kBooksPerPage + list.lastPageBooks;
  std::string html = "<div class=\"pages\"><ul>";
  html += PageLink(list, 1, "首页");
  if (page > 1) html += PageLink(list, page - 1, "上一页");
  for (int p = std::max(1, page - 3); p <= std::min(count, page + 3); ++p) {
    html += p == page ? "<li class=\"thisclass\">" + std::to_string(p) + "</li>"
                      : PageLink(list, p, std::to_string(p));
  }
  if (page < count) html += PageLink(list, page + 1, "下一页");
  html += PageLink(list, count, "末页");
  html += "<li><span class=\"pageinfo\">共 <strong>" + std::to_string(count) +
          "</strong>页<strong>" + std::to_string(books) + "</strong>条</span></li>";
  return html + "</ul></div>\r\n";
}

std::string Entry(const Book& book) {
  return "<ul>\r\n<li class=\"qq_l\">" + SizeLabel(book.fileSize) + "</li>\r\n<li class=\"qq_m\">" +
         book.updated + "</li>\r\n<li class=\"qq_g\"><a href=\"/" + BookPagePath(book) +
         "\">书籍详情</a></li>\r\n<li class=\"qq_t\">《" + book.title + "》</li>\r\n</ul>\r\n";
}

}  // namespace

std::string HomePage() {
  std::string html = Top("首页");
  html += "<h2>小说分类</h2>\r\n";
  std::string_view category;
  for (const SiteList& list : Lists()) {
    if (list.category != category) {
      if (!category.empty()) html += "</ul>\r\n";
      category = list.category;
      html += "<h3>" + std::string(category) + "</h3>\r\n<ul>\r\n";
    }
    html += "<li><a href=\"" + ListPagePath(list, 1) + "\">" + std::string(list.name) + "</a>（共" +
            std::to_string(list.pageCount) + "页）</li>\r\n";
  }
  html += "</ul>\r\n";
  return text::Utf8ToGbk(html + Bottom());
}

std::string ListPage(const SiteList& list, int page) {
  std::string html = Top(std::string(list.name) + "_第" + std::to_string(page) + "页");
  html += "<div class=\"place\">当前位置：<a href=\"/\">首页</a> &gt; " +
          std::string(list.category) + " &gt; " + std::string(list.name) + "</div>\r\n";
  html += "<div class=\"booklist\">\r\n";
  for (int index = 1, n = BooksOnPage(list, page); index <= n; ++index) {
    if (auto book = BookAt(list.number, page, index)) html += Entry(*book);
  }
  html += "</div>\r\n" + Pager(list, page);
  return text::Utf8ToGbk(html + Bottom());
}

std::string BookPage(const Book& book) {
  const SiteList& list = *book.list;
  std::string html = Top(book.title + "TXT下载", true);
  html += "<div class=\"place\">当前位置：<a href=\"/\">首页</a> &gt; <a href=\"" +
          ListPagePath(list, 1) + "\">" + std::string(list.name) + "</a> &gt; " + book.title +
          "</div>\r\n";
  html += "<div class=\"book\">\r\n<div class=\"bookinfo\">\r\n<h1>" + book.title + "</h1>\r\n";
  html += "<ul>\r\n<li>作者：" + book.author + "</li>\r\n<li>类别：" + std::string(list.name) +
          "</li>\r\n<li>大小：" + SizeLabel(book.fileSize) + "</li>\r\n<li>更新：" + book.updated +
          "</li>\r\n<li>格式：TXT</li>\r\n</ul>\r\n";
  // The introduction: from the script line to the promotion block.
  html +=
      "<script type=\"text/javascript\" src=\"/templets/xin4.js\"></script>\r\n"
      "</div>\r\n</div>\r\n<div class=\"jianjie\">";
  bool first = true;
  for (const std::string& paragraph : IntroParagraphs(book)) {
    if (!first) html += "<br />\r\n";
    html += "&nbsp;&nbsp;&nbsp;&nbsp;" + paragraph;
    first = false;
  }
  html += "<div class=\"tuiguang\">\r\n推荐阅读：本站提供" + std::string(list.name) +
          "小说TXT全集免费下载。\r\n</div>\r\n</div>\r\n";
  html += "<div class=\"downlink\">本书TXT下载地址：·<a href='" + DownloadPagePath(book) +
          "'>进入下载地址列表（" + book.title + "TXT全集）</a></div>\r\n";
  return text::Utf8ToGbk(html + Bottom());
}

std::string DownloadPage(const Book& book) {
  const std::string file = FilePath(book);
  std::string html = Top(book.title + "TXT下载地址", true);
  html += "<div class=\"downlist\">\r\n<h2>" + book.title + "TXT全集下载</h2>\r\n";
  html += "<p>作者：" + book.author + "　大小：" + SizeLabel(book.fileSize) + "　更新：" +
          book.updated + "</p>\r\n";
  html += "<ul><li><a rel=\"nofollow\" href=\"" + file +
          "\" target=\"_blank\">北京联通下载</a></li><li><a rel=\"nofollow\" href=\"" + file +
          "\" target=\"_blank\">上海电信下载</a></li><li><a href=\"" + file +
          "\">江苏电信下载</a></li><li><a rel=\"nofollow\" href=\"" + file +
          "\" target=\"_blank\">广东电信下载</a></li></ul>\r\n";
  html += "<p>提示：请用右键“目标另存为”保存，下载后用记事本打开。</p>\r\n</div>\r\n";
  return text::Utf8ToGbk(html + Bottom());
}

std::string SearchPage() {
  std::string html = Top("搜索结果");
  html +=
      "<div class=\"search\">\r\n<p>没有找到与关键字相关的小说，请换个关键字再试。</p>\r\n"
      "<p><a href=\"/\">返回首页</a></p>\r\n</div>\r\n";
  return text::Utf8ToGbk(html + Bottom());
}

std::string NotFoundPage() {
  std::string html = Top("页面不存在");
  html +=
      "<div class=\"error\">\r\n<h2>404</h2>\r\n<p>您访问的页面不存在或已被删除。</p>\r\n"
      "<p><a href=\"/\">返回首页</a></p>\r\n</div>\r\n";
  return text::Utf8ToGbk(html + Bottom());
}

}  // namespace demosite
