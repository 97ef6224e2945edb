#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/demosite/Words.h"

// The demo site's catalogue: fourteen lists of made-up books. Every book follows from its list,
// page and place on the page, so any address can be answered again, byte for byte, without
// keeping anything.
namespace demosite {

// One list of the site, shown at "/html/<dir>/list_<number>_<page>.html". Names are UTF-8.
struct SiteList {
  std::string_view dir;       // the category's directory word
  int number;                 // the site's number of the list
  std::string_view category;  // the category's name
  std::string_view name;      // the list's own name
  int pageCount;
  int lastPageBooks;  // books on the last page; the others hold kBooksPerPage
  Theme theme;
};

inline constexpr int kBooksPerPage = 30;

// The fourteen lists, category by category.
std::span<const SiteList> Lists();
// The list with that number; nullptr when the site has none.
const SiteList* FindList(int number);
// Books on `page` of `list`; 0 when the page is outside 1..pageCount.
int BooksOnPage(const SiteList& list, int page);

// One book. Texts are UTF-8; the site sends them in GBK.
struct Book {
  int id = 0;  // list * 10000 + page * 100 + index
  const SiteList* list = nullptr;
  int page = 0;
  int index = 0;  // 1-based place on its list page
  std::string title;
  std::string author;
  std::string hero;          // the main character's name
  std::string companion;     // a second character's name
  std::string updated;       // "2026-11-28"
  std::size_t fileSize = 0;  // bytes of the book's TXT file
};

// The book at `index` of `page` of list `listNumber`; nullopt when there is none.
std::optional<Book> BookAt(int listNumber, int page, int index);
// The book with that id; nullopt when no list page holds it.
std::optional<Book> BookById(int id);

// Paths of the book's pages and file, from the site root without the leading "/".
std::string BookPagePath(const Book& book);      // "html/wuxia/30/301203.html"
std::string DownloadPagePath(const Book& book);  // "down/301203.html"
std::string FilePath(const Book& book);          // "txt/301203.txt"
// "/html/wuxia/list_30_2.html"
std::string ListPagePath(const SiteList& list, int page);

// A file size as the lists show it: whole kilobytes below 1 MiB ("856K"), else megabytes with
// two decimals ("2.35M").
std::string SizeLabel(std::size_t bytes);

// The sentence template `line` with "%" replaced by the hero's name and "&" by the companion's.
std::string WithNames(std::string_view line, const Book& book);

// The introduction's paragraphs (UTF-8).
std::vector<std::string> IntroParagraphs(const Book& book);

}  // namespace demosite
