#include "tools/demosite/Books.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/demosite/Dice.h"

namespace demosite {
namespace {

constexpr SiteList kLists[] = {
    {"wuxia", 30, "武侠修真", "传统武侠", 12, 17, Theme::kWuxia},
    {"wuxia", 32, "武侠修真", "修真小说", 9, 24, Theme::kXianxia},
    {"wuxia", 34, "武侠修真", "现代修真", 6, 8, Theme::kXianxia},
    {"xuanhuan", 28, "玄幻小说", "异世大陆", 11, 29, Theme::kXuanhuan},
    {"xuanhuan", 27, "玄幻小说", "远古神话", 5, 12, Theme::kXuanhuan},
    {"xuanhuan", 22, "玄幻小说", "东方玄幻", 10, 21, Theme::kXuanhuan},
    {"xuanhuan", 23, "玄幻小说", "转世重生", 8, 6, Theme::kXuanhuan},
    {"xuanhuan", 25, "玄幻小说", "魔法校园", 4, 15, Theme::kCampus},
    {"xuanhuan", 26, "玄幻小说", "王朝争霸", 7, 30, Theme::kXuanhuan},
    {"dushi", 36, "都市小说", "都市生活", 12, 11, Theme::kUrban},
    {"dushi", 38, "都市小说", "青春校园", 6, 19, Theme::kCampus},
    {"dushi", 40, "都市小说", "恩怨情仇", 5, 9, Theme::kUrban},
    {"dushi", 42, "都市小说", "都市重生", 9, 26, Theme::kUrban},
    {"dushi", 43, "都市小说", "都市异能", 8, 14, Theme::kUrban},
};

// Salts that keep the dice of one book's parts apart.
constexpr std::uint64_t kTitleSalt = 0x7469746C65;
constexpr std::uint64_t kPeopleSalt = 0x70656F706C65;
constexpr std::uint64_t kSizeSalt = 0x73697A65;
constexpr std::uint64_t kIntroSalt = 0x696E74726F;

constexpr std::size_t kSmallestFile = 6 * 1024;
constexpr std::size_t kLargestFile = 5 * 1024 * 1024;

// "2026-MM-DD" of the 0-based day `day` of 2026.
std::string DateOf(int day) {
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 0;
  while (month < 11 && day >= kMonthDays[month]) day -= kMonthDays[month++];
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "2026-%02d-%02d", month + 1, day + 1);
  return buffer;
}

std::string NameOf(Dice& dice) {
  return std::string(dice.Pick(Surnames())) + std::string(dice.Pick(GivenNames()));
}

std::string TitleOf(const Book& book) {
  const ThemeWords& words = WordsOf(book.list->theme);
  Dice dice(static_cast<std::uint64_t>(book.id), kTitleSalt);
  std::string head(dice.Pick(words.titleHeads));
  std::string tail(dice.Pick(words.titleTails));
  // No "问道" + "道主": the tail must not start with the character the head ends with.
  for (int tries = 0; tries < 4 && head.substr(head.size() - 3) == tail.substr(0, 3); ++tries) {
    tail = dice.Pick(words.titleTails);
  }
  int kind = dice.Below(10);
  if (kind == 0 && tail.size() >= 6) return head + "之" + tail;
  if (kind == 1) return book.hero + "传";
  return head + tail;
}

}  // namespace

std::span<const SiteList> Lists() {
  return kLists;
}

const SiteList* FindList(int number) {
  for (const SiteList& list : kLists) {
    if (list.number == number) return &list;
  }
  return nullptr;
}

int BooksOnPage(const SiteList& list, int page) {
  if (page < 1 || page > list.pageCount) return 0;
  return page == list.pageCount ? list.lastPageBooks : kBooksPerPage;
}

std::optional<Book> BookAt(int listNumber, int page, int index) {
  const SiteList* list = FindList(listNumber);
  if (list == nullptr || index < 1 || index > BooksOnPage(*list, page)) return std::nullopt;
  Book book;
  book.id = listNumber * 10000 + page * 100 + index;
  book.list = list;
  book.page = page;
  book.index = index;
  const auto id = static_cast<std::uint64_t>(book.id);

  Dice people(id, kPeopleSalt);
  book.hero = NameOf(people);
  do book.companion = NameOf(people);
  while (book.companion.substr(0, 3) == book.hero.substr(0, 3));
  if (people.Below(5) < 3) {
    book.author = std::string(people.Pick(PenHeads())) + std::string(people.Pick(PenTails()));
  } else {
    book.author = NameOf(people);
  }
  book.title = TitleOf(book);

  // Newest first: the list's entries spread back over some three hundred days of 2026.
  const int rank = (page - 1) * kBooksPerPage + index - 1;
  const int total = (list->pageCount - 1) * kBooksPerPage + list->lastPageBooks;
  book.updated = DateOf(340 - rank * 300 / total);

  // From a few kilobytes to a few megabytes, most of them around one megabyte; always even,
  // as the text is made of two-byte characters.
  Dice size(id, kSizeSalt);
  const double span = std::log(static_cast<double>(kLargestFile) / kSmallestFile);
  const double bytes = kSmallestFile * std::exp(span * std::sqrt(size.Fraction()));
  book.fileSize = static_cast<std::size_t>(bytes) & ~static_cast<std::size_t>(1);
  return book;
}

std::optional<Book> BookById(int id) {
  if (id <= 0) return std::nullopt;
  return BookAt(id / 10000, id / 100 % 100, id % 100);
}

std::string BookPagePath(const Book& book) {
  return "html/" + std::string(book.list->dir) + "/" + std::to_string(book.list->number) + "/" +
         std::to_string(book.id) + ".html";
}

std::string DownloadPagePath(const Book& book) {
  return "down/" + std::to_string(book.id) + ".html";
}

std::string FilePath(const Book& book) {
  return "txt/" + std::to_string(book.id) + ".txt";
}

std::string ListPagePath(const SiteList& list, int page) {
  return "/html/" + std::string(list.dir) + "/list_" + std::to_string(list.number) + "_" +
         std::to_string(page) + ".html";
}

std::string SizeLabel(std::size_t bytes) {
  char buffer[32];
  if (bytes < 1024 * 1024) {
    std::snprintf(buffer, sizeof buffer, "%zuK", std::max<std::size_t>(1, (bytes + 512) / 1024));
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2fM", static_cast<double>(bytes) / (1024.0 * 1024.0));
  }
  return buffer;
}

std::string WithNames(std::string_view line, const Book& book) {
  std::string out;
  out.reserve(line.size() + 16);
  for (char c : line) {
    if (c == '%') {
      out += book.hero;
    } else if (c == '&') {
      out += book.companion;
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> IntroParagraphs(const Book& book) {
  const ThemeWords& words = WordsOf(book.list->theme);
  Dice dice(static_cast<std::uint64_t>(book.id), kIntroSalt);
  // Three or four different sentences of the theme, then a closing one on its own.
  std::vector<std::size_t> order(words.introLines.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (std::size_t i = order.size() - 1; i > 0; --i) {
    std::swap(order[i], order[static_cast<std::size_t>(dice.Below(static_cast<int>(i) + 1))]);
  }
  const std::size_t count = std::min<std::size_t>(order.size(), dice.Between(3, 4));
  std::string story;
  for (std::size_t i = 0; i < count; ++i) story += WithNames(words.introLines[order[i]], book);
  return {story, WithNames(dice.Pick(IntroEndings()), book)};
}

}  // namespace demosite
