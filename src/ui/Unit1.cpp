#include "ui/Unit1.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QToolTip>

#include <algorithm>
#include <utility>

#include "banner/JpegPicture.h"
#include "base/Clock.h"
#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/QtText.h"
#include "net/SiteAddresses.h"
#include "ui/Dialogs.h"
#include "ui/FailureDisplay.h"
#include "ui/Fonts.h"
#include "ui/FormSearchWindow.h"
#include "ui/GuideDropFilter.h"
#include "ui/GuideListBox.h"
#include "ui/PageSearchBox.h"
#include "ui/PictureBox.h"
#include "ui_Unit1.h"
#include "webview/HistoryKeys.h"
#include "webview/WebView.h"

namespace tavren {
namespace {

constexpr int kClientWidth = 792;
constexpr int kClientHeight = 573;
constexpr int kWebViewTop = 112;
constexpr int kHintWakeUpMs = 500;
constexpr int kHintShowMs = 2500;
constexpr int kListBox1ItemHeight = 12;

// Hints wake up after half a second, as on the original desktop.
class HintStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return kHintWakeUpMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

TForm1::TForm1(TForm1Parts parts, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      webView_(parts.webView),
      dialogs_(parts.dialogs),
      siteRoot_(std::move(parts.siteRoot)),
      clock_(parts.clock),
      startupPauseMs_(parts.startupPauseMs),
      mayClose_(std::move(parts.mayClose)),
      banner_(BannerParts{.clock = parts.clock,
                          .siteRoot = siteRoot_,
                          .connector = std::move(parts.connector),
                          .timer = std::move(parts.bannerTimer),
                          .file = std::move(parts.bannerFile),
                          .intervalMs = parts.bannerIntervalMs,
                          .fetcherLimits = parts.fetcherLimits},
              [this](JpegPicture picture) { ui_->Image1->SetPicture(std::move(picture)); }),
      catalogue_(*this),
      searchBox_(nullptr),
      searchWindow_(std::make_unique<FormSearchWindow>(*this, parts.webView, parts.dialogs)) {
  ui_->setupUi(this);
  // In the free strip under the note label, left of the button row.
  searchBox_ = new PageSearchBox(catalogue_, *ui_->ListBox1, *ui_->ListBox2, this);
  searchBox_->setGeometry(8, 93, 232, 18);

  // The banner timer runs from the window's creation, before the pause, and
  // is never stopped.
  banner_.Start([this] { Timer1Timer(); });

  // The web view is created last, so it lies above the hidden address and
  // note lists.
  QWidget* view = webView_.Widget();
  view->setParent(this);
  view->setObjectName(QStringLiteral("WebBrowser1"));
  view->setGeometry(0, 116, kClientWidth, kClientHeight - 116);
  view->raise();
  view->show();

  resize(kClientWidth, kClientHeight);
  setWindowTitle(cp932::ToQString(InitialCaption()));
  ui_->Button1->setText(cp932::ToQString(InitialGuideButtonCaption()));
  ui_->ListBox1->SetItemHeight(kListBox1ItemHeight);

  ApplyFonts();
  ApplyColours();
  ApplyHints();
  ApplyTabOrder();
  ConnectHandlers();
  ApplyKeys();
  FormResize();
  new GuideDropFilter(*this, [this](const std::string& path) { LoadGuide(path); });

  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::ApplyFonts() {
  setFont(WindowsFont(PGothicFamily(), 12));
  ui_->Label2->setFont(LogoFont());
  ui_->Label3->setFont(WindowsFont(PGothicFamily(), 13));
  // 17-pixel buttons: the style's frame and padding would leave no room for
  // 12-pixel text, so each button draws a flat face of its own. The sheet is
  // set on the buttons, not the panel, so that the panel keeps its green.
  const QString buttonStyle = QStringLiteral(
      "QPushButton { padding: 0px; margin: 0px; border: 1px solid #707070; border-radius: 0px;"
      " background-color: #f0f0f0; color: black; }"
      "QPushButton:hover { background-color: #e5f1fb; border-color: #0078d7; }"
      "QPushButton:pressed { background-color: #cce4f7; border-color: #005499; }"
      "QPushButton:focus { border-color: #0078d7; }");
  for (int n = 1; n <= 7; ++n) Button(n).setStyleSheet(buttonStyle);
  ui_->Label3->adjustSize();
}

void TForm1::ApplyColours() {
  QPalette window = palette();
  window.setColor(QPalette::Window, QColor(0, 128, 0));
  setPalette(window);
  setAutoFillBackground(true);
  ui_->Panel1->setAutoFillBackground(true);

  QPalette logo = ui_->Label2->palette();
  logo.setColor(QPalette::WindowText, QColor(255, 251, 240));  // cream
  ui_->Label2->setPalette(logo);

  QPalette note = ui_->Label3->palette();
  note.setColor(QPalette::WindowText, Qt::white);
  ui_->Label3->setPalette(note);

  // The list boxes and buttons keep the system's own colours.
  for (QWidget* control :
       std::initializer_list<QWidget*>{ui_->ListBox1, ui_->ListBox2, ui_->ListBox3, ui_->ListBox4, ui_->ListBox5}) {
    control->setPalette(QGuiApplication::palette());
  }
}

void TForm1::ApplyHints() {
  auto* style = new HintStyle;
  style->setParent(this);
  for (QWidget* control : std::initializer_list<QWidget*>{ui_->Image1, ui_->ListBox1, ui_->ListBox2, ui_->ListBox3,
                                                          ui_->Button1, ui_->Button2, ui_->Button3, ui_->Button4,
                                                          ui_->Button5, ui_->Button6, ui_->Button7}) {
    // Qt times a hint by the style of the widget really under the pointer:
    // over a list that is its viewport or a scroll bar, children that do
    // not take their parent's style. Each part gets the hint style too;
    // their tooltip requests pass up to the control, which shows its hint.
    control->setStyle(style);
    for (QWidget* part : control->findChildren<QWidget*>()) part->setStyle(style);
    control->installEventFilter(this);
  }
  // A screen reader names a control by its caption; the lists and the banner
  // have none, and their hint says what they are.
  for (QWidget* control : std::initializer_list<QWidget*>{ui_->Image1, ui_->ListBox1, ui_->ListBox2, ui_->ListBox3}) {
    control->setAccessibleName(control->toolTip());
  }
}

void TForm1::ApplyTabOrder() {
  QWidget* const order[] = {ui_->ListBox1, ui_->ListBox2, ui_->ListBox3,     searchBox_,   ui_->ListBox4,
                            ui_->Button6,  ui_->Button5,  ui_->Button4,      ui_->Button2, ui_->Button1,
                            ui_->Button3,  ui_->Button7,  webView_.Widget(), ui_->ListBox5};
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TForm1::ApplyKeys() {
  // The window's keys work wherever its focus is, a page's text field
  // included; the page never sees them.
  new HistoryKeys(
      *this, [this] { Button5Click(); }, [this] { Button6Click(); });
  auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
  connect(open, &QShortcut::activated, this, &TForm1::Button3Click);
  // Ctrl+Q ends the program from any of its windows (pop-ups, downloads).
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  quit->setContext(Qt::ApplicationShortcut);
  connect(quit, &QShortcut::activated, this, &QWidget::close);
}

void TForm1::ConnectHandlers() {
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(ui_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(ui_->Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
  connect(ui_->Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
  connect(ui_->Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
  connect(ui_->ListBox1, &GuideListBox::Clicked, this, &TForm1::ListBox1Click);
  connect(ui_->ListBox2, &GuideListBox::Clicked, this, &TForm1::ListBox2Click);
  connect(ui_->ListBox3, &GuideListBox::Clicked, this, &TForm1::ListBox3Click);
  connect(searchBox_, &PageSearchBox::PageChosen, this, &TForm1::OpenFoundPage);
  connect(ui_->Image1, &PictureBox::mousePressed, this, [this](Qt::MouseButton) { Image1MouseDown(); });
  ui_->Image1->SetFailureHandler([this](std::exception_ptr failure) { ShowFailure(dialogs_, std::move(failure)); });
}

void TForm1::FormCreate() {
  Guarded(dialogs_, [this] {
    // Frozen on purpose: the notice window stays on screen, painted, while
    // nothing else happens.
    clock_.Pause(startupPauseMs_);
    webView_.Navigate(utf16::ToQString(HomePageAddress(siteRoot_)));
  });
}

void TForm1::FormResize() { webView_.Widget()->setGeometry(0, kWebViewTop, width(), height() - kWebViewTop); }

void TForm1::Button1Click() {
  Guarded(dialogs_, [this] { webView_.Navigate(cp932::ToQString(catalogue_.GuideUrl())); });
}

void TForm1::Button2Click() {
  Guarded(dialogs_, [this] { webView_.Navigate(utf16::ToQString(GuideListAddress(siteRoot_))); });
}

void TForm1::Button3Click() {
  Guarded(dialogs_, [this] { catalogue_.Load(); });
  searchBox_->GuideLoaded();
}

void TForm1::LoadGuide(const std::string& path) {
  Guarded(dialogs_, [this, &path] { catalogue_.LoadFrom(path); });
  searchBox_->GuideLoaded();
}

void TForm1::OpenFoundPage(int page) {
  Guarded(dialogs_, [this, page] { tavren::OpenFoundPage(catalogue_, *this, *searchWindow_, page); });
}

void TForm1::Button4Click() {
  Guarded(dialogs_, [this] { webView_.Navigate(utf16::ToQString(SoftwarePageAddress(siteRoot_))); });
}

void TForm1::Button5Click() {
  Guarded(dialogs_, [this] {
    // Only the view's own failure means there is no page; any other (out
    // of memory) goes on to the error box.
    try {
      webView_.GoBack();
    } catch (const EOleException&) {
      dialogs_.Message(QStringLiteral("ページがありません"));
    }
  });
}

void TForm1::Button6Click() {
  Guarded(dialogs_, [this] {
    try {
      webView_.GoForward();
    } catch (const EOleException&) {
      dialogs_.Message(QStringLiteral("ページがありません"));
    }
  });
}

void TForm1::Button7Click() { close(); }

void TForm1::ListBox1Click() {
  Guarded(dialogs_, [this] { catalogue_.FilterByMajor(); });
}

void TForm1::ListBox2Click() {
  Guarded(dialogs_, [this] { catalogue_.FilterByMiddle(); });
}

void TForm1::ListBox3Click() {
  Guarded(dialogs_, [this] {
    const int i = ui_->ListBox3->ItemIndex();
    webView_.Navigate(cp932::ToQString(ui_->ListBox4->Item(i)));
    ui_->Label3->setText(cp932::ToQString(ui_->ListBox5->Item(i)));
    ui_->Label3->adjustSize();
  });
}

void TForm1::Timer1Timer() {
  Guarded(dialogs_, [this] { banner_.Tick(); });
}

void TForm1::Image1MouseDown() {
  Guarded(dialogs_, [this] { webView_.Navigate(cp932::ToQString(banner_.NoticeUrl())); });
}

GuideListBox& TForm1::ListBox(int number) const {
  GuideListBox* const lists[] = {ui_->ListBox1, ui_->ListBox2, ui_->ListBox3, ui_->ListBox4, ui_->ListBox5};
  return *lists[static_cast<std::size_t>(std::clamp(number, 1, 5) - 1)];
}

QPushButton& TForm1::Button(int number) const {
  QPushButton* const buttons[] = {ui_->Button1, ui_->Button2, ui_->Button3, ui_->Button4,
                                  ui_->Button5, ui_->Button6, ui_->Button7};
  return *buttons[static_cast<std::size_t>(std::clamp(number, 1, 7) - 1)];
}

QLabel& TForm1::Label2() const { return *ui_->Label2; }
QLabel& TForm1::Label3() const { return *ui_->Label3; }
PictureBox& TForm1::Image1() const { return *ui_->Image1; }
QWidget& TForm1::Panel1() const { return *ui_->Panel1; }
QWidget& TForm1::WebBrowser1() const { return *webView_.Widget(); }
PageSearchBox& TForm1::SearchBox() const { return *searchBox_; }

StringList& TForm1::MajorList() { return *ui_->ListBox1; }
StringList& TForm1::MiddleList() { return *ui_->ListBox2; }
StringList& TForm1::TitleList() { return *ui_->ListBox3; }
StringList& TForm1::AddressList() { return *ui_->ListBox4; }
StringList& TForm1::NoteList() { return *ui_->ListBox5; }
int TForm1::MajorSelection() const { return ui_->ListBox1->ItemIndex(); }
int TForm1::MiddleSelection() const { return ui_->ListBox2->ItemIndex(); }

void TForm1::SetCaption(std::string_view cp932) { setWindowTitle(cp932::ToQString(cp932)); }

void TForm1::SetGuideButtonCaption(std::string_view cp932) { ui_->Button1->setText(cp932::ToQString(cp932)); }

bool TForm1::ChooseGuideFile(std::string& path) {
  QByteArray chosen;
  if (!dialogs_.OpenGuideFile(this, chosen)) return false;
  path = chosen.toStdString();
  return true;
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (mayClose_ && !mayClose_()) {
    event->ignore();
    return;
  }
  // The closed main window ends the program: a tick from now on would only
  // hold up that end (its fetch, or its error box over a hidden window).
  banner_.Stop();
  QWidget::closeEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (centred_ || !isWindow()) return;
  centred_ = true;
  MoveToScreenCentre(*this);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_K && event->modifiers() == Qt::ControlModifier) {
    searchBox_->FocusFromShortcut();
    return;
  }
  if (event->key() == Qt::Key_F6 && event->modifiers() == Qt::NoModifier) {
    // Round the three places a reader works in: page titles, search, page.
    QWidget* focus = QApplication::focusWidget();
    QWidget* view = webView_.Widget();
    if (focus == ui_->ListBox3 && searchBox_->isEnabled()) {
      searchBox_->setFocus(Qt::OtherFocusReason);
    } else if (focus == ui_->ListBox3 || focus == searchBox_) {
      view->setFocus(Qt::OtherFocusReason);
    } else {
      ui_->ListBox3->setFocus(Qt::OtherFocusReason);
    }
    return;
  }
  QWidget::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* control = qobject_cast<QWidget*>(watched);
    if (control != nullptr && !control->toolTip().isEmpty()) {
      const auto* help = static_cast<QHelpEvent*>(event);
      // Hints hide after two and a half seconds whatever their length.
      QToolTip::showText(help->globalPos(), control->toolTip(), control, QRect(), kHintShowMs);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tavren
