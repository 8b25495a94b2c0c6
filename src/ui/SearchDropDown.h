#pragma once
// The page search's drop-down under the search box: the number of matches
// ("1,234 件", or "見つかりません"), then one row per found page, its title
// with the matched parts emphasised and its major and middle category names
// dimmer ("—" for a position that names no category). Rows are drawn only
// while on screen, so a hundred thousand matches cost what a screenful does.
// It never takes the focus: the box keeps it while the reader types.

#include <QFrame>

#include <vector>

#include "catalogue/CatalogueWindow.h"
#include "catalogue/PageIndex.h"
#include "catalogue/SearchFold.h"

class QLabel;
class QListView;

namespace tavren {

class SearchResultModel;

class SearchDropDown : public QFrame {
  Q_OBJECT
 public:
  // The index and the category lists must outlive the drop-down.
  SearchDropDown(const PageIndex& pages, const StringList& majors, const StringList& middles, QWidget* parent);
  ~SearchDropDown() override;

  // Shows `found` (positions in the index, in file order) for `query`, the
  // first row highlighted; with none, only "見つかりません". Places itself at
  // `topLeft` in its parent, at most `maxHeight` pixels high, above the
  // parent's other children.
  void ShowResults(const SearchQuery& query, std::vector<int> found, QPoint topLeft, int maxHeight);
  // Hides the drop-down and forgets its rows.
  void Close();

  // The highlighted result's position in the index; -1 when there is none.
  int CurrentPage() const;
  // Moves the highlight by `rows` (clamped to the list).
  void MoveHighlight(int rows);
  // Rows that fit on screen at once.
  int RowsPerPage() const;

  QListView& List() const { return *list_; }
  QLabel& Count() const { return *count_; }
  // The count as shown: "1,234 件" or "見つかりません".
  static QString CountText(std::size_t matches);

 signals:
  // A row was clicked: the page at that row.
  void PageClicked(int page);

 private:
  SearchResultModel* model_;
  QListView* list_;
  QLabel* count_;
};

}  // namespace tavren
