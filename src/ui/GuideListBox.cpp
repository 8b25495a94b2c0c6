#include "ui/GuideListBox.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <utility>

#include "base/CodePage.h"
#include "base/Failure.h"
#include "ui/ByteListModel.h"

namespace tavren {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A two-byte CP932 character with a capital letter folded to its small one.
// The full-width Latin, Greek and Cyrillic capitals lie at fixed distances
// from their small letters (Cyrillic's small row skips the trail byte 0x7F).
unsigned FoldWide(char leadByte, char trailByte) {
  const auto lead = static_cast<unsigned char>(leadByte);
  unsigned trail = static_cast<unsigned char>(trailByte);
  if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) {
    trail += 0x21;  // Ａ..Ｚ -> ａ..ｚ
  } else if (lead == 0x83 && trail >= 0x9F && trail <= 0xB6) {
    trail += 0x20;  // Α..Ω -> α..ω
  } else if (lead == 0x84 && trail >= 0x40 && trail <= 0x60) {
    trail += 0x30;  // А..Я -> а..я
    if (trail >= 0x7F) ++trail;
  }
  return lead << 8 | trail;
}

// True when item begins with prefix, letters compared without regard to case
// (ASCII and the full-width letters). Characters are taken at the item's
// CP932 boundaries, so a trail byte that looks like an ASCII letter is never
// folded on its own.
bool StartsWithFolded(std::string_view item, std::string_view prefix) {
  if (item.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size();) {
    if (cp932::CharLength(item, i) == 2) {
      if (i + 1 >= prefix.size() || FoldWide(item[i], item[i + 1]) != FoldWide(prefix[i], prefix[i + 1])) return false;
      i += 2;
    } else {
      if (FoldAscii(item[i]) != FoldAscii(prefix[i])) return false;
      ++i;
    }
  }
  return true;
}

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

// Printable text of a key press that the list should search with; empty for
// control keys and shortcuts.
QString TypedText(const QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
  const QString text = event->text();
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return {};
  }
  return text;
}

}  // namespace

GuideListBox::GuideListBox(QWidget* parent) : QListView(parent), model_(new ByteListModel(this)) {
  elapsed_.start();
  now_ = [this] { return elapsed_.elapsed(); };
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setWrapping(false);
  setFlow(QListView::TopToBottom);
  setMovement(QListView::Static);
  setDragEnabled(false);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  ApplyRowSize();
}

GuideListBox::~GuideListBox() = default;

void GuideListBox::Clear() { model_->Clear(); }

void GuideListBox::Add(std::string_view item) { model_->Append(item); }

int GuideListBox::Count() const { return model_->Size(); }

std::string GuideListBox::Item(int i) const {
  if (i < 0 || i >= model_->Size()) throw EStringListError(i);
  return std::string(model_->At(i));
}

int GuideListBox::ItemIndex() const {
  const QModelIndex current = currentIndex();
  return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void GuideListBox::SetItemIndex(int i) {
  const bool wasUser = std::exchange(userChange_, false);
  SelectRow(i);
  userChange_ = wasUser;
}

void GuideListBox::SetItemHeight(int px) {
  itemHeight_ = px > 0 ? px : 0;
  ApplyRowSize();
}

void GuideListBox::SetTimeSource(std::function<qint64()> millisecondsNow) { now_ = std::move(millisecondsNow); }

void GuideListBox::keyboardSearch(const QString&) {}

void GuideListBox::SelectRow(int row) {
  model_->Flush();
  if (row < 0 || row >= model_->Size()) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    return;
  }
  const QModelIndex index = model_->index(row);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(index);
}

void GuideListBox::SelectByUser(int row) {
  SelectRow(row);
  emit Clicked();
}

QItemSelectionModel::SelectionFlags GuideListBox::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
  // The selection always follows the current item, so Ctrl+click cannot
  // empty it and Ctrl+arrows cannot move the focus away from it.
  if (!index.isValid()) return QItemSelectionModel::NoUpdate;
  if (event && event->type() == QEvent::MouseButtonRelease) return QItemSelectionModel::NoUpdate;
  return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}

void GuideListBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QListView::currentChanged(current, previous);
  if (userChange_) changedByUser_ = true;
}

void GuideListBox::mousePressEvent(QMouseEvent* event) {
  // Only the left button selects, as in the platform's list box; a selection
  // moved by another button would change ItemIndex without a click.
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  model_->Flush();
  executeDelayedItemsLayout();
  const bool onItem = indexAt(event->position().toPoint()).isValid();
  userChange_ = true;
  changedByUser_ = false;
  QListView::mousePressEvent(event);
  userChange_ = false;
  // A press on an item is a click even when that item was selected already,
  // as the platform's list box reports every press on an item.
  if (onItem) emit Clicked();
}

void GuideListBox::mouseMoveEvent(QMouseEvent* event) {
  // Dragging with the button held moves the selection: a click per change.
  userChange_ = true;
  changedByUser_ = false;
  QListView::mouseMoveEvent(event);
  userChange_ = false;
  if (std::exchange(changedByUser_, false)) emit Clicked();
}

void GuideListBox::keyPressEvent(QKeyEvent* event) {
  model_->Flush();
  if (IsNavigationKey(event->key())) {
    // End and Page Down move by the laid-out rows: lay out rows added since.
    executeDelayedItemsLayout();
    if (event->key() == Qt::Key_End && !currentIndex().isValid() && model_->Size() > 0) {
      // Qt moves a list without a current item to its first row whatever the
      // key; End goes to the last.
      SelectByUser(model_->Size() - 1);
      event->accept();
      return;
    }
    userChange_ = true;
    changedByUser_ = false;
    QListView::keyPressEvent(event);
    userChange_ = false;
    // An empty list has no selection to change, but the key still counts as
    // a selection change to position -1, as the platform's list box reports it.
    if (std::exchange(changedByUser_, false) || model_->Size() == 0) emit Clicked();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Backspace && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    TypeAheadBackspace();
    event->accept();
    return;
  }
  const QString text = TypedText(event);
  if (!text.isEmpty()) {
    TypeAhead(text);
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

void GuideListBox::inputMethodEvent(QInputMethodEvent* event) {
  // Input methods commit whole characters; each commit is typed text.
  if (!event->commitString().isEmpty()) {
    model_->Flush();
    TypeAhead(event->commitString());
  }
  event->accept();
}

void GuideListBox::focusInEvent(QFocusEvent* event) {
  // Qt makes the first row current when a list without one gets the focus;
  // that would be a selection nobody made, so a list gains none by focus.
  const bool hadCurrent = currentIndex().isValid();
  QListView::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid())
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void GuideListBox::changeEvent(QEvent* event) {
  QListView::changeEvent(event);
  if (event->type() == QEvent::FontChange) ApplyRowSize();
}

void GuideListBox::ApplyRowSize() {
  model_->SetFont(font());
  model_->SetRowHeight(itemHeight_ > 0 ? itemHeight_ : QFontMetrics(font()).height());
  scheduleDelayedItemsLayout();
}

void GuideListBox::TypeAhead(const QString& text) {
  const qint64 now = now_();
  if (!typedBefore_ || now - lastKeyMs_ > kTypeAheadPauseMs) prefix_.clear();
  typedBefore_ = true;
  lastKeyMs_ = now;
  prefix_ += cp932::FromUtf16(text.toStdU16String());
  const int size = model_->Size();
  for (int row = 0; row < size; ++row) {
    if (StartsWithFolded(model_->At(row), prefix_)) {
      SelectByUser(row);
      return;
    }
  }
}

void GuideListBox::TypeAheadBackspace() {
  lastKeyMs_ = now_();
  typedBefore_ = true;
  if (!prefix_.empty()) prefix_.resize(cp932::LastCharStart(prefix_));
  if (prefix_.empty()) SelectByUser(model_->Size() > 0 ? 0 : -1);
}

}  // namespace tavren
