#pragma once

#include <string_view>

#include "browse/Window.h"
#include "text/Text.h"

namespace browse {

// SiteBase + "plus/search.php?keyword=" + the keyword's GBK bytes as they stand: not trimmed,
// not percent-encoded.
text::Text SearchAddress(std::string_view keyword);

// Sends the site's search request for the text of the search box. The answer is not used:
// nothing in the window changes.
void RunSearch(Window& window);

}  // namespace browse
