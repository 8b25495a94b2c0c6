#include "webview/CertificateErrorPage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>

namespace tavren {
namespace {

struct ErrorRow {
  QWebEngineCertificateError::Type type;
  const char* name;
  const char16_t* problem;  // after "<host> "
};

using E = QWebEngineCertificateError;
constexpr ErrorRow kErrors[] = {
    {E::SslPinnedKeyNotInCertificateChain, "ERR_SSL_PINNED_KEY_NOT_IN_CERT_CHAIN",
     u"の証明書は、このサイトに決められた鍵を含んでいません"},
    {E::CertificateCommonNameInvalid, "ERR_CERT_COMMON_NAME_INVALID", u"の証明書は別のサイトのものです"},
    {E::CertificateDateInvalid, "ERR_CERT_DATE_INVALID", u"の証明書は有効期限が切れているか、まだ有効ではありません"},
    {E::CertificateAuthorityInvalid, "ERR_CERT_AUTHORITY_INVALID", u"の証明書は信頼できる発行元のものではありません"},
    {E::CertificateContainsErrors, "ERR_CERT_CONTAINS_ERRORS", u"の証明書には誤りがあります"},
    {E::CertificateNoRevocationMechanism, "ERR_CERT_NO_REVOCATION_MECHANISM",
     u"の証明書には失効を確かめる手段がありません"},
    {E::CertificateUnableToCheckRevocation, "ERR_CERT_UNABLE_TO_CHECK_REVOCATION",
     u"の証明書が失効していないかを確かめられません"},
    {E::CertificateRevoked, "ERR_CERT_REVOKED", u"の証明書は発行元によって失効しています"},
    {E::CertificateInvalid, "ERR_CERT_INVALID", u"の証明書は無効です"},
    {E::CertificateWeakSignatureAlgorithm, "ERR_CERT_WEAK_SIGNATURE_ALGORITHM",
     u"の証明書は安全でない署名方式で署名されています"},
    {E::CertificateNonUniqueName, "ERR_CERT_NON_UNIQUE_NAME", u"の証明書は一意でない名前に発行されています"},
    {E::CertificateWeakKey, "ERR_CERT_WEAK_KEY", u"の証明書の鍵は弱すぎます"},
    {E::CertificateNameConstraintViolation, "ERR_CERT_NAME_CONSTRAINT_VIOLATION",
     u"の証明書は発行元に許されていない名前に発行されています"},
    {E::CertificateValidityTooLong, "ERR_CERT_VALIDITY_TOO_LONG", u"の証明書は有効期間が長すぎます"},
    {E::CertificateTransparencyRequired, "ERR_CERTIFICATE_TRANSPARENCY_REQUIRED",
     u"の証明書は公開ログに記録されていません"},
    {E::CertificateSymantecLegacy, "ERR_CERT_SYMANTEC_LEGACY", u"の証明書は信頼されなくなった発行元のものです"},
    {E::CertificateKnownInterceptionBlocked, "ERR_CERT_KNOWN_INTERCEPTION_BLOCKED",
     u"への接続は第三者に傍受されています"},
    {E::SslObsoleteVersion, "ERR_SSL_OBSOLETE_VERSION", u"は古くて安全でない暗号化方式を使っています"},
};

const ErrorRow* Find(QWebEngineCertificateError::Type type) {
  for (const ErrorRow& row : kErrors) {
    if (row.type == type) return &row;
  }
  return nullptr;
}

}  // namespace

CertificateErrorPage::CertificateErrorPage(QWebEnginePage& page) : QObject(&page), page_(page) {
  connect(&page_, &QWebEnginePage::loadStarted, this, [this] { failed_.clear(); });
  connect(&page_, &QWebEnginePage::certificateError, this, [this](QWebEngineCertificateError error) {
    error.rejectCertificate();
    // Which frame met the error is not told; the main frame's load is the
    // one that then fails at this very address.
    failed_ = error.url();
    type_ = error.type();
  });
  connect(&page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (!ok && !failed_.isEmpty() && page_.url() == failed_) Show();
    failed_.clear();
  });
}

QString CertificateErrorPage::ProblemText(QWebEngineCertificateError::Type type, const QString& host) {
  const ErrorRow* row = Find(type);
  return host + u' ' + QString::fromUtf16(row != nullptr ? row->problem : u"の証明書には問題があります");
}

QString CertificateErrorPage::ErrorName(QWebEngineCertificateError::Type type) {
  const ErrorRow* row = Find(type);
  return row != nullptr ? QString::fromLatin1(row->name) : QStringLiteral("ERR_CERT_%1").arg(-static_cast<int>(type));
}

QString CertificateErrorPage::Html(QWebEngineCertificateError::Type type, const QString& host) {
  return QStringLiteral(
             "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\"><title>安全に接続できません</title>"
             "</head><body style=\"font-family: sans-serif; margin: 2em\"><h3>このサイトには安全に接続できません</h3>"
             "<p id=\"problem\">%1</p><p>第三者がこのサイトになりすまして、入力した情報を盗もうとしている"
             "おそれがあります。このページは表示しません。</p><p>「戻る」を押すと前のページに戻ります。</p>"
             "<p style=\"color: #666\" id=\"code\">%2</p></body></html>")
      .arg(ProblemText(type, host).toHtmlEscaped(), ErrorName(type));
}

void CertificateErrorPage::Show() {
  const QString html = Html(type_, failed_.host());
  // The engine's error page is a document of its own: writing ours over it
  // changes neither the address nor the history.
  const QString literal = QString::fromUtf8(QJsonDocument(QJsonArray{html}).toJson(QJsonDocument::Compact));
  page_.runJavaScript(QStringLiteral("document.open(); document.write(%1[0]); document.close();").arg(literal));
}

}  // namespace tavren
