#pragma once
// A page of the program's browser: it asks the user for logins and for what
// sites want to use, opens requested windows as pop-ups (counting on its
// view's bar those a script asked for alone) and says so when its renderer
// dies.

#include <QWebEnginePage>

namespace tavren {

class BrowserProfile;
class ScriptDialogGuard;

class BrowserPage : public QWebEnginePage {
 public:
  // `profile` must outlive the page.
  BrowserPage(BrowserProfile& profile, QObject* parent);

  // The page shown in place of one whose renderer process ended abnormally.
  static QString CrashedPageHtml();

 protected:
  // Accepts every address but javascript: ones (OpenerOf); the engine
  // itself hands another scheme to the desktop, after a user action only.
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  // Script dialogs in Japanese, through the dialog seam and its loop guard.
  void javaScriptAlert(const QUrl& securityOrigin, const QString& text) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& text) override;
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& text, const QString& value,
                        QString* result) override;

 private:
  QWidget* DialogParent() const;
  void Login(const QUrl& address, QAuthenticator* authenticator, const QString& host);

  BrowserProfile& profile_;
  ScriptDialogGuard* scriptDialogs_ = nullptr;
};

}  // namespace tavren
