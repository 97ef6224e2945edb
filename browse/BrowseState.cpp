#include "browse/BrowseState.h"

#include "browse/ListPage.h"

namespace browse {
namespace {

void LoadCurrentPage(BrowseState& state, Window& window) {
  LoadListPage(state, window, state.CategoryDir, state.ListNumber, state.CurrentPage);
}

}  // namespace

void SelectSubCategory(BrowseState& state, Window& window, const SubCategory& entry) {
  state.ListNumber = entry.listNumber;
  state.CurrentPage = 1;
  state.CategoryDir = text::Text(entry.categoryDir);
  LoadCurrentPage(state, window);
}

void PreviousPage(BrowseState& state, Window& window) {
  state.CurrentPage -= 1;
  if (state.CurrentPage < 1) state.CurrentPage = 1;
  LoadCurrentPage(state, window);
}

void NextPage(BrowseState& state, Window& window) {
  // A list that announced no total (its fetch failed, say) has no page to move on to; asking
  // for page 0 would only fetch an address the site does not have.
  if (state.PageCount > 0) {
    state.CurrentPage += 1;
    if (state.CurrentPage > state.PageCount) state.CurrentPage = state.PageCount;
  }
  LoadCurrentPage(state, window);
}

}  // namespace browse
