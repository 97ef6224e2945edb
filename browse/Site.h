#pragma once

#include <string_view>

#include "text/Text.h"

namespace browse {

// The site's base address: "http://", the host with an optional port, and a closing "/". Every
// address of the site is a path appended to it. Built in from the CMake cache variable
// MOSHU_SITE_BASE.
const text::Text& SiteBase();

// Points SiteBase at another site for the rest of the run, so tests can use their own server.
void SetSiteBase(std::string_view base);

}  // namespace browse
