#include "webview/QtWebView.h"

#include "base/CodePage.h"
#include "base/Failure.h"

#include <QCoreApplication>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <unistd.h>

namespace tavren {
namespace {

[[noreturn]] void ThrowViewFailure(std::uint32_t code) { throw EOleException(WebViewFailureMessage({}, code)); }

// The engine takes its switches from QTWEBENGINE_CHROMIUM_FLAGS (not from the
// program's own arguments), written "--name", "-name" or "--name=value".
bool NamesNoSandbox(const QByteArray& chromiumFlags) {
  const QStringList words = QString::fromLocal8Bit(chromiumFlags).split(u' ', Qt::SkipEmptyParts);
  for (QString word : words) {
    if (word.startsWith(QStringLiteral("--"))) {
      word.remove(0, 2);
    } else if (word.startsWith(u'-')) {
      word.remove(0, 1);
    } else {
      continue;
    }
    if (word.section(u'=', 0, 0) == QStringLiteral("no-sandbox")) return true;
  }
  return false;
}

}  // namespace

QtWebView::QtWebView(QWidget* parent) : view_(new QWebEngineView(parent)) {
  view_->setObjectName(QStringLiteral("WebBrowser1"));
}

QtWebView::~QtWebView() { delete view_.data(); }

QWidget* QtWebView::Widget() { return view_.data(); }

void QtWebView::GoBack() {
  if (view_.isNull()) ThrowViewFailure(kEUnexpected);
  QWebEngineHistory* history = view_->history();
  if (!history->canGoBack()) ThrowViewFailure(kEFail);
  history->back();
}

void QtWebView::GoForward() {
  if (view_.isNull()) ThrowViewFailure(kEUnexpected);
  QWebEngineHistory* history = view_->history();
  if (!history->canGoForward()) ThrowViewFailure(kEFail);
  history->forward();
}

void QtWebView::DoNavigate(const QString& address) {
  if (view_.isNull()) ThrowViewFailure(kEUnexpected);
  if (address.isEmpty()) {
    view_->load(QUrl(QStringLiteral("about:blank")));
    return;
  }
  view_->load(QUrl(address, QUrl::TolerantMode));
}

QString HresultText(std::uint32_t code) {
  struct Row {
    std::uint32_t code;
    const char16_t* text;
  };
  static constexpr Row kRows[] = {
      {kENotImpl, u"実装されていません"},
      {kEAbort, u"操作は中止されました"},
      {kEFail, u"エラーを特定できません"},
      {kEAccessDenied, u"アクセスが拒否されました"},
      {kEOutOfMemory, u"この操作を完了するのに十分な記憶域がありません"},
      {kEInvalidArg, u"パラメーターが間違っています"},
      {kEUnexpected, u"致命的なエラーです"},
  };
  for (const Row& row : kRows) {
    if (row.code == code) return QString::fromUtf16(row.text);
  }
  return {};
}

std::string WebViewFailureMessage(const QString& description, std::uint32_t code) {
  QString text = description;
  qsizetype end = text.size();
  while (end > 0 && (text.at(end - 1) == u' ' || text.at(end - 1) == u'.')) --end;
  text.truncate(end);
  if (text.isEmpty()) text = HresultText(code);
  if (text.isEmpty()) {
    text = QStringLiteral("OLE エラー %1").arg(QString::number(code, 16).toUpper().rightJustified(8, u'0'));
  }
  return cp932::FromUtf16(text.toStdU16String());
}

void PrepareWebViewPlatform() {
  // The engine renders through OpenGL contexts shared with the widgets; it
  // must be told before the application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QString WebViewPlatformProblem() {
  return WebViewPlatformProblem(::geteuid() == 0, qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"),
                                qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
}

QString WebViewPlatformProblem(bool runningAsRoot, bool sandboxVariableSet, const QByteArray& chromiumFlags) {
  if (!runningAsRoot) return {};
  // The engine turns its sandbox off when the variable is set at all, even
  // to "0" or to nothing.
  if (sandboxVariableSet) return {};
  if (NamesNoSandbox(chromiumFlags)) return {};
  return QString::fromUtf8(
      "Tavren を管理者 (root) として起動することはできません。一般ユーザーで起動してください。\n"
      "Tavren cannot run as root: its web view (Qt WebEngine) refuses to start as root while its sandbox "
      "is on. Start it as an ordinary user.");
}

}  // namespace tavren
