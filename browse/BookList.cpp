#include "browse/BookList.h"

#include "browse/RowPattern.h"
#include "text/KeepNonAscii.h"
#include "text/RegexObject.h"

namespace browse {

void FillBookList(Window& window, std::string_view pageText) {
  text::RegexObject regex;
  window.DeleteAllRows();
  regex.Create(kRowPattern, pageText);
  const int matches = regex.MatchCount();
  for (int k = 1; k <= matches; ++k) {
    const int row = window.InsertRow();
    window.SetCell(row, 0, text::KeepNonAscii(regex.SubMatchText(k, 4)));
    window.SetCell(row, 1, regex.SubMatchText(k, 2));
    window.SetCell(row, 2, regex.SubMatchText(k, 1));
    window.SetCell(row, 3, regex.SubMatchText(k, 3));
  }
}

}  // namespace browse
