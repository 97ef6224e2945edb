#include "download/BookPage.h"

#include "browse/Site.h"
#include "text/KeepNonAscii.h"
#include "text/Markers.h"
#include "web/WebRequest.h"

namespace download {

static_assert(kIntroStart.size() == 103 && kIntroEnd.size() == 23);
static_assert(kListLinkStart.size() == 28 && kListLinkEnd.size() == 18);
static_assert(kFileLinkStart.size() == 49 && kFileLinkEnd.size() == 45);

text::Text ResolveDownloadUrl(browse::Window& window, std::string_view bookPageUrl) {
  const text::Text bookPage = text::ToText(web::WebRequest(bookPageUrl));
  text::Text intro = text::TextBetween(bookPage, kIntroStart, kIntroEnd);
  text::TrimBlanks(intro);
  window.SetIntro(text::KeepNonAscii(intro));

  const text::Text listLink = text::TextBetween(bookPage, kListLinkStart, kListLinkEnd);
  const text::Text listPage = text::ToText(web::WebRequest(browse::SiteBase() + listLink));
  const text::Text fileLink = text::TextBetween(listPage, kFileLinkStart, kFileLinkEnd);
  return browse::SiteBase() + fileLink;
}

}  // namespace download
