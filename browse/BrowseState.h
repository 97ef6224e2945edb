#pragma once

#include <string>

#include "browse/SubCategory.h"
#include "browse/Window.h"
#include "text/Text.h"

namespace browse {

// Where the reader is in the catalogue. The program holds one from start-up to exit.
struct BrowseState {
  text::Text CategoryDir;  // directory word of the current list's group
  int ListNumber = 0;      // the site's number of the current list
  int CurrentPage = 0;     // the page last asked for, from 1
  int PageCount = 0;       // the total the last list page announced; 0 when none was read
};

// Moves to page 1 of `entry`'s list and loads it, also when that list is already shown.
void SelectSubCategory(BrowseState& state, Window& window, const SubCategory& entry);

// Moves one page back, never below page 1, and loads the page: on page 1 it reloads page 1.
void PreviousPage(BrowseState& state, Window& window);

// Moves one page on, never beyond PageCount, and loads the page: on the last page it reloads
// the last page. With no total known (PageCount 0) it reloads the current page.
void NextPage(BrowseState& state, Window& window);

}  // namespace browse
