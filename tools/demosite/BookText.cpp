#include "tools/demosite/BookText.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "text/Gbk.h"
#include "tools/demosite/Dice.h"

namespace demosite {
namespace {

constexpr std::uint64_t kTextSalt = 0x74657874;

// A sentence in GBK cut at its name slots: parts[0] slot[0] parts[1] ... parts[n].
struct Sentence {
  std::vector<std::string> parts;
  std::string slots;  // '%' or '&' for each gap between parts
};

Sentence Prepare(std::string_view utf8) {
  Sentence s;
  std::string gbk = text::Utf8ToGbk(utf8);
  std::string part;
  // '%' and '&' cannot be the second byte of a GBK character, so a plain scan is safe.
  for (char c : gbk) {
    if (c == '%' || c == '&') {
      s.parts.push_back(std::move(part));
      part.clear();
      s.slots += c;
    } else {
      part += c;
    }
  }
  s.parts.push_back(std::move(part));
  return s;
}

// The word lists of one theme in GBK, made once.
struct ThemeText {
  std::vector<Sentence> themeLines;
  std::vector<Sentence> commonLines;
  std::vector<std::string> chapterTitles;
};

const ThemeText& TextOf(Theme theme) {
  static const std::array<ThemeText, 5> themes = [] {
    std::array<ThemeText, 5> all;
    for (int t = 0; t < 5; ++t) {
      const ThemeWords& words = WordsOf(static_cast<Theme>(t));
      for (std::string_view line : words.storyLines) all[t].themeLines.push_back(Prepare(line));
      for (std::string_view line : StoryLines()) all[t].commonLines.push_back(Prepare(line));
      for (std::string_view title : words.chapterTitles) {
        all[t].chapterTitles.push_back(text::Utf8ToGbk(title));
      }
    }
    return all;
  }();
  return themes[static_cast<std::size_t>(theme)];
}

// Bounds of what one step of the writer adds, with room to spare.
constexpr std::size_t kLongestParagraph = 1024;
constexpr std::size_t kLongestStep = 2 * kLongestParagraph;
constexpr std::size_t kShortestSentence = 28;

// Writes the book's text piece by piece.
class Writer {
 public:
  Writer(const Book& book, std::string& out)
      : words_(TextOf(book.list->theme)),
        hero_(text::Utf8ToGbk(book.hero)),
        companion_(text::Utf8ToGbk(book.companion)),
        dice_(static_cast<std::uint64_t>(book.id), kTextSalt),
        out_(out) {}

  // A sentence of the theme or of any story, not one of the last few again.
  const Sentence& NextSentence() {
    const Sentence* s = nullptr;
    for (int tries = 0; tries < 4; ++tries) {
      const auto& pool = dice_.Below(10) < 3 ? words_.themeLines : words_.commonLines;
      s = &pool[static_cast<std::size_t>(dice_.Below(static_cast<int>(pool.size())))];
      if (std::find(recent_.begin(), recent_.end(), s) == recent_.end()) break;
    }
    recent_[next_++ % recent_.size()] = s;
    return *s;
  }

  std::size_t Length(const Sentence& s) const {
    std::size_t n = 0;
    for (const std::string& p : s.parts) n += p.size();
    for (char slot : s.slots) n += slot == '%' ? hero_.size() : companion_.size();
    return n;
  }

  void Append(const Sentence& s) {
    out_ += s.parts[0];
    for (std::size_t i = 0; i < s.slots.size(); ++i) {
      out_ += s.slots[i] == '%' ? hero_ : companion_;
      out_ += s.parts[i + 1];
    }
  }

  // "　　" and a few sentences, then a blank line.
  void Paragraph() {
    out_ += kIndent;
    for (int i = dice_.Between(2, 6); i > 0; --i) Append(NextSentence());
    out_ += "\r\n\r\n";
  }

  void ChapterHeading(int number) {
    out_ += text::Utf8ToGbk("第" + ChineseNumber(number) + "章 ");
    // The names in their order first, then any of them.
    const auto count = static_cast<int>(words_.chapterTitles.size());
    const int k = number <= count ? number - 1 : dice_.Below(count);
    out_ += words_.chapterTitles[static_cast<std::size_t>(k)];
    out_ += "\r\n\r\n";
  }

  int ParagraphsInChapter() { return dice_.Between(8, 20); }

  // Fills the text up to `size` bytes less `reserve`: paragraphs while a whole one fits, then
  // one of the sentences that fit, padded with full-width spaces (and one ASCII space when the
  // count is odd).
  void Fill(std::size_t size, std::size_t reserve) {
    const std::size_t end = size - reserve;
    while (out_.size() + kLongestParagraph < end) Paragraph();
    if (out_.size() + kIndent.size() + 2 > end) return;
    out_ += kIndent;
    for (int tries = 0; tries < 200 && out_.size() + 2 + kShortestSentence <= end; ++tries) {
      const Sentence& s = NextSentence();
      if (out_.size() + Length(s) + 2 <= end) Append(s);
    }
    while (out_.size() + 2 + 2 <= end) out_ += kIndent.substr(0, 2);
    if (out_.size() + 2 < end) out_ += ' ';
    out_ += "\r\n";
  }

  static constexpr std::string_view kIndent = "\xA1\xA1\xA1\xA1";  // two full-width spaces

 private:
  const ThemeText& words_;
  std::string hero_;
  std::string companion_;
  Dice dice_;
  std::string& out_;
  std::array<const Sentence*, 6> recent_{};
  std::size_t next_ = 0;
};

}  // namespace

std::string ChineseNumber(int n) {
  static constexpr std::string_view kDigits[] = {"零", "一", "二", "三", "四",
                                                 "五", "六", "七", "八", "九"};
  static constexpr std::string_view kUnits[] = {"千", "百", "十", ""};
  if (n <= 0 || n >= 10000) return std::string(kDigits[0]);
  const int digits[] = {n / 1000, n / 100 % 10, n / 10 % 10, n % 10};
  std::string s;
  bool started = false;
  bool gap = false;
  for (int i = 0; i < 4; ++i) {
    if (digits[i] == 0) {
      gap = started;
      continue;
    }
    if (gap) s += kDigits[0];
    gap = false;
    // "十二", not "一十二", when the tens lead.
    if (!(i == 2 && digits[i] == 1 && !started)) s += kDigits[digits[i]];
    s += kUnits[i];
    started = true;
  }
  return s;
}

std::string BookText(const Book& book) {
  std::string out;
  out.reserve(book.fileSize);
  Writer writer(book, out);
  const std::string trailer = text::Utf8ToGbk("\r\n（全书完）\r\n");

  std::string head = "《" + book.title + "》\r\n作者：" + book.author + "\r\n\r\n内容简介：\r\n";
  for (const std::string& paragraph : IntroParagraphs(book)) head += "　　" + paragraph + "\r\n";
  out += text::Utf8ToGbk(head + "\r\n");

  const std::size_t stop = book.fileSize > trailer.size() + kLongestStep
                               ? book.fileSize - trailer.size() - kLongestStep
                               : 0;
  for (int chapter = 1; out.size() < stop && chapter < 10000; ++chapter) {
    writer.ChapterHeading(chapter);
    for (int p = writer.ParagraphsInChapter(); p > 0 && out.size() < stop; --p) {
      writer.Paragraph();
    }
  }
  if (out.size() + trailer.size() <= book.fileSize) {
    writer.Fill(book.fileSize, trailer.size());
    out += trailer;
  }
  // Only a book too small for its own header gets here with the wrong size.
  out.resize(book.fileSize, ' ');
  return out;
}

}  // namespace demosite
