#pragma once

#include <string>

#include "tests/support/Gbk.h"
#include "tests/support/ScriptedSite.h"

// Synthetic book pages and download-list pages shaped like the site's, with the markers the
// program cuts the introduction and the links out of.
namespace testsupport {

// A book page whose introduction div holds `intro` (GBK, as written between the markers) and
// whose download link points at `listLink`, relative to the site base. No link at all when
// `listLink` is empty.
inline std::string BookPageHtml(const std::string& intro, const std::string& listLink) {
  std::string html = "<html><body>\r\n<div class=\"info\">\r\n<h1>" + G(u8"书名") +
                     "</h1>\r\n<script type=\"text/javascript\" src=\"/templets/xin4.js\">"
                     "</script>\r\n</div>\r\n</div>\r\n<div class=\"jianjie\">" +
                     intro + "<div class=\"tuiguang\">\r\n" + G(u8"推荐阅读") + "</div>\r\n";
  if (!listLink.empty()) {
    html += "<div class=\"downlink\">" + G(u8"本书TXT下载地址：·<a href='") + listLink +
            G(u8"'>进入下载地址列表</a>") + "</div>\r\n";
  }
  return html + "</body></html>\r\n";
}

// A download-list page whose last mirror, after the 江苏电信 one, links to `fileLink`.
inline std::string DownloadListHtml(const std::string& fileLink) {
  return "<div class=\"downlist\">\r\n<ul><li><a rel=\"nofollow\" href=\"/mirror/1\">" +
         G(u8"江苏电信下载") + "</a></li><li><a rel=\"nofollow\" href=\"" + fileLink +
         "\" target=\"_blank\">" + G(u8"广东电信下载") + "</a></li></ul>\r\n</div>\r\n";
}

// Puts book `id` on `site`: its page at "/html/wuxia/30/<id>.html" with `intro`, its
// download-list page at "/down/<id>.html", and `data` as its file "/txt/<fileName>". Returns
// the book's link as the list's fourth column holds it.
inline std::string PutBook(ScriptedSite& site, int id, const std::string& intro,
                           const std::string& fileName, std::string data,
                           loopback::FileOptions options = {}) {
  const std::string number = std::to_string(id);
  site.Put("/html/wuxia/30/" + number + ".html", BookPageHtml(intro, "down/" + number + ".html"));
  site.Put("/down/" + number + ".html", DownloadListHtml("txt/" + fileName));
  site.PutFile("/txt/" + fileName, std::move(data), std::move(options));
  return "wuxia/30/" + number + ".html";
}

}  // namespace testsupport
