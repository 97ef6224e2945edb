#include "text/RegexObject.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <limits>

#include "text/Gbk.h"
#include "text/Markers.h"

namespace text {
namespace {

// The JIT keeps its backtracking frames on a stack of its own, grown on demand up to here.
constexpr std::size_t kJitStackStart = 32 * 1024;
constexpr std::size_t kJitStackMax = 16 * 1024 * 1024;

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using MatchData =
    std::unique_ptr<pcre2_match_data, Deleter<pcre2_match_data, pcre2_match_data_free>>;
using MatchContext =
    std::unique_ptr<pcre2_match_context, Deleter<pcre2_match_context, pcre2_match_context_free>>;
using JitStack = std::unique_ptr<pcre2_jit_stack, Deleter<pcre2_jit_stack, pcre2_jit_stack_free>>;
using CompileContext = std::unique_ptr<pcre2_compile_context,
                                       Deleter<pcre2_compile_context, pcre2_compile_context_free>>;

// Where the character after the one at `at` starts.
std::size_t NextCharacter(std::string_view s, std::size_t at) {
  return at + (at < s.size() ? Utf8Length(static_cast<unsigned char>(s[at])) : 1);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

// The compiled pattern.
class RegexObject::Engine {
 public:
  Engine(Text pattern, bool caseSensitive, bool multiline) : pattern_(std::move(pattern)) {
    const std::string utf8 = GbkToUtf8(pattern_);
    CompileContext context(pcre2_compile_context_create(nullptr));
    if (!context) return;
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
    // JavaScript-style syntax: "\u0041", "$" at the very end only, "[^]" for any character,
    // a reference to a group that took no part matching the empty text. "\C" could split a
    // character, so it is refused.
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_DOLLAR_ENDONLY | PCRE2_ALLOW_EMPTY_CLASS |
                       PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options, &error,
                          &errorOffset, context.get());
    if (!code_) return;
    pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);  // without a JIT the interpreter runs it
    uint32_t groups = 0;
    pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &groups);
    groupCount_ = static_cast<int>(groups);
    uint32_t names = 0;
    pcre2_pattern_info(code_, PCRE2_INFO_NAMECOUNT, &names);
    hasNames_ = names > 0;
  }
  ~Engine() { pcre2_code_free(code_); }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  bool ok() const { return code_ != nullptr; }
  const Text& pattern() const { return pattern_; }
  bool hasNames() const { return hasNames_; }

  // Number of the group called `name` (GBK), or 0 when there is none.
  int GroupNumber(std::string_view name) const {
    const std::string utf8 = GbkToUtf8(name);
    const int n =
        pcre2_substring_number_from_name(code_, reinterpret_cast<PCRE2_SPTR>(utf8.c_str()));
    return n > 0 ? n : 0;
  }

