#include "browse/ListPage.h"

#include "browse/BookList.h"
#include "browse/Site.h"
#include "text/Markers.h"
#include "web/WebRequest.h"

namespace browse {

text::Text ListAddress(std::string_view categoryDir, int listNumber, int page) {
  return SiteBase() + "html/" + text::Text(categoryDir) + "/list_" + text::ToText(listNumber) +
         "_" + text::ToText(page) + ".html";
}

void LoadListPage(BrowseState& state, Window& window, std::string_view categoryDir, int listNumber,
                  int page) {
  state.PageCount = 0;
  const text::Text pageText =
      text::ToText(web::WebRequest(ListAddress(categoryDir, listNumber, page)));
  const text::Text current = text::TextBetween(pageText, kCurrentPageStart, kCurrentPageEnd);
  const text::Text total = text::TextBetween(pageText, kPageCountStart, kPageCountEnd);
  window.SetPageLabel(current + "/" + total);
  state.PageCount = text::ToInteger(total);
  FillBookList(window, pageText);
}

}  // namespace browse
