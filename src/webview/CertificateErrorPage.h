#pragma once
// Our own page for a certificate error in a page's main frame. The engine
// has no page of its own for it (it shows its network error page, which
// says the site "might be temporarily down"): this one names the host and
// the problem in Japanese with the engine's error name, and offers no way
// on. It replaces the text of the engine's error page in place, so the
// failed address keeps its one history entry and 戻る goes to the page
// before. A certificate error of a sub-resource (a picture) is refused
// without a word.

#include <QObject>
#include <QString>
#include <QUrl>
#include <QWebEngineCertificateError>

class QWebEnginePage;

namespace tavren {

class CertificateErrorPage : public QObject {
 public:
  // Watches `page` from now on, as a child of it. Every certificate error
  // of the page is refused.
  explicit CertificateErrorPage(QWebEnginePage& page);

  // "<host> の証明書は…" for the kind of error.
  static QString ProblemText(QWebEngineCertificateError::Type type, const QString& host);
  // The engine's own name of the error ("ERR_CERT_AUTHORITY_INVALID").
  static QString ErrorName(QWebEngineCertificateError::Type type);
  // The whole page (UTF-16 HTML, the host escaped).
  static QString Html(QWebEngineCertificateError::Type type, const QString& host);

 private:
  void Show();

  QWebEnginePage& page_;
  // The main frame's load under way and the certificate error it met.
  QUrl failed_;
  QWebEngineCertificateError::Type type_ = QWebEngineCertificateError::CertificateInvalid;
};

}  // namespace tavren
