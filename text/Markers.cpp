#include "text/Markers.h"

namespace text {

Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 int from, bool ignoreCase) {
  const Text start = Replace(startMarker, kQuotePlaceholder, "\"");
  const Text end = Replace(endMarker, kQuotePlaceholder, "\"");
  int s = Find(text, start, from, ignoreCase);
  if (s != -1) s += static_cast<int>(start.size());
  const int e = Find(text, end, s, ignoreCase);
  if (s == -1 || e == -1) return {};
  return Mid(text, s, e - s);
}

Text TrimBlanks(Text& t) {
  const std::size_t first = t.find_first_not_of(' ');
  if (first == Text::npos) {
    t.clear();
  } else {
    t.erase(t.find_last_not_of(' ') + 1);
    t.erase(0, first);
  }
  return t;
}

}  // namespace text
