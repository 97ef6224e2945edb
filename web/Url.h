#pragma once

#include <optional>
#include <string_view>

#include "text/Text.h"

// Cutting an address into the host, port and path that a request needs. Only "http://" and
// "https://" are known; an address without a scheme counts as "http://". Nothing here fails.
namespace web {

// The host of `url`, lower-cased; empty when there is none. With `shorten`, only the last two
// labels (a.b.c gives b.c). With `keepPort`, a ":port" after the host stays. Given a
// `dotCount` N, the host is cut to its last N+1 labels with `shorten` and N+2 without, and
// stays whole when it has too few dots.
text::Text UrlHost(std::string_view url, bool shorten = false, bool keepPort = false,
                   std::optional<int> dotCount = std::nullopt);

// The port written after the host (0 when its text has no digits); otherwise 443 when the
// address begins with "https" in any case, else 80.
int UrlPort(std::string_view url);

// The path, query and fragment as written, from the first "/" after the host; "/" when there
// is none.
text::Text UrlPath(std::string_view url);

}  // namespace web
