#pragma once
// A window a page asked for (target="_blank", window.open, "open in new
// window"): a plain top-level window holding its own view on the shared
// profile, titled by its page and closed by the page's window.close().
// Deletes itself when closed; closed while its page prints (a receipt that
// prints and closes itself), it hides at once and goes when the job ends.

#include <QWidget>

namespace tavren {

class BrowserProfile;
class BrowserView;

class PopupWindow : public QWidget {
 public:
  explicit PopupWindow(BrowserProfile& profile);

  BrowserView* View() const { return view_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  BrowserView* view_;
  bool closeAfterPrinting_ = false;
};

}  // namespace tavren
