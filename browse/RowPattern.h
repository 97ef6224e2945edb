#pragma once

#include <string_view>

namespace browse {

// Finds one book entry of a list page (GBK). Groups: 1 the size, 2 the update time, 3 the book
// page's address after "/html/", 4 the title between 《 and 》. Each group stays on one line;
// the gaps between the pieces may cross lines.
inline constexpr std::string_view kRowPattern =
    "qq_l\">(.*?)</li>[\\s\\S]*?qq_m\">(.*?)</li>[\\s\\S]*?class=\"qq_g\"><a "
    "href=\"/html/(.*?)\">[\\s\\S]*?\xA1\xB6(.*?)\xA1\xB7";

}  // namespace browse
