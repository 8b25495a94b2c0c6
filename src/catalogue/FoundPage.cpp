#include "catalogue/FoundPage.h"

#include "base/CodePage.h"

namespace tavren {
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
    std::string_view address;
    std::string_view note;
    if (!pages.KeptAddressAndNote(page, address, note)) return;
    window.Navigate(address);
    window.ShowNote(note);
    return;
  }
  const std::string_view title = pages.Title(page);
  const int row = pages.RankInPair(page);
  window.SelectCategories(*major, *middle);
  catalogue.FilterByPair(*major, *middle);
  // The filter leaves the index alone: `title` is still valid.
  const StringList& titles = lists.TitleList();
  const StringList& addresses = lists.AddressList();
  const StringList& notes = lists.NoteList();
  if (row >= titles.Count() || row >= addresses.Count() || row >= notes.Count() || titles.Item(row) != title ||
      PageIndex::Fingerprint(addresses.Item(row), notes.Item(row)) != pages.Fingerprint(page)) {
    window.Message(FileChangedMessage());
    return;
  }
  window.PickPage(row);
}

}  // namespace tavren
