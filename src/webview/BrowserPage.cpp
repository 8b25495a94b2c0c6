#include "webview/BrowserPage.h"

#include "webview/BrowserDialogs.h"
#include "webview/BrowserProfile.h"
#include "webview/BrowserView.h"
#include "webview/CertificateErrorPage.h"
#include "webview/PopupBlockBar.h"
#include "webview/ScriptDialogGuard.h"

#include <QAuthenticator>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineView>

namespace tavren {

BrowserPage::BrowserPage(BrowserProfile& profile, QObject* parent)
    : QWebEnginePage(profile.Engine(), parent), profile_(profile) {
  connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
    if (profile_.OpenWindow(request, *this)) return;
    if (auto* view = dynamic_cast<BrowserView*>(DialogParent())) view->PopupBar().Count();
  });
  connect(
      this, &QWebEnginePage::authenticationRequired, this,
      [this](const QUrl& address, QAuthenticator* authenticator) { Login(address, authenticator, address.host()); });
  connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
          [this](const QUrl& address, QAuthenticator* authenticator, const QString& proxyHost) {
            Login(address, authenticator, proxyHost);
          });
  connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
    const bool allowed = profile_.AskPermission(DialogParent(), origin, feature);
    setFeaturePermission(origin, feature, allowed ? PermissionGrantedByUser : PermissionDeniedByUser);
  });
  connect(this, &QWebEnginePage::renderProcessTerminated, this, [this](RenderProcessTerminationStatus status, int) {
    if (status == NormalTerminationStatus) return;
    // Not from inside the engine's own notification; the next navigation
    // starts a fresh renderer in any case.
    QTimer::singleShot(0, this, [this] { setHtml(CrashedPageHtml()); });
  });
  scriptDialogs_ = new ScriptDialogGuard(*this, profile_.Dialogs());
  new CertificateErrorPage(*this);
  profile_.Guides().Watch(*this);
}

QString BrowserPage::CrashedPageHtml() {
  return QStringLiteral(
      "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\"><title>表示できませんでした</title></head>"
      "<body style=\"font-family: sans-serif; margin: 2em\"><h3>ページの表示が異常終了しました</h3>"
      "<p>もう一度ページを選ぶか、「戻る」を押してください。</p></body></html>");
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
  // The engine asks about another scheme only once its own rule saw a user
  // action in the page, and then hands the address to the desktop itself.
  return OpenerOf(url, Asker::kUser) != Opener::kNowhere;
}

void BrowserPage::javaScriptAlert(const QUrl&, const QString& text) {
  ScriptQuestion question;
  question.text = text;
  scriptDialogs_->Ask(DialogParent(), question);
}

bool BrowserPage::javaScriptConfirm(const QUrl&, const QString& text) {
  ScriptQuestion question;
  question.kind = ScriptDialogGuard::ConfirmKind(text);
  question.text = question.kind == ScriptQuestion::Kind::kLeavePage ? ScriptDialogGuard::LeavePageText() : text;
  return scriptDialogs_->Ask(DialogParent(), question);
}

bool BrowserPage::javaScriptPrompt(const QUrl&, const QString& text, const QString& value, QString* result) {
  ScriptQuestion question;
  question.kind = ScriptQuestion::Kind::kPrompt;
  question.text = text;
  question.value = value;
  if (!scriptDialogs_->Ask(DialogParent(), question)) return false;
  *result = question.value;
  return true;
}

QWidget* BrowserPage::DialogParent() const { return QWebEngineView::forPage(this); }

void BrowserPage::Login(const QUrl& address, QAuthenticator* authenticator, const QString& host) {
  QString user;
  QString password;
  if (profile_.Dialogs().AskLogin(DialogParent(), host.isEmpty() ? address.toString() : host, authenticator->realm(),
                                  user, password)) {
    authenticator->setUser(user);
    authenticator->setPassword(password);
  } else {
    // A null authenticator tells the engine to show the server's own page.
    *authenticator = QAuthenticator();
  }
}

}  // namespace tavren
