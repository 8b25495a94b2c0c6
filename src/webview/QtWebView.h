#pragma once
// The real web view: WebView bound to Qt WebEngine (the window's WebBrowser1).

#include "webview/WebView.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineView>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tavren {

class BrowserDialogs;
class BrowserProfile;

class QtWebView : public WebView {
 public:
  // Makes the view's place in the window: a blank white widget, which the
  // engine view (a BrowserView: pop-ups, downloads, logins, find, print,
  // zoom) on `profile` comes to fill. The engine view is made once the place
  // has been painted on screen, or at once when something needs it
  // (MakeView(),
  // a navigation while the place is visible), so that the window shows
  // without waiting for the engine to start; a navigation asked before then
  // is kept and started with it. `profile` must outlive this object.
  // `parent`: none makes a top-level widget until the window takes it.
  // Needs a QApplication, and PrepareWebViewPlatform() called before that
  // application was created.
  explicit QtWebView(BrowserProfile& profile, QWidget* parent = nullptr);
  // The same on a profile of its own, kept in memory only, that asks with
  // the real dialogs.
  explicit QtWebView(QWidget* parent = nullptr);
  // Deletes the place and the engine view unless their window already did.
  ~QtWebView() override;

  QtWebView(const QtWebView&) = delete;
  QtWebView& operator=(const QtWebView&) = delete;

  // The place; null once the window holding it was destroyed.
  QWidget* Widget() override;
  // Makes the engine view now (starting the engine) if it was not made yet,
  // and returns it; null once the place was destroyed.
  QWebEngineView* MakeView();

  // Step the engine's history. Throw EOleException "エラーを特定できません"
  // (E_FAIL) when the history has no page in that direction (always so
  // before the engine view is made); the page on show stays. Return before
  // the page has loaded.
  void GoBack() override;
  void GoForward() override;

 protected:
  // The address is read by QUrl in tolerant mode, which percent-encodes
  // what a URL cannot hold (a blank inside a path, a stray "%") but neither
  // trims it nor guesses a scheme (QUrl::fromUserInput would do both). An
  // address the engine cannot load - one QUrl rejects (" http://x/",
  // "http://[x") or one without a scheme ("example.com") - is still handed
  // over; the engine then shows about:blank, as it does for the empty
  // address. Either way the page enters the history. The engine reports a
  // page that fails to load only later, after this has returned (it shows
  // its own error page then), so that is never a failure here. An address
  // of a scheme the view does not show (mailto:, tel:) goes to the desktop's
  // handler for it instead and stays out of the history. Throws
  // EOleException (E_UNEXPECTED) only when the place no longer exists.
  void DoNavigate(const QString& address) override;

 private:
  class Place;

  void Load(const QUrl& address);

  std::unique_ptr<BrowserDialogs> ownDialogs_;
  std::unique_ptr<BrowserProfile> ownProfile_;
  BrowserProfile& profile_;
  QPointer<Place> place_;
  QPointer<QWebEngineView> view_;
  std::optional<QUrl> pending_;
};

// HRESULT values by meaning.
inline constexpr std::uint32_t kENotImpl = 0x80004001u;
inline constexpr std::uint32_t kEAbort = 0x80004004u;
inline constexpr std::uint32_t kEFail = 0x80004005u;
inline constexpr std::uint32_t kEAccessDenied = 0x80070005u;
inline constexpr std::uint32_t kEOutOfMemory = 0x8007000Eu;
inline constexpr std::uint32_t kEInvalidArg = 0x80070057u;
inline constexpr std::uint32_t kEUnexpected = 0x8000FFFFu;

// The system's Japanese text for an HRESULT, for the few codes the binding
// can raise; empty for any other code.
QString HresultText(std::uint32_t code);

// The message of a web view failure, in CP932: `description` (the view's own
// words) with trailing blanks and periods removed if anything is left;
// otherwise HresultText(code) if not empty; otherwise "OLE エラー %.8X".
std::string WebViewFailureMessage(const QString& description, std::uint32_t code);

// Call once before the QApplication is created: sets what Qt WebEngine needs
// of the application (shared OpenGL contexts) and switches on the pages'
// accessibility (EnableEngineAccessibility). Never disables the sandbox.
void PrepareWebViewPlatform();

// Why Qt WebEngine cannot start in this process, in Japanese and English, or
// an empty string when it can. The engine aborts the process when it runs as
// root with its sandbox on; the program never turns the sandbox off, so it
// reports this instead of crashing. The sandbox is off when
// QTWEBENGINE_DISABLE_SANDBOX is set or QTWEBENGINE_CHROMIUM_FLAGS holds
// --no-sandbox (tests and CI do this; the program never does). Reads only
// the process's user and environment, so it may be called once the
// QApplication exists (to show the text in the error box), but before the
// first QtWebView is made.
QString WebViewPlatformProblem();
// The same for given facts, for tests: whether QTWEBENGINE_DISABLE_SANDBOX
// is set (to anything), and the value of QTWEBENGINE_CHROMIUM_FLAGS.
QString WebViewPlatformProblem(bool runningAsRoot, bool sandboxVariableSet, const QByteArray& chromiumFlags);

}  // namespace tavren
