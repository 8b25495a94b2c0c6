#pragma once
// A window a page asked for (target="_blank", window.open, "open in new
// window"): a plain top-level window holding its own view on the shared
// profile, titled by its page and closed by the page's window.close().
// Deletes itself when closed; closed while its page prints (a receipt that
// prints and closes itself), it hides at once and goes when the job ends.
// A window opened at no address, whose opener may write into it, shows only
// once its page has been loaded as a page of its own (see ShowPage).

#include <QUrl>
#include <QWidget>

namespace tavren {

class BrowserProfile;
class BrowserView;

class PopupWindow : public QWidget {
 public:
  explicit PopupWindow(BrowserProfile& profile);

  BrowserView* View() const { return view_; }

  // Shows the window for the page the engine opened in its view at
  // `requested`: at once for an address; for a blank window (window.open()
  // with no address) once what the opener wrote into it, or wherever the
  // opener sent it, has loaded, or as a blank page when neither comes.
  // Never shows a window that was closed meanwhile.
  void ShowPage(const QUrl& requested);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Reloads a blank window's document as a page of its own; see the .cpp.
  void CopyBlankPage(bool evenUnwritten);

  BrowserView* view_;
  bool closeAfterPrinting_ = false;
  bool loading_ = false;
};

}  // namespace tavren
