#pragma once

#include <string_view>

#include "text/Text.h"

// Keeping a caller's cookie text ("name=value" entries joined by "; ") up to date with the
// cookies a response has set.
namespace web {

// Merges `newCookies` into `oldCookies`: the new entries first, in their order, then each old
// entry whose name is not yet in the list; entries ending in "=deleted" are dropped and exact
// repeats collapse. Spaces are removed from both arguments; the result is also left in
// `oldCookies`. Two empty texts give the empty text.
text::Text MergeCookies(text::Text& oldCookies, text::Text& newCookies);

// The name of a cookie entry: the text before its first "=", trimmed; without "=", the whole
// entry trimmed.
text::Text CookieName(std::string_view entry);

// The pieces of `t` between the `separator`s, each kept at its first occurrence only, joined
// by `separator`.
text::Text JoinDistinct(std::string_view t, std::string_view separator);

}  // namespace web
