#include "browse/Search.h"

#include "browse/Site.h"
#include "web/WebRequest.h"

namespace browse {

text::Text SearchAddress(std::string_view keyword) {
  return SiteBase() + "plus/search.php?keyword=" + text::Text(keyword);
}

void RunSearch(Window& window) {
  web::WebRequest(SearchAddress(window.SearchText()));
}

}  // namespace browse
