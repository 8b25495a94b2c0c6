#pragma once
// The main window's list control: a single-selection list of CP932 byte
// strings shown decoded, in the order they were added, never sorted. Stays
// fast with a hundred thousand items (one byte buffer, rows decoded on demand,
// uniform row sizes, one insertion notice per batch of Add calls).
//
// Clicked() is the list's click event, raised after the selection has moved:
//  - a left-button press on an item, even the selected one (other buttons
//    neither select nor click; a press below the items does nothing);
//  - dragging with the left button held, once per item the selection enters;
//  - arrow, Page Up/Down, Home and End keys, when the selection moves; in an
//    empty list every such key clicks (the handler then sees position -1).
//    With nothing selected, End goes to the last item, the others to the first;
//  - type-ahead and Backspace, as below.
// Changes made by the program (Clear, Add, SetItemIndex) raise none.
//
// Items have no tooltips of their own, so a tooltip request over them passes
// on to the list, whose hint serves the whole control.
//
// Type-ahead: typed characters, converted to CP932, build a prefix; a pause of
// more than 500 ms between keys starts a new one. The first item, counted from
// position 0, that begins with the prefix is selected and Clicked() raised,
// even when that item was selected already. Comparison folds ASCII letters
// and the full-width Latin, Greek and Cyrillic letters; other two-byte
// characters must match byte for byte, and a trail byte is never folded. When no item matches, the
// selection stays and no click is raised (the prefix keeps the character, so
// a further key keeps narrowing). Backspace removes the prefix's last
// character (a two-byte character whole); when that leaves it empty, position
// 0 is selected (-1 on an empty list) and Clicked() raised; while it is not
// empty, the selection stays. The pause applies to typed characters only;
// Backspace always edits the prefix as it stands.

#include <QElapsedTimer>
#include <QListView>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/CatalogueWindow.h"

namespace tavren {

class ByteListModel;

class GuideListBox : public QListView, public StringList {
  Q_OBJECT
 public:
  explicit GuideListBox(QWidget* parent = nullptr);
  ~GuideListBox() override;

  // StringList. Count() and Item() are exact at once, even before the view
  // has been told of newly added items. Item throws EStringListError(i) when
  // there is no item i.
  void Clear() override;
  void Add(std::string_view item) override;
  int Count() const override;
  std::string Item(int i) const override;

  // Selected position, 0-based; -1 when none.
  int ItemIndex() const;
  // Selects position i (-1 or any position out of range: none), as the
  // program; raises no Clicked().
  void SetItemIndex(int i);
  // Fixed row height in pixels; 0 returns to the font's line height.
  void SetItemHeight(int px);

  // Milliseconds from a monotonic source, for the type-ahead pause. Tests
  // replace it; the default is a QElapsedTimer started with the list.
  void SetTimeSource(std::function<qint64()> millisecondsNow);

  // Qt's own search starts after the current row and raises no click; the
  // list handles typed keys itself.
  void keyboardSearch(const QString& search) override;

  // The longest gap between type-ahead keys that still extends the prefix.
  static constexpr qint64 kTypeAheadPauseMs = 500;

 signals:
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void TypeAhead(const QString& text);
  void TypeAheadBackspace();
  // Selects row (or none for -1) and raises Clicked().
  void SelectByUser(int row);
  void SelectRow(int row);
  void ApplyRowSize();

  ByteListModel* model_;
  int itemHeight_ = 0;
  bool userChange_ = false;
  bool changedByUser_ = false;
  std::string prefix_;
  qint64 lastKeyMs_ = 0;
  bool typedBefore_ = false;
  QElapsedTimer elapsed_;
  std::function<qint64()> now_;
};

}  // namespace tavren
