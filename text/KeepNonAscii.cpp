#include "text/KeepNonAscii.h"

#include "text/RegexObject.h"

namespace text {

Text KeepNonAscii(std::string_view text, bool dropWhitespace) {
  RegexObject regex;
  regex.Create("[^\\x20-\\x7f]", text);
  Text kept;
  const int count = regex.MatchCount();
  for (int i = 1; i <= count; ++i) kept += regex.MatchText(i);
  if (dropWhitespace) {
    regex.Create("\\s", kept);
    kept = regex.ReplaceMatches("");
  }
  return kept;
}

}  // namespace text
