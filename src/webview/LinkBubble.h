#pragma once
// The small bubble at the lower-left corner of a web view that shows where
// the link under the pointer goes (at the lower-right while the pointer is
// in the lower-left corner), elided in the middle when long, gone when the
// pointer leaves the link. It never takes the focus, keys or the mouse.

#include <QLabel>

class QWebEngineView;

namespace tavren {

class LinkBubble : public QLabel {
 public:
  // A hidden child of `view`, showing the links of the page `view` holds now.
  explicit LinkBubble(QWebEngineView& view);

  // The whole address shown (elided on screen), or empty while hidden.
  const QString& Address() const { return address_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show(const QString& address);
  void Place();

  QWebEngineView& view_;
  QString address_;
  QPoint pointer_;  // where the pointer last moved over the view
  bool pointerInside_ = false;
};

}  // namespace tavren
