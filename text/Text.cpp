#include "text/Text.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace text {
namespace {

std::size_t NextChar(std::string_view t, std::size_t p) {
  return std::min(t.size(), p + CharLength(static_cast<unsigned char>(t[p])));
}

unsigned char Fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// Whether `sub` stands at byte `p` of `t`, where `p` is a character start. Case is only ever
// folded for single-byte characters: the second byte of a double-byte character may look like
// a letter, and folding it would match a different character.
bool MatchesAt(std::string_view t, std::size_t p, std::string_view sub, bool ignoreCase) {
  if (t.size() - p < sub.size()) return false;
  if (!ignoreCase) return std::memcmp(t.data() + p, sub.data(), sub.size()) == 0;
  for (std::size_t i = 0; i < sub.size();) {
    const auto a = static_cast<unsigned char>(t[p + i]);
    const auto b = static_cast<unsigned char>(sub[i]);
    if (b < 0x80) {
      if (Fold(a) != Fold(b)) return false;
      ++i;
    } else {
      const std::size_t n = std::min<std::size_t>(2, sub.size() - i);
      if (std::memcmp(t.data() + p + i, sub.data() + i, n) != 0) return false;
      i += n;
    }
  }
  return true;
}

int Position(std::size_t index) {
  return static_cast<int>(index) + 1;
}

// Byte length of a space character at `p` (1 or 2), or 0 when there is none.
std::size_t SpaceAt(std::string_view t, std::size_t p) {
  if (t[p] == ' ') return 1;
  if (p + 1 < t.size() && t[p] == '\xA1' && t[p + 1] == '\xA1') return 2;
  return 0;
}

}  // namespace

Text Left(std::string_view t, int n) {
  if (n < 1) return {};
  return Text(t.substr(0, static_cast<std::size_t>(n)));
}

Text Right(std::string_view t, int n) {
  if (n < 1) return {};
  const std::size_t k = std::min(t.size(), static_cast<std::size_t>(n));
  return Text(t.substr(t.size() - k));
}

Text Mid(std::string_view t, int s, int n) {
  if (s < 1 || n < 1 || static_cast<std::size_t>(s) > t.size()) return {};
  return Text(t.substr(static_cast<std::size_t>(s) - 1, static_cast<std::size_t>(n)));
}

int Find(std::string_view t, std::string_view sub, int from, bool ignoreCase) {
  if (from < 1) from = 1;
  if (static_cast<std::size_t>(from) > t.size()) return -1;
  if (sub.empty()) return 1;
  for (std::size_t p = static_cast<std::size_t>(from) - 1; p < t.size(); p = NextChar(t, p)) {
    if (MatchesAt(t, p, sub, ignoreCase)) return Position(p);
  }
  return -1;
}

int FindLast(std::string_view t, std::string_view sub, std::optional<int> before, bool ignoreCase) {
  // The part searched is the bytes before position `before`.
  std::size_t limit = t.size();
  if (before) {
    if (*before < 2) return -1;
    limit = std::min(limit, static_cast<std::size_t>(*before) - 1);
  }
  if (sub.empty()) return limit > 0 ? 1 : -1;
  int found = -1;
  for (std::size_t p = 0; p + sub.size() <= limit; p = NextChar(t, p)) {
    if (MatchesAt(t, p, sub, ignoreCase)) found = Position(p);
  }
  return found;
}

Text LowerCase(std::string_view t) {
  Text out(t);
  for (std::size_t p = 0; p < out.size(); p = NextChar(out, p)) {
    out[p] = static_cast<char>(Fold(static_cast<unsigned char>(out[p])));
  }
  return out;
}

