#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

// Conversions between the program's GBK texts and UTF-8, for the window and the pattern engine.
namespace text {

// Decodes GBK as web browsers do: read as its GB18030 superset, with 0x80 the euro sign. Each
// invalid or truncated sequence becomes one U+FFFD and decoding goes on; an ASCII byte after a
// bad lead byte is not swallowed, so markup behind a stray byte survives.
std::string GbkToUtf8(std::string_view gbk);

// As above. `offsets` is resized to the result's size + 1; for every byte offset of the result
// that starts a character, and for its end, it holds the offset in `gbk` of the same place.
std::string GbkToUtf8(std::string_view gbk, std::vector<std::uint32_t>& offsets);

// Bytes in the UTF-8 character that starts with `lead` (1 for a stray continuation byte).
inline std::size_t Utf8Length(unsigned char lead) {
  return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Encodes UTF-8 so that a decoded page comes back byte for byte: U+20AC becomes 0x80 as in
// code page 936, characters outside GBK take their four-byte GB18030 form. Each byte of an
// invalid UTF-8 sequence becomes "?".
Text Utf8ToGbk(std::string_view utf8);

}  // namespace text
