#pragma once

#include <string_view>

#include "browse/Window.h"

namespace browse {

// Replaces the rows of the book list with one row per book entry of a list page, in page
// order: the title without its ASCII characters, the update time, the size and the book page's
// address after "/html/". A page without entries leaves the list empty.
void FillBookList(Window& window, std::string_view pageText);

}  // namespace browse
