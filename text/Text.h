#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text operations the rest of the program is written in.
//
// A text is GBK bytes. Lengths and positions count bytes, positions are 1-based and -1 means
// "not found". Searching, replacing, splitting and trimming step by characters: a byte of 0x80
// or more takes the next byte with it, so a match only ever begins at a character start counted
// from where the stepping began. Nothing here fails: odd arguments give the edge results below.
//
// Length, join and byte count are std::string's size() and operator+.
namespace text {

using Text = std::string;
// A counted block of bytes, zeros allowed.
using ByteArray = std::vector<std::uint8_t>;

// Bytes in the character that starts with `lead`: 2 from 0x80 up, else 1.
inline int CharLength(unsigned char lead) {
  return lead < 0x80 ? 1 : 2;
}

// First or last min(n, length) bytes; empty when n < 1.
Text Left(std::string_view t, int n);
Text Right(std::string_view t, int n);
// n bytes from 1-based position s, cut at the end; empty when s < 1, s > length or n < 1.
Text Mid(std::string_view t, int s, int n);

// Position of the first `sub` starting at or after `from` (below 1: 1); -1 when there is none
// or `from` lies past the end. An empty `sub` gives 1 when the part searched is not empty.
// With `ignoreCase`, ASCII letters match in either case.
int Find(std::string_view t, std::string_view sub, int from = 1, bool ignoreCase = false);
// Position of the last `sub` lying wholly before position `before` (omitted: the whole text);
// -1 when there is none or `before` < 2. An empty `sub` gives 1 when the part searched is not
// empty.
int FindLast(std::string_view t, std::string_view sub, std::optional<int> before = std::nullopt,
             bool ignoreCase = false);

// A-Z to a-z; every other byte, the second bytes of double-byte characters included, stays.
Text LowerCase(std::string_view t);

// The leading decimal number: full-width digits, signs and spaces count as their ASCII forms,
// then white space, an optional sign and the digits up to the first other character. No
// digits: 0. Numbers beyond the int range stop at its ends.
int ToInteger(std::string_view t);

// Without the leading and trailing half-width (0x20) and full-width (0xA1 0xA1) spaces. Tab,
// CR and LF stay.
Text Trim(std::string_view t);
// Without any half-width or full-width space.
Text RemoveSpaces(std::string_view t);

// `t` with the occurrences of `sub` replaced by `with`, left to right and not overlapping.
// Bytes before `from` (below 1: 1) are kept as they are; `count` below 0 replaces all, 0 none.
// An empty `t` or `sub`, or `from` past the end, gives `t`. A false `caseSensitive` lets ASCII
// letters match in either case.
Text Replace(std::string_view t, std::string_view sub, std::string_view with = {}, int from = 1,
             int count = -1, bool caseSensitive = true);

// The pieces between the occurrences of `sep`, empty ones kept but none after a final `sep`.
// No `sep` in `t` (or an empty one): `t` alone. An empty `t`: no pieces.
std::vector<Text> Split(std::string_view t, std::string_view sep);

// Byte-wise unsigned comparison: negative, 0 when equal, positive.
int Compare(std::string_view a, std::string_view b);

// Decimal text of an integer.
Text ToText(long long n);
// The bytes before the first zero byte.
Text ToText(const ByteArray& b);
// The bytes of `t`, without a zero at the end.
ByteArray ToBytes(std::string_view t);

// n spaces, n zero bytes; empty when n < 1.
Text BlankText(int n);
ByteArray BlankBytes(int n);
// The first max(0, min(n, size)) bytes.
ByteArray BytesLeft(const ByteArray& b, int n);

// The one byte c (its low eight bits); 0 gives the empty text.
Text Character(int c);

}  // namespace text
