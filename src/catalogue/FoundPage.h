#pragma once
// Opening a page that the page search found, as if the reader had clicked
// their way there: the two category items, one filter with both positions,
// then the page pick in the filtered page list. Driven through SearchWindow,
// so it runs without widgets.

#include "catalogue/Catalogue.h"

#include <string_view>

namespace tavren {

// What opening a found page needs of the window beyond CatalogueWindow.
class SearchWindow {
 public:
  virtual ~SearchWindow() = default;
  // Selects the items as the program does: no click is raised.
  virtual void SelectCategories(int major, int middle) = 0;
  // Selects item `row` of the page-title list and runs the page pick, as a
  // click on it would (its failures included).
  virtual void PickPage(int row) = 0;
  // The page pick's two steps for a page the lists do not hold: navigate to
  // `address`, then show `note` in the note label (both CP932).
  virtual void Navigate(std::string_view address) = 0;
  virtual void ShowNote(std::string_view note) = 0;
  // The simple message dialog (no icon, no "." appended), CP932.
  virtual void Message(std::string_view text) = 0;
};

// The message shown when the filtered list no longer holds the page where
// the search expected it: "ページが見つかりません。ガイドファイルが変更されています。"
std::string FileChangedMessage();

// Opens page `page` (a position in catalogue.Pages(); out of range does
// nothing). A page whose positions name an item of each category list:
// those items selected, catalogue.FilterByPair (its failures thrown, as the
// clicks throw them), then, when the filtered list holds the same page at
// the expected row, that row picked; otherwise FileChangedMessage() and no
// navigation. Any other page: Navigate to its address and ShowNote its note,
// the lists untouched.
void OpenFoundPage(Catalogue& catalogue, CatalogueWindow& lists, SearchWindow& window, int page);

}  // namespace tavren
