#pragma once

#include <string_view>

#include "browse/Window.h"
#include "text/Text.h"

namespace download {

// The markers around the introduction and the two links, byte for byte (GBK, CR LF as written).

// The end of the script that loads "/templets/xin4.js", two closing divs and the opening of the
// "jianjie" div, each on its own line.
inline constexpr std::string_view kIntroStart =
    "<script type=\"text/javascript\" src=\"/templets/xin4.js\"></script>\r\n"
    "</div>\r\n</div>\r\n<div class=\"jianjie\">";
inline constexpr std::string_view kIntroEnd = "<div class=\"tuiguang\">\r";
// "本书TXT下载地址：·<a href='", with the full-width colon and the middle dot.
inline constexpr std::string_view kListLinkStart =
    "\xB1\xBE\xCA\xE9TXT\xCF\xC2\xD4\xD8\xB5\xD8\xD6\xB7\xA3\xBA\xA1\xA4<a href='";
// "'>进入下载地址列表"
inline constexpr std::string_view kListLinkEnd =
    "'>\xBD\xF8\xC8\xEB\xCF\xC2\xD4\xD8\xB5\xD8\xD6\xB7\xC1\xD0\xB1\xED";
// "江苏电信下载</a></li><li><a rel="nofollow" href=""
inline constexpr std::string_view kFileLinkStart =
    "\xBD\xAD\xCB\xD5\xB5\xE7\xD0\xC5\xCF\xC2\xD4\xD8</a></li><li><a rel=\"nofollow\" href=\"";
// "" target="_blank">广东电信下载</a></li></ul>" and CR
inline constexpr std::string_view kFileLinkEnd =
    "\" target=\"_blank\">\xB9\xE3\xB6\xAB\xB5\xE7\xD0\xC5\xCF\xC2\xD4\xD8</a></li></ul>\r";

// Follows a book's page to the address of its text file. Fetches the book page at
// `bookPageUrl`, shows its introduction (Chinese text and line breaks only) in the
// introduction box, replacing what was there even when there is none, then fetches the
// download-list page the book page links to, and returns SiteBase followed by the file link
// found there. Nothing is checked: a page that cannot be fetched or lacks a marker gives an
// empty piece, so the result is SiteBase alone when no file link was found, and a book page
// without a list link sends the second request to SiteBase itself.
text::Text ResolveDownloadUrl(browse::Window& window, std::string_view bookPageUrl);

}  // namespace download