  // Every match in `subject` left to right, or the first only; empty matches step on by one
  // character, as in JavaScript. Offsets come back as GBK byte offsets.
  std::optional<MatchList> FindAll(std::string_view subject, bool global) const {
    if (subject.size() >= std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    std::vector<std::uint32_t> offsets;
    const std::string utf8 = GbkToUtf8(subject, offsets);

    MatchData data(pcre2_match_data_create_from_pattern(code_, nullptr));
    MatchContext context(pcre2_match_context_create(nullptr));
    JitStack stack(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (!data || !context) return std::nullopt;
    if (stack) pcre2_jit_stack_assign(context.get(), nullptr, stack.get());

    MatchList list;
    list.groupCount = groupCount_;
    const auto slots = static_cast<std::size_t>(2 * (groupCount_ + 1));
    const auto* text = reinterpret_cast<PCRE2_SPTR>(utf8.data());
    uint32_t options = 0;  // the subject's UTF-8 is checked on the first call only
    for (std::size_t start = 0; start <= utf8.size();) {
      const int rc =
          pcre2_match(code_, text, utf8.size(), start, options, data.get(), context.get());
      options = PCRE2_NO_UTF_CHECK;
      if (rc <= 0) break;  // no further match, or a limit of the engine: what we have stands
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
      for (std::size_t i = 0; i < slots; ++i) {
        list.spans.push_back(ovector[i] == PCRE2_UNSET ? MatchList::kUnset : offsets[ovector[i]]);
      }
      if (!global) break;
      std::size_t next = ovector[1];
      if (ovector[1] <= ovector[0]) next = NextCharacter(utf8, ovector[1]);
      if (next <= start) next = NextCharacter(utf8, start);
      start = next;
    }
    return list;
  }

 private:
  Text pattern_;
  pcre2_code* code_ = nullptr;
  int groupCount_ = 0;
  bool hasNames_ = false;
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;

bool RegexObject::Create(std::string_view pattern, std::string_view subjectText, bool caseSensitive,
                         bool multiline, bool global, bool quotePlaceholder) {
  regex.reset();
  matches.reset();
  Text source = quotePlaceholder ? Replace(pattern, kQuotePlaceholder, "\"") : Text(pattern);
  regex = std::make_unique<Engine>(std::move(source), caseSensitive, multiline);
  subject = Text(subjectText);
  if (regex->ok()) matches = regex->FindAll(subject, global);
  return matches.has_value();
}

Text RegexObject::GetPattern() const {
  return regex ? regex->pattern() : Text();
}

int RegexObject::MatchCount() const {
  return matches ? matches->size() : 0;
}

int RegexObject::SubMatchCount() const {
  return MatchCount() > 0 ? matches->groupCount : 0;
}

std::optional<std::string_view> RegexObject::Span(int index, int group) const {
  if (!matches || index < 0 || index >= matches->size() || group < 0 ||
      group > matches->groupCount) {
    return std::nullopt;
  }
  const std::size_t* span = matches->at(index) + 2 * group;
  if (span[0] == MatchList::kUnset || span[1] == MatchList::kUnset) return std::nullopt;
  const std::size_t end = std::max(span[0], span[1]);
  return std::string_view(subject).substr(span[0], end - span[0]);
}

Text RegexObject::MatchText(int index, int* position) const {
  return Located(Span(index - 1, 0), position);
}

Text RegexObject::SubMatchText(int index, int group, int* position) const {
  // Group 0 would be the whole match; here groups count from 1.
  return Located(group < 1 ? std::nullopt : Span(index - 1, group), position);
}

Text RegexObject::Located(std::optional<std::string_view> span, int* position) const {
  if (position) *position = span ? static_cast<int>(span->data() - subject.data()) : -2;
  return span ? Text(*span) : Text();
}

Text RegexObject::ReplaceMatches(std::string_view replacement) const {
  if (!matches) return {};
  Text out;
  out.reserve(subject.size());
  std::size_t copied = 0;
  for (int i = 0; i < matches->size(); ++i) {
    const std::size_t* span = matches->at(i);
    out.append(subject, copied, span[0] - std::min(copied, span[0]));
    out.append(Expand(replacement, i));
    copied = std::max(copied, span[1]);
  }
  if (copied < subject.size()) out.append(subject, copied);
  return out;
}

// `replacement` with its "$" forms filled in for 0-based match `index`.
Text RegexObject::Expand(std::string_view replacement, int index) const {
  const std::string_view whole = *Span(index, 0);
  const std::size_t matchStart = static_cast<std::size_t>(whole.data() - subject.data());
  const int groups = matches->groupCount;
  const auto group = [&](int g) { return Span(index, g).value_or(std::string_view()); };

  Text out;
  for (std::size_t p = 0; p < replacement.size();) {
    const char c = replacement[p];
    const char d = p + 1 < replacement.size() ? replacement[p + 1] : '\0';
    if (c != '$' || d == '\0') {
      const std::size_t n = std::min<std::size_t>(CharLength(c), replacement.size() - p);
      out.append(replacement.substr(p, n));
      p += n;
    } else if (d == '$') {
      out.push_back('$');
      p += 2;
    } else if (d == '&') {
      out.append(whole);
      p += 2;
    } else if (d == '`') {
      out.append(subject, 0, matchStart);
      p += 2;
    } else if (d == '\'') {
      out.append(subject, matchStart + whole.size());
      p += 2;
    } else if (IsDigit(d)) {
      // Two digits when they name a group, else one; "$0" and numbers past the groups stay.
      std::size_t digits = 1;
      int n = d - '0';
      if (p + 2 < replacement.size() && IsDigit(replacement[p + 2])) {
        const int two = n * 10 + (replacement[p + 2] - '0');
        if (two <= groups) {
          digits = 2;
          n = two;
        }
      }
      if (n >= 1 && n <= groups) {
        out.append(group(n));
      } else {
        out.append(replacement.substr(p, 1 + digits));
      }
      p += 1 + digits;
    } else if (d == '<' && regex->hasNames()) {
      const std::size_t close = replacement.find('>', p + 2);
      if (close == std::string_view::npos) {
        out.append("$<");
        p += 2;
      } else {
        const int n = regex->GroupNumber(replacement.substr(p + 2, close - p - 2));
        if (n > 0) out.append(group(n));
        p = close + 1;
      }
    } else {
      out.push_back('$');
      p += 1;
    }
  }
  return out;
}

}  // namespace text
