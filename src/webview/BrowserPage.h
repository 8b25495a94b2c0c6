#pragma once
// A page of the program's browser: it asks the user for logins and for what
// sites want to use, opens requested windows as pop-ups, hands addresses the
// view does not show to the desktop and says so when its renderer dies.

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
  // Accepts what the view shows itself (ShownInView); a main-frame address
  // of any other scheme except javascript: goes to the desktop's handler.
  // Refuses both kinds.
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
