#pragma once
// The slim bar laid over the top edge of a web view (the page keeps its
// size) when the view refused windows its page's script asked for with no
// user action: "ポップアップをブロックしました（N 件）", with
// "このサイトでは許可する" and "閉じる". It closes by itself when the view
// navigates.

#include <QFrame>

class QLabel;
class QPushButton;
class QWebEngineView;

namespace tavren {

class BrowserProfile;

class PopupBlockBar : public QFrame {
 public:
  // Hidden, laid over the top edge of `view` as a child of the view's parent
  // (of the view when it has none); the view must outlive it and keep its
  // parent. "このサイトでは許可する" lets the site `view`
  // shows open windows on `profile` for the rest of the run; the windows
  // refused so far stay refused. Both must outlive the bar.
  PopupBlockBar(QWebEngineView& view, BrowserProfile& profile);

  // One more window refused: counts it and shows the bar.
  void Count();

  // The windows refused since the bar last closed.
  int Blocked() const { return blocked_; }
  // The bar's message; empty while it is hidden.
  QString Text() const;
  QPushButton* AllowButton() const { return allow_; }
  QPushButton* CloseButton() const { return close_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Place();
  void Dismiss();

  QWebEngineView& view_;
  QLabel* text_;
  QPushButton* allow_;
  QPushButton* close_;
  int blocked_ = 0;
};

}  // namespace tavren
