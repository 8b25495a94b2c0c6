#include "ui/PageSearchBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListView>

#include "catalogue/SearchFold.h"
#include "ui/SearchDropDown.h"

namespace tavren {

namespace {
constexpr int kFoldStep = 8000;  // pages folded per idle step
}  // namespace

PageSearchBox::PageSearchBox(const Catalogue& catalogue, const StringList& majors, const StringList& middles,
                             QWidget* window)
    : QLineEdit(window),
      catalogue_(catalogue),
      dropDown_(new SearchDropDown(catalogue.Pages(), majors, middles, window)),
      folding_(new QTimer(this)) {
  setObjectName(QStringLiteral("SearchBox"));
  setPlaceholderText(QStringLiteral("ページを検索 (Ctrl+K)"));
  setAccessibleName(QStringLiteral("ページを検索"));
  setEnabled(false);
  connect(this, &QLineEdit::textChanged, this, &PageSearchBox::Search);
  connect(dropDown_, &SearchDropDown::PageClicked, this, &PageSearchBox::Choose);
  // A zero interval runs once per turn of the event loop, after the events
  // waiting (painting the lists first); a step of a few thousand pages is
  // about a millisecond.
  folding_->setInterval(0);
  connect(folding_, &QTimer::timeout, this, [this] {
    if (!catalogue_.Pages().FoldSome(kFoldStep)) folding_->stop();
  });
}

PageSearchBox::~PageSearchBox() = default;

void PageSearchBox::GuideLoaded() {
  clear();
  dropDown_->Close();
  setEnabled(catalogue_.GuideOpened());
  folding_->start();
}

void PageSearchBox::FocusFromShortcut() {
  if (!isEnabled()) return;
  QWidget* focus = QApplication::focusWidget();
  if (focus != this) returnFocus_ = focus;
  setFocus(Qt::ShortcutFocusReason);
  selectAll();
}

void PageSearchBox::Search() {
  const SearchQuery query = ParseSearchQuery(text().toStdString());
  if (query.Empty()) {
    dropDown_->Close();
    return;
  }
  const QPoint below = geometry().bottomLeft() + QPoint(0, 1);
  const int room = parentWidget() != nullptr ? parentWidget()->height() - below.y() - 8 : 300;
  dropDown_->ShowResults(query, catalogue_.Pages().Find(query), below, room);
}

void PageSearchBox::Choose(int page) {
  dropDown_->Close();
  emit PageChosen(page);
}

void PageSearchBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
      if (!dropDown_->isVisible()) {
        Search();
      } else {
        const int step = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up ? 1 : dropDown_->RowsPerPage();
        dropDown_->MoveHighlight(event->key() == Qt::Key_Down || event->key() == Qt::Key_PageDown ? step : -step);
      }
      event->accept();
      return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (const int page = dropDown_->CurrentPage(); page >= 0) Choose(page);
      event->accept();
      return;
    case Qt::Key_Escape:
      if (dropDown_->isVisible()) {
        dropDown_->Close();
      } else if (returnFocus_ != nullptr) {
        returnFocus_->setFocus(Qt::OtherFocusReason);
        returnFocus_ = nullptr;
      }
      event->accept();
      return;
    case Qt::Key_K:
      // The line edit's own Ctrl+K deletes to the end of the line; here it
      // is the key that brought the reader to the box.
      if (event->modifiers() == Qt::ControlModifier) {
        selectAll();
        event->accept();
        return;
      }
      break;
    default:
      break;
  }
  QLineEdit::keyPressEvent(event);
}

void PageSearchBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // The list itself never takes the focus; anywhere else closes it.
  if (event->reason() != Qt::PopupFocusReason) dropDown_->Close();
}

}  // namespace tavren
