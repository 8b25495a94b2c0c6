#pragma once
// The main window's page search box: each key searches every page of the
// loaded guide and shows the matches in a SearchDropDown under the box.
//
// Keys in the box: Down / Up (and Page Down / Page Up) move the highlight,
// Enter opens the highlighted result (none when nothing matched), Esc closes
// the drop-down and a second Esc gives the focus back to where it was when
// Ctrl+K brought it here, Ctrl+K selects the text. Everything else edits.
// Disabled until a load opens a guide; every load clears it.

#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueWindow.h"

namespace tavren {

class SearchDropDown;

class PageSearchBox : public QLineEdit {
  Q_OBJECT
 public:
  // `catalogue` and the category lists must outlive the box. The drop-down
  // is a child of `window` (the box's parent too), so it lies above the
  // window's other controls.
  PageSearchBox(const Catalogue& catalogue, const StringList& majors, const StringList& middles, QWidget* window);
  ~PageSearchBox() override;

  // After every load command: clears the text and the drop-down; enabled
  // when the load opened its guide. The index's folding then goes on in
  // small steps whenever the event loop is idle, so the load itself stays
  // quick; a search before it has finished finishes it.
  void GuideLoaded();
  // Ctrl+K: remembers the widget that has the focus, then puts the caret in
  // the box with its text selected. Does nothing while disabled.
  void FocusFromShortcut();

  SearchDropDown& DropDown() const { return *dropDown_; }

 signals:
  // The reader chose page `page` (a position in the catalogue's pages) by
  // Enter or by a click in the drop-down.
  void PageChosen(int page);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Search();
  void Choose(int page);

  const Catalogue& catalogue_;
  SearchDropDown* dropDown_;
  QPointer<QWidget> returnFocus_;
  QTimer* folding_;
};

}  // namespace tavren
