#pragma once
// The engine view of every window of the program's browser: a BrowserPage on
// the shared profile, the engine's context menu with "既定のブラウザで開く"
// added, find (Ctrl+F, F3, Shift+F3), print (Ctrl+P and window.print())
// and zoom (Ctrl+plus, Ctrl+minus, Ctrl+0); reload (F5, Ctrl+R) anywhere in
// its window; the bubble showing a link's address; a page's full screen.

#include <QPointer>
#include <QWebEngineView>

#include <functional>
#include <memory>
#include <vector>

class QPrinter;

namespace tavren {

class BrowserProfile;
class FindBar;
class PopupBlockBar;

class BrowserView : public QWebEngineView {
 public:
  // `profile` must outlive the view.
  explicit BrowserView(BrowserProfile& profile, QWidget* parent = nullptr);
  ~BrowserView() override;

  FindBar& Find() const;
  // The bar that counts the windows refused to the page's scripts.
  PopupBlockBar& PopupBar() const;

  // Asks with the print dialog and prints the page; nothing while an
  // earlier print is still being made.
  void Print();
  // True from the print dialog's opening until the engine has finished the
  // job (or the dialog was cancelled): the view and its printer must live
  // that long, as the engine prints from them on a thread of its own.
  bool Printing() const { return printer_ != nullptr; }
  // Runs `then` once no print is under way: at once when none is, else
  // when the job ends or its dialog is cancelled, on a later turn of the
  // event loop (so `then` may delete the view).
  void AfterPrinting(std::function<void()> then);

  // One step up or down the zoom ladder (25 % to 500 %); 0 returns to 100 %.
  void Zoom(int step);

  // What "既定のブラウザで開く" opens for the last context menu: the link
  // under the pointer, else the page.
  QUrl ContextAddress() const;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void AddShortcut(const QKeySequence& keys, std::function<void()> action);
  void EndPrint();

  BrowserProfile& profile_;
  QPointer<FindBar> findBar_;         // a child of the view's parent
  QPointer<PopupBlockBar> popupBar_;  // a child of the view's parent
  std::unique_ptr<QPrinter> printer_;
  std::vector<std::function<void()>> afterPrinting_;
};

}  // namespace tavren
