#pragma once
// The history keys of a window with a web view: Alt+Left / Alt+Right and
// the mouse's back / forward buttons, anywhere in the window, even while a
// page's text field has the focus.

#include <QKeySequence>
#include <QObject>

#include <functional>

class QWidget;

namespace tavren {

// Runs `action` for `keys` pressed anywhere in `window` (a top-level
// widget), a page's text field with the focus included.
void AddWindowKey(QWidget& window, const QKeySequence& keys, std::function<void()> action);

class HistoryKeys : public QObject {
 public:
  // Runs `back` and `forward` for the keys and buttons pressed in `window`
  // (a top-level widget); a child of `window`. The buttons never reach the
  // page (it would step its history on its own).
  HistoryKeys(QWidget& window, std::function<void()> back, std::function<void()> forward);
  ~HistoryKeys() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  std::function<void()> back_;
  std::function<void()> forward_;
};

}  // namespace tavren
