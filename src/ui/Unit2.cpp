#include "ui/Unit2.h"

#include "banner/JpegPicture.h"
#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/QtText.h"
#include "catalogue/Maker.h"
#include "net/HttpFailures.h"
#include "net/SiteAddresses.h"
#include "net/SocketConnection.h"
#include "ui/FailureDisplay.h"
#include "ui/Fonts.h"
#include "ui/PictureBox.h"
#include "ui/WindowPlacement.h"
#include "ui_Unit2.h"

#include <QtGui/qguiapplication_platform.h>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

// The stored picture lives in this library's resources; a static library's
// resources are only linked in when something names them.
static void InitNoticeResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(notice);
    return true;
  }();
  (void)registered;
}

namespace tavren {
namespace {

const QColor kOlive(128, 128, 0);
const QColor kCream(255, 251, 240);

// A text longer than the memo's limit can never be shown, however long it
// is; the fetch stops reading there.
FetcherLimits NoticeFetcherLimits(FetcherLimits limits) {
  limits.maxTextBody = kMemoLimit;
  return limits;
}

EFailure MemoLimitFailure() { return EFailure(cp932::FromUtf8("文字列の大きさがメモの制限を越えました")); }

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

// The notice window is frameless, so its caption is never shown; neither may
// the taskbar or the window switcher show it. On X11 that is asked for with
// the window states _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER,
// set before the window is first mapped (Qt adds its own states to what the
// property holds then). Qt::Tool would do it too, but would also make the
// window transient for the application, and window managers keep such
// windows above the main window, which must cover the notices.
void KeepOffTaskbar(QWidget& window) {
  // The offscreen platform offers the X11 interface too, without a server.
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return;
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_atom_t states[] = {Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                               Atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
  xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, Atom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2,
                      states);
  xcb_flush(connection);
}

void SetColours(QWidget* widget, const QColor& text, const QColor& background) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Window, background);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

std::string NormaliseLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = cp932::CharLength(text, i);
    if (length == 2) {
      out.append(text.substr(i, 2));
    } else if (text[i] == '\r') {
      out.append("\r\n");
      // CR LF is one break; the LF belongs to it.
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out.append("\r\n");
    } else {
      out.push_back(text[i]);
    }
    i += length == 2 ? 2 : 1;
  }
  return out;
}

BevelPanel::BevelPanel(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  SetColours(this, Qt::black, kOlive);
}

void BevelPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  const QColor face = palette().color(QPalette::Window);
  // A lowered bevel: shadow along the top and left, light along the bottom
  // and right. Soft: the shades fade towards the face colour ring by ring
  // instead of one hard line. Factors in percent, outermost ring first.
  static constexpr int kShadow[kBevelWidth] = {200, 160, 130};
  static constexpr int kLight[kBevelWidth] = {170, 140, 115};
  for (int ring = 0; ring < kBevelWidth; ++ring) {
    const QColor shadow = face.darker(kShadow[ring]);
    const QColor light = face.lighter(kLight[ring]);
    const QRect r = rect().adjusted(ring, ring, -ring - 1, -ring - 1);
    painter.setPen(shadow);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(light);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
  }
}

TForm2::TForm2(Dialogs& dialogs, std::string siteRoot, FetcherLimits limits, std::unique_ptr<Connector> connector,
               QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::TForm2>()),
      dialogs_(dialogs),
      siteRoot_(std::move(siteRoot)),
      IdHTTP1_(NoticeFetcherLimits(limits),
               connector ? std::move(connector)
                         : std::make_unique<SocketConnector>(limits.connectTimeout, limits.readTimeout)) {
  ui_->setupUi(this);
  setFixedSize(575, 313);
  setFont(WindowsFont(TahomaFamily(), 11));
  SetColours(this, Qt::black, kOlive);

  ui_->Label2->setFont(LogoFont());
  SetColours(ui_->Label2, kCream, kOlive);
  ui_->Label2->setAutoFillBackground(false);

  ui_->Label1->setText(QString::fromUtf8(maker::kCopyright));
  ui_->Label1->setFont(WindowsFont(TahomaFamily(), 16));
  SetColours(ui_->Label1, Qt::white, kOlive);

  // A picture that fails to decode says so from the event loop, once.
  ui_->Image1->SetFailureHandler([this](std::exception_ptr failure) { ShowFailure(dialogs_, failure); });
  InitNoticeResources();
  QFile stored(QStringLiteral(":/images/notice.jpg"));
  if (stored.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = stored.readAll();
    Guarded(dialogs_, [&] {
      ui_->Image1->SetPicture(
          JpegPicture::FromBytes(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    });
  }

  ui_->Memo1->setFont(WindowsFont(MinchoFamily(), 15));
  ui_->Memo1->setFocus();

  Guarded(dialogs_, [this] { FormCreate(); });
  KeepOffTaskbar(*this);
  MoveToScreenCentre(*this);
  show();
  raise();
  activateWindow();
}

TForm2::~TForm2() = default;

BevelPanel& TForm2::Panel1() const { return *ui_->Panel1; }
QLabel& TForm2::Label1() const { return *ui_->Label1; }
QLabel& TForm2::Label2() const { return *ui_->Label2; }
PictureBox& TForm2::Image1() const { return *ui_->Image1; }
QPlainTextEdit& TForm2::Memo1() const { return *ui_->Memo1; }

QString TForm2::MemoText() const {
  QString text = ui_->Memo1->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text;
}

void TForm2::SetMemoText(std::string_view cp932Text) {
  if (cp932Text.size() > kMemoLimit) throw MemoLimitFailure();
  const QString text = cp932::ToQString(cp932Text);
  if (text == MemoText()) return;
  // The memo keeps paragraphs apart by itself; CR LF is what Windows hands
  // out for a break, so it is taken back to one break here.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  ui_->Memo1->setPlainText(shown);
}

void TForm2::FormCreate() {
  // Blocks the GUI thread until the body is in or the fetch fails; the
  // fetcher's own time-outs keep that wait finite.
  std::string body;
  try {
    body = IdHTTP1_.GetText(NoticeTextAddress(siteRoot_));
  } catch (const EIdBodyTooLarge&) {
    throw MemoLimitFailure();
  }
  SetMemoText(NormaliseLineBreaks(body));
}

}  // namespace tavren
