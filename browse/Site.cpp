#include "browse/Site.h"

namespace browse {
namespace {

text::Text& Base() {
  static text::Text base = MOSHU_SITE_BASE;
  return base;
}

}  // namespace

const text::Text& SiteBase() {
  return Base();
}

void SetSiteBase(std::string_view base) {
  Base() = text::Text(base);
}

}  // namespace browse
