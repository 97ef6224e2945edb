#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "text/Text.h"

namespace text {

// One regular expression run over one GBK subject, with 1-based access to the matches and
// their groups. The syntax is that of a JavaScript-style engine: "." is any character but a
// line feed, "\s" the six white-space characters of ASCII, classes and "." take whole
// characters (a Chinese character is one), groups are numbered by their opening parentheses.
// Failures give empty values: no match collection, index or group out of range, or a group
// that took no part, all read as the empty text or 0.
//
// Matching runs on PCRE2 with its JIT: the lazy gaps of a pattern may span a whole page of
// hundreds of kilobytes without deep recursion. Should the engine stop on one of its limits,
// the matches found until then stand.
class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Compiles `pattern` and collects its matches in `subject`, replacing whatever an earlier
  // call left. Letters match in either case unless `caseSensitive`; `multiline` lets "^" and
  // "$" match at every line; `global` collects every match instead of the first. With
  // `quotePlaceholder` each "#引号" of the pattern stands for a double quote. True when there
  // is a match collection, however many matches it holds; false when the pattern is rejected.
  bool Create(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool quotePlaceholder = false);

  // The pattern of the last Create, placeholders replaced; empty before the first.
  Text GetPattern() const;

  // The subject with the matches (all, or the first when not global) replaced. In
  // `replacement`, "$$" is a dollar sign, "$&" the match, "$`" and "$'" the text before and
  // after it, "$1" to "$99" a group, "$<name>" a named group; any other "$" stands for itself.
  // Empty when there is no match collection.
  Text ReplaceMatches(std::string_view replacement) const;

  // Number of matches; 0 without a match collection.
  int MatchCount() const;

  // Match `index` (from 1). `position`, when given, receives the match's 0-based byte offset
  // in the subject, or -2 when there is no such match.
  Text MatchText(int index, int* position = nullptr) const;

  // Group `group` (from 1) of match `index` (from 1). `position` as for MatchText; -2 also
  // for a group that took no part in the match.
  Text SubMatchText(int index, int group, int* position = nullptr) const;

  // Number of capture groups of the first match; 0 when there is no match.
  int SubMatchCount() const;

 private:
  class Engine;

  // Where the matches stand in the subject, in GBK bytes: per match, the start and end of the
  // whole match and then of each group, kUnset for a group that took no part.
  struct MatchList {
    static constexpr std::size_t kUnset = static_cast<std::size_t>(-1);
    int groupCount = 0;
    std::vector<std::size_t> spans;

    int size() const { return static_cast<int>(spans.size() / (2 * (groupCount + 1))); }
    const std::size_t* at(int index) const {
      return spans.data() + static_cast<std::size_t>(index) * 2 * (groupCount + 1);
    }
  };

  // Group `group` (0 for the whole match) of 0-based match `index`, if it took part.
  std::optional<std::string_view> Span(int index, int group) const;
  // The text of `span`, with its byte offset stored into `position` when given.
  Text Located(std::optional<std::string_view> span, int* position) const;
  Text Expand(std::string_view replacement, int index) const;

  std::unique_ptr<Engine> regex;
  std::optional<MatchList> matches;
  Text subject;
};

}  // namespace text
