#pragma once

#include "text/Text.h"

namespace text {

// `text` without its characters U+0020 to U+007F (printable ASCII and DEL). Control characters
// below U+0020 (tab, CR, LF) and every non-ASCII character stay whole. With `dropWhitespace`,
// white space (tab, line breaks, vertical tab, form feed) goes as well.
Text KeepNonAscii(std::string_view text, bool dropWhitespace = false);

}  // namespace text
