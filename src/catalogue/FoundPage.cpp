#include "catalogue/FoundPage.h"

#include "base/CodePage.h"

namespace tavren {
namespace {

bool Holds(const StringList& list, int row, std::string_view item) {
  return row < list.Count() && list.Item(row) == item;
}

}  // namespace

std::string FileChangedMessage() {
  return cp932::FromUtf8("ページが見つかりません。ガイドファイルが変更されています。");
}

void OpenFoundPage(Catalogue& catalogue, CatalogueWindow& lists, SearchWindow& window, int page) {
  const PageIndex& pages = catalogue.Pages();
  if (page < 0 || page >= pages.Size()) return;
  const auto major = pages.MajorPosition(page);
  const auto middle = pages.MiddlePosition(page);
  const bool listed = major && middle && *major >= 0 && *major < lists.MajorList().Count() && *middle >= 0 &&
                      *middle < lists.MiddleList().Count();
  if (!listed) {
    // The filter gives no list that holds this page: open it directly.
    window.Navigate(pages.Address(page));
    window.ShowNote(pages.Note(page));
    return;
  }
  // The filter leaves the index alone: its views stay valid.
  const std::string_view title = pages.Title(page);
  const std::string_view address = pages.Address(page);
  const std::string_view note = pages.Note(page);
  const int row = pages.RankInPair(page);
  window.SelectCategories(*major, *middle);
  catalogue.FilterByPair(*major, *middle);
  if (!Holds(lists.TitleList(), row, title) || !Holds(lists.AddressList(), row, address) ||
      !Holds(lists.NoteList(), row, note)) {
    window.Message(FileChangedMessage());
    return;
  }
  window.PickPage(row);
}

}  // namespace tavren