int ToInteger(std::string_view t) {
  // Reads `t` one character at a time with the full-width forms turned into ASCII; any other
  // double-byte character reads as 0x80, which ends a number.
  std::size_t p = 0;
  auto next = [&]() -> int {
    if (p >= t.size()) return -1;
    const auto c = static_cast<unsigned char>(t[p]);
    if (c < 0x80 || p + 1 >= t.size()) {
      ++p;
      return c;
    }
    const auto c2 = static_cast<unsigned char>(t[p + 1]);
    p += 2;
    if (c == 0xA3 && c2 >= 0xA1 && c2 <= 0xFE) return c2 - 0x80;
    if (c == 0xA1 && c2 == 0xA1) return ' ';
    return 0x80;
  };
  int c = next();
  while (c == ' ' || (c >= '\t' && c <= '\r')) c = next();
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = (c == '-');
    c = next();
  }
  long long value = 0;
  for (; c >= '0' && c <= '9'; c = next()) {
    value = std::min(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(std::min<long long>(value, INT_MAX));
}

Text Trim(std::string_view t) {
  std::size_t first = t.size();
  std::size_t end = 0;
  for (std::size_t p = 0; p < t.size();) {
    if (const std::size_t space = SpaceAt(t, p)) {
      p += space;
      continue;
    }
    const std::size_t next = NextChar(t, p);
    first = std::min(first, p);
    end = next;
    p = next;
  }
  if (first >= end) return {};
  return Text(t.substr(first, end - first));
}

Text RemoveSpaces(std::string_view t) {
  Text out;
  out.reserve(t.size());
  for (std::size_t p = 0; p < t.size();) {
    if (const std::size_t space = SpaceAt(t, p)) {
      p += space;
      continue;
    }
    const std::size_t next = NextChar(t, p);
    out.append(t.substr(p, next - p));
    p = next;
  }
  return out;
}

Text Replace(std::string_view t, std::string_view sub, std::string_view with, int from, int count,
             bool caseSensitive) {
  if (from < 1) from = 1;
  if (t.empty() || sub.empty() || static_cast<std::size_t>(from) > t.size() || count == 0) {
    return Text(t);
  }
  const std::size_t start = static_cast<std::size_t>(from) - 1;
  Text out(t.substr(0, start));
  out.reserve(t.size());
  std::size_t p = start;
  int replaced = 0;
  while (p < t.size() && (count < 0 || replaced < count)) {
    if (MatchesAt(t, p, sub, !caseSensitive)) {
      out.append(with);
      p += sub.size();
      ++replaced;
    } else {
      const std::size_t next = NextChar(t, p);
      out.append(t.substr(p, next - p));
      p = next;
    }
  }
  out.append(t.substr(p));
  return out;
}

std::vector<Text> Split(std::string_view t, std::string_view sep) {
  std::vector<Text> pieces;
  if (t.empty()) return pieces;
  if (sep.empty()) return {Text(t)};
  std::size_t pieceStart = 0;
  for (std::size_t p = 0; p < t.size();) {
    if (MatchesAt(t, p, sep, false)) {
      pieces.emplace_back(t.substr(pieceStart, p - pieceStart));
      p += sep.size();
      pieceStart = p;
    } else {
      p = NextChar(t, p);
    }
  }
  if (pieceStart < t.size()) pieces.emplace_back(t.substr(pieceStart));
  return pieces;
}

int Compare(std::string_view a, std::string_view b) {
  const int c = a.compare(b);  // char_traits<char> compares as unsigned char
  return (c > 0) - (c < 0);
}

Text ToText(long long n) {
  return std::to_string(n);
}

Text ToText(const ByteArray& b) {
  const auto zero = std::find(b.begin(), b.end(), std::uint8_t{0});
  return Text(b.begin(), zero);
}

ByteArray ToBytes(std::string_view t) {
  return ByteArray(t.begin(), t.end());
}

Text BlankText(int n) {
  return n < 1 ? Text() : Text(static_cast<std::size_t>(n), ' ');
}

ByteArray BlankBytes(int n) {
  return n < 1 ? ByteArray() : ByteArray(static_cast<std::size_t>(n), 0);
}

ByteArray BytesLeft(const ByteArray& b, int n) {
  const std::size_t k = std::min(b.size(), static_cast<std::size_t>(std::max(0, n)));
  return ByteArray(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(k));
}

Text Character(int c) {
  const auto byte = static_cast<char>(static_cast<unsigned char>(c));
  return byte == 0 ? Text() : Text(1, byte);
}

}  // namespace text
