#pragma once

#include <string_view>

#include "browse/BrowseState.h"
#include "browse/Window.h"
#include "text/Text.h"

namespace browse {

// The markers around the page numbers of a list page, byte for byte (GBK).
inline constexpr std::string_view kCurrentPageStart = "thisclass\">";
inline constexpr std::string_view kCurrentPageEnd = "</li>";
inline constexpr std::string_view kPageCountStart = "\xB9\xB2 <strong>";  // "共 <strong>"
inline constexpr std::string_view kPageCountEnd = "</strong>\xD2\xB3";    // "</strong>页"

// SiteBase + "html/" + categoryDir + "/list_" + listNumber + "_" + page + ".html".
text::Text ListAddress(std::string_view categoryDir, int listNumber, int page);

// Fetches one list page, shows "current/total" as the page announces them in the page label,
// stores the total in state.PageCount and fills the book list from the page. The only field of
// `state` it writes is PageCount: 0 until the page has been read, and 0 when it announces no
// total. A failed fetch shows "/" and an empty list.
void LoadListPage(BrowseState& state, Window& window, std::string_view categoryDir, int listNumber,
                  int page);

}  // namespace browse
