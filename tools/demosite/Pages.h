#pragma once

#include <string>

#include "tools/demosite/Books.h"

// The demo site's HTML pages, GBK-encoded with CR LF line ends. Each one holds the markers the
// program cuts its data out by, written byte for byte as the real site writes them.
namespace demosite {

// The front page, linking the fourteen lists.
std::string HomePage();
// Page `page` of `list`: its book entries and the pager with the page number and count. The
// page must lie within 1..list.pageCount.
std::string ListPage(const SiteList& list, int page);
// The book's page: its details, the introduction and the link to the download list.
std::string BookPage(const Book& book);
// The book's download list: mirrors of its TXT file.
std::string DownloadPage(const Book& book);
// The answer to any search: nothing found.
std::string SearchPage();
// The body of a 404 answer.
std::string NotFoundPage();

}  // namespace demosite
