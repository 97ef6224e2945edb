#pragma once

#include "text/Text.h"

namespace text {

// Written in a marker in place of a double quote: "#引号" in GBK.
inline constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// The text between the first `startMarker` at or after `from` (below 1: the start) and the
// first `endMarker` after it. Empty when either marker is missing, or when the two touch. Each
// "#引号" in a marker stands for a double quote. With `ignoreCase`, the markers' ASCII letters
// match in either case.
Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 int from = 1, bool ignoreCase = false);

// Removes the leading and trailing spaces (0x20) of `t` in place and returns the trimmed text.
// Tabs, line breaks and full-width spaces stay.
Text TrimBlanks(Text& t);

}  // namespace text
