#include "web/Cookies.h"

#include <algorithm>
#include <vector>

namespace web {
namespace {

// The server deletes a cookie by setting this value; such entries are never passed on.
bool IsDeleted(std::string_view entry) {
  return text::Right(entry, 8) == "=deleted";
}

// `t` without its last `n` bytes; empty when it is not longer.
text::Text CutEnd(const text::Text& t, std::size_t n) {
  return text::Left(t, static_cast<int>(t.size()) - static_cast<int>(n));
}

}  // namespace

text::Text CookieName(std::string_view entry) {
  const int equals = text::Find(entry, "=");
  return text::Trim(equals == -1 ? entry : entry.substr(0, static_cast<std::size_t>(equals) - 1));
}

text::Text JoinDistinct(std::string_view t, std::string_view separator) {
  std::vector<text::Text> kept;
  text::Text out;
  for (text::Text& piece : text::Split(t, separator)) {
    if (std::find(kept.begin(), kept.end(), piece) != kept.end()) continue;
    out += piece;
    out += separator;
    kept.push_back(std::move(piece));
  }
  return CutEnd(out, separator.size());
}

text::Text MergeCookies(text::Text& oldCookies, text::Text& newCookies) {
  oldCookies = text::RemoveSpaces(oldCookies);
  newCookies = text::RemoveSpaces(newCookies);

  // The new entries are taken as they come, repeats of a name included; an old entry only
  // joins when no entry in the list so far has its name.
  std::vector<text::Text> merged = text::Split(newCookies, ";");
  for (text::Text& entry : text::Split(oldCookies, ";")) {
    const text::Text name = CookieName(entry);
    const bool taken = std::any_of(merged.begin(), merged.end(),
                                   [&](const text::Text& e) { return CookieName(e) == name; });
    if (!taken) merged.push_back(std::move(entry));
  }

  oldCookies.clear();
  for (const text::Text& entry : merged) {
    if (IsDeleted(entry)) continue;
    oldCookies += entry;
    oldCookies += "; ";
  }
  oldCookies = JoinDistinct(CutEnd(oldCookies, 2), "; ");
  return oldCookies;
}

}  // namespace web
