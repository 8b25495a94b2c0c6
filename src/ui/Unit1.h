#pragma once
// The main window: the five catalogue lists, the note label, the banner, the
// button row and the web view below them. Its layout comes from Unit1.ui; the
// handlers are the window's commands, one per control event, each run inside
// Guarded() so that a failure ends in the error box and never crosses a Qt
// frame.

#include <QPoint>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "banner/Banner.h"
#include "banner/BannerFile.h"
#include "banner/Ticker.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueWindow.h"
#include "net/Connection.h"
#include "net/HttpFetcher.h"
#include "ui/WindowPlacement.h"

class QLabel;
class QPushButton;

namespace Ui {
class TForm1;
}

namespace tavren {

class Clock;
class Dialogs;
class FormSearchWindow;
class GuideListBox;
class PageSearchBox;
class PictureBox;
class WebView;

// What the window is built with. The references must outlive the window; a
// null banner part gets the program's own (see BannerParts).
struct TForm1Parts {
  WebView& webView;
  Dialogs& dialogs;
  const Clock& clock;
  // The maker's web directory, ending in "/" (the build's SiteRoot() in the
  // program, a loopback fake site in tests).
  std::string siteRoot;
  // The frozen pause in FormCreate (clock.Pause) that keeps the notice
  // window on screen.
  int startupPauseMs = 4500;
  // The banner timer's period.
  int bannerIntervalMs = 90000;
  FetcherLimits fetcherLimits{};
  std::unique_ptr<Connector> connector{};
  std::unique_ptr<Ticker> bannerTimer{};
  std::unique_ptr<BannerFile> bannerFile{};
  // Asked before the window closes (close box, 終了, Ctrl+Q); false keeps it
  // open. None: the window always closes.
  std::function<bool()> mayClose{};
};

class TForm1 : public QWidget, public CatalogueWindow {
  Q_OBJECT

 public:
  // Builds the layout, places parts.webView's widget as WebBrowser1, starts
  // the banner's timer Timer1, then runs FormCreate (pause, home page). A failure in FormCreate
  // is shown in the error box and the window is still created. Not shown.
  // A guide file dropped anywhere on the window goes to LoadGuide; every
  // other drop is refused, and none reaches the web view.
  explicit TForm1(TForm1Parts parts, QWidget* parent = nullptr);
  ~TForm1() override;

  // The window's handlers. Each shows its own failures through the error box
  // (Guarded) and never throws.
  void FormCreate();
  void FormResize();
  void Button1Click();     // guide author's page (GuideUrl)
  void Button2Click();     // the maker's guide list
  void Button3Click();     // load a guide
  void Button4Click();     // the maker's software page
  void Button5Click();     // back; no page: "ページがありません"
  void Button6Click();     // forward; no page: "ページがありません"
  void Button7Click();     // exit: closes the window
  void ListBox1Click();    // filter by major category
  void ListBox2Click();    // filter by middle category
  void ListBox3Click();    // page pick: navigate, then show the note
  void Timer1Timer();      // banner tick
  void Image1MouseDown();  // banner press: navigate to NoticeUrl
  // Loads the guide at `path` (native file-name bytes) as Button3Click does
  // once its dialog has answered with that path: same lists, caption and
  // failures in the error box. A guide named on the command line or dropped
  // on the window comes here.
  void LoadGuide(const std::string& path);

  // The latest banner link's whole body (CP932, unchanged); empty before the
  // first tick that got that far.
  const std::string& NoticeUrl() const noexcept { return banner_.NoticeUrl(); }
  const Ticker& Timer1() const noexcept { return banner_.Timer(); }

  // The controls, by their layout names.
  GuideListBox& ListBox(int number) const;  // 1..5
  QPushButton& Button(int number) const;    // 1..7
  QLabel& Label2() const;
  QLabel& Label3() const;
  PictureBox& Image1() const;
  QWidget& Panel1() const;
  QWidget& WebBrowser1() const;
  // The page search box under the note label (not one of the stored
  // layout's controls).
  PageSearchBox& SearchBox() const;

  // CatalogueWindow.
  StringList& MajorList() override;
  StringList& MiddleList() override;
  StringList& TitleList() override;
  StringList& AddressList() override;
  StringList& NoteList() override;
  int MajorSelection() const override;
  int MiddleSelection() const override;
  void SetCaption(std::string_view cp932) override;
  void SetGuideButtonCaption(std::string_view cp932) override;
  bool ChooseGuideFile(std::string& path) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Ctrl+K and F6. A key handler rather than a shortcut, so that a page in
  // the web view sees these keys first: the view passes on to its parents
  // only the keys that the page left alone.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ApplyFonts();
  void ApplyColours();
  void ApplyHints();
  void ApplyTabOrder();
  void ApplyKeys();
  void ConnectHandlers();
  void OpenFoundPage(int page);

  std::unique_ptr<Ui::TForm1> ui_;
  WebView& webView_;
  Dialogs& dialogs_;
  std::string siteRoot_;
  const Clock& clock_;
  int startupPauseMs_;
  std::function<bool()> mayClose_;
  Banner banner_;
  Catalogue catalogue_;
  PageSearchBox* searchBox_;
  std::unique_ptr<FormSearchWindow> searchWindow_;
  bool centred_ = false;
};

}  // namespace tavren
