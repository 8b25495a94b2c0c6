#pragma once
// A page's full screen (a video player's button): the page leaves its view
// for a window of its own shown full screen, and returns when full screen
// ends. The window the view sits in, and its layout, stay as they are. A
// hint "Esc キーで全画面表示を終了します" shows for about 3 s; Esc, F11, the
// close box and the page's own exit end full screen. Requests without a
// user action never reach us: the engine refuses them itself.

#include <QPointer>
#include <QWidget>

class QLabel;
class QWebEngineFullScreenRequest;
class QWebEnginePage;
class QWebEngineView;

namespace tavren {

class FullScreenWindow : public QWidget {
 public:
  // How long the hint stays.
  static constexpr int kHintMs = 3000;

  // Takes `page` from its view into a new view of this window and shows it
  // full screen. `page` must outlive the window or end it first.
  explicit FullScreenWindow(QWebEnginePage& page);

  QWebEngineView* View() const { return view_; }
  QLabel* Hint() const { return hint_; }

 protected:
  // Asks the page to leave full screen; its answer ends the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  QWebEngineView* view_;
  QLabel* hint_;
  QPointer<QWebEnginePage> page_;
};

// Grants the full-screen requests of the page `view` holds now and moves
// the page between `view` and a FullScreenWindow; a child of `view`.
class FullScreenSwitch : public QObject {
 public:
  explicit FullScreenSwitch(QWebEngineView& view);
  // Ends a full-screen window still open, without giving the page back
  // (the view is going).
  ~FullScreenSwitch() override;

  // The full-screen window, or null.
  FullScreenWindow* Window() const { return window_; }

 private:
  void Request(QWebEngineFullScreenRequest request);

  QWebEngineView& view_;
  QPointer<QWebEnginePage> page_;
  QPointer<FullScreenWindow> window_;
};

}  // namespace tavren
