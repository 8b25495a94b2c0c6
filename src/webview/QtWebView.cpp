#include "webview/QtWebView.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "webview/AddressRule.h"
#include "webview/BrowserProfile.h"
#include "webview/BrowserView.h"
#include "webview/EngineAccessibility.h"
#include "webview/QtBrowserDialogs.h"

#include <QCoreApplication>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <unistd.h>

#include <functional>
#include <utility>

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

// The view's place: white, as an empty page, until the engine view fills it.
class QtWebView::Place : public QWidget {
 public:
  Place(QWidget* parent, std::function<void()> firstShown) : QWidget(parent), firstShown_(std::move(firstShown)) {
    setAutoFillBackground(true);
    QPalette blank = palette();
    blank.setColor(QPalette::Window, Qt::white);
    setPalette(blank);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
  }

 protected:
  bool event(QEvent* event) override {
    // Once painted, the window is on screen; the engine starts on the next
    // turn of the event loop. A window shown but never painted (iconified
    // at once) gets it a moment later all the same.
    if (firstShown_ && (event->type() == QEvent::Paint || event->type() == QEvent::Show)) {
      QTimer::singleShot(event->type() == QEvent::Paint ? 0 : kUnpaintedDelayMs, this, [this] {
        if (auto shown = std::exchange(firstShown_, nullptr)) shown();
      });
    }
    return QWidget::event(event);
  }

 private:
  static constexpr int kUnpaintedDelayMs = 500;
  std::function<void()> firstShown_;
};

QtWebView::QtWebView(BrowserProfile& profile, QWidget* parent)
    : profile_(profile), place_(new Place(parent, [this] { MakeView(); })) {
  place_->setObjectName(QStringLiteral("WebBrowser1"));
}

QtWebView::QtWebView(QWidget* parent)
    : ownDialogs_(std::make_unique<QtBrowserDialogs>()),
      ownProfile_(std::make_unique<BrowserProfile>(*ownDialogs_, ProfileFolders{})),
      profile_(*ownProfile_),
      place_(new Place(parent, [this] { MakeView(); })) {
  place_->setObjectName(QStringLiteral("WebBrowser1"));
}

QtWebView::~QtWebView() { delete place_.data(); }

QWidget* QtWebView::Widget() { return place_.data(); }

QWebEngineView* QtWebView::MakeView() {
  if (!view_.isNull() || place_.isNull()) return view_.data();
  view_ = new BrowserView(profile_, place_);
  place_->layout()->addWidget(view_);
  place_->setFocusProxy(view_);
  view_->show();
  if (pending_) view_->load(*std::exchange(pending_, std::nullopt));
  return view_.data();
}

void QtWebView::Load(const QUrl& address) {
  if (view_.isNull() && place_->isVisible()) MakeView();
  if (view_.isNull()) {
    pending_ = address;
  } else {
    view_->load(address);
  }
}

void QtWebView::GoBack() {
  if (place_.isNull()) ThrowViewFailure(kEUnexpected);
  if (view_.isNull() || !view_->history()->canGoBack()) ThrowViewFailure(kEFail);
  view_->history()->back();
}

void QtWebView::GoForward() {
  if (place_.isNull()) ThrowViewFailure(kEUnexpected);
  if (view_.isNull() || !view_->history()->canGoForward()) ThrowViewFailure(kEFail);
  view_->history()->forward();
}

void QtWebView::DoNavigate(const QString& address) {
  if (place_.isNull()) ThrowViewFailure(kEUnexpected);
  if (address.isEmpty()) {
    Load(QUrl(QStringLiteral("about:blank")));
    return;
  }
  const QUrl url(address, QUrl::TolerantMode);
  // The engine would refuse an address it cannot show; a mailto: or tel:
  // address in a guide belongs to the desktop's program for it, and the user
  // picked it.
  if (OpenOnDesktop(url, Asker::kUser)) return;
  Load(url);
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
  EnableEngineAccessibility();
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
