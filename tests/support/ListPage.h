#pragma once

#include <string>
#include <vector>

#include "tests/support/Gbk.h"

// Synthetic list pages shaped like the site's: each book entry holds the size, the update time,
// the link and the title in the markup the row pattern looks for, with filler between entries.
namespace testsupport {

struct BookEntry {
  std::string size, updated, link, title;  // GBK
};

inline BookEntry NumberedEntry(int i) {
  return {std::to_string(i % 9 + 1) + "." + std::to_string(i % 10) + "M",
          "2026-11-" + std::to_string(i % 28 + 1), "wuxia/" + std::to_string(1000 + i) + ".html",
          G(u8"第") + std::to_string(i) + G(u8"部武侠小说")};
}

inline std::string EntryHtml(const BookEntry& e, bool withTitle = true) {
  std::string html = "<ul>\r\n<li class=\"qq_l\">" + e.size + "</li>\r\n<li class=\"qq_m\">" +
                     e.updated + "</li>\r\n<li class=\"qq_g\"><a href=\"/html/" + e.link + "\">" +
                     G(u8"书籍详情") + "</a></li>\r\n";
  if (withTitle) html += "<li class=\"qq_t\">" + G(u8"《") + e.title + G(u8"》") + "</li>\r\n";
  return html + "</ul>\r\n";
}

// Markup of about `bytes` bytes that the row pattern does not care about.
inline std::string Filler(std::size_t bytes) {
  const std::string line = "<div class=\"ad\">" + G(u8"精彩推荐，好书不断") + "</div>\r\n";
  std::string filler;
  while (filler.size() < bytes) filler += line;
  return filler;
}

// The path of a list page on the site: "/html/<dir>/list_<list>_<page>.html".
inline std::string ListPath(const std::string& dir, int list, int page) {
  return "/html/" + dir + "/list_" + std::to_string(list) + "_" + std::to_string(page) + ".html";
}

// A list page announcing `current` and `total` between the site's page-number markers, with
// `entries` between them.
inline std::string ListPageHtml(const std::string& current, const std::string& total,
                                const std::vector<BookEntry>& entries = {}) {
  std::string html =
      "<ul class=\"pagelist\"><li class=\"thisclass\">" + current + "</li>\r\n" + Filler(200);
  for (const auto& e : entries) html += EntryHtml(e) + Filler(100);
  return html + "<span>" + G(u8"共 <strong>") + total + G(u8"</strong>页") + "</span>\r\n";
}

}  // namespace testsupport
