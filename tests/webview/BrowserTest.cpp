// The browser behind the web view with the real engine, against a loopback
// site the test serves itself: pop-up windows, downloads, logins,
// permissions, print, find, other schemes, a dying renderer and the kept
// session. The dialogs are scripted.

#include "FakeBrowserDialogs.h"
#include "LoopbackSite.h"
#include "webview/BrowserProfile.h"
#include "webview/BrowserView.h"
#include "webview/DownloadWindow.h"
#include "webview/FindBar.h"
#include "webview/PopupBlockBar.h"
#include "webview/ProgramExit.h"
#include "webview/QtWebView.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace tavren {
namespace {

using test::LoopbackSite;
using test::SiteReply;

const bool kPlatformPrepared = (PrepareWebViewPlatform(), true);
constexpr int kWaitMs = 20000;

// Takes the addresses QDesktopServices hands to the desktop.
class DesktopRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kPlatformPrepared);
    MakeView(ProfileFolders{});
  }

  void MakeView(const ProfileFolders& folders) {
    view_.reset();
    profile_ = std::make_unique<BrowserProfile>(dialogs_, folders);
    view_ = std::make_unique<QtWebView>(*profile_);
    view_->Widget()->resize(640, 480);
    view_->Widget()->show();
  }

  BrowserView& View() const { return *static_cast<BrowserView*>(view_->MakeView()); }

  ::testing::AssertionResult Shows(QWebEngineView& view, const QString& title) {
    if (QTest::qWaitFor([&] { return view.title() == title; }, kWaitMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "title " << view.title().toStdString() << ", not " << title.toStdString();
  }

  void Open(const char* path, const QString& title) {
    view_->Navigate(site_.Url(path));
    ASSERT_TRUE(Shows(View(), title));
  }

  static void Run(QWebEngineView& view, const QString& script) { view.page()->runJavaScript(script); }

  // Clicks `view` at (50, 50) once its page takes input: the engine drops
  // input that comes before a new page's first frame, so the page lays
  // kCover over itself until a click is seen to reach it. A middle click
  // then removes the cover: input arrives in order, so no earlier left
  // click can still be on its way to what lies under it (a script run to
  // remove it could overtake one, and a late click opened a second window).
  static void Click(QWebEngineView& view) {
    const auto click = [&](Qt::MouseButton button) {
      QTest::mouseClick(view.focusProxy(), button, {}, QPoint(50, 50));
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          click(Qt::LeftButton);
          return QTest::qWaitFor([&] { return view.title() == u"ready"; }, 250);
        },
        kWaitMs));
    click(Qt::MiddleButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.title() == u"armed"; }, kWaitMs));
    click(Qt::LeftButton);
  }
  static constexpr char kCover[] =
      "<div id=cover style='position:fixed;inset:0;z-index:9' onclick=\"document.title = 'ready'\" "
      "onmouseup=\"if (event.button == 1) cover.remove(), document.title = 'armed'\"></div>";

  LoopbackSite site_;
  FakeBrowserDialogs dialogs_;
  std::unique_ptr<BrowserProfile> profile_;
  std::unique_ptr<QtWebView> view_;
};

TEST_F(BrowserTest, PageOpensPopupWithOpenerAndClosesIt) {
  site_.Route(
      "/link",
      kCover + QByteArray("<title>link</title><a target=_blank href=/popup style='position:fixed;inset:0'>new</a>"));
  site_.Route("/open",
              kCover + QByteArray("<title>open</title><button style='position:fixed;inset:0' "
                                  "onclick=\"window.open('/popup', 'w', 'width=420,height=310')\">new</button>"));
  site_.Route("/popup", "<script>document.title = window.opener ? 'opener' : 'alone';</script>");
  // The engine crashed painting a blank window its opener had written into.
  // The written title is Japanese under a Shift_JIS <meta>; it is set once
  // two frames have been drawn.
  site_.Route("/write", kCover + QByteArray(R"html(<title>write</title>
<button style='position:fixed;inset:0' onclick='receipt()'>new</button><script>function receipt() {
  const w = window.open();
  w.document.write(`<meta charset=shift_jis><title>\u9818\u53ce\u66f8</title><p>\u5408\u8a08 1,200 \u5186</p><script>requestAnimationFrame(
      () => requestAnimationFrame(() => document.title += opener ? ' opener' : ' alone'))<\/script>`);
  w.document.close();
}</script>)html"));
  struct Row {
    const char* name;
    const char* path;  // clicked anywhere
    QSize size;
    QString title;  // links to _blank have no opener on today's web
  } rows[] = {
      {"target _blank link", "/link", {800, 600}, QStringLiteral("alone")},
      {"window.open with geometry", "/open", {420, 310}, QStringLiteral("opener")},
      {"a blank window its opener wrote into", "/write", {800, 600}, QStringLiteral("領収書 opener")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Open(row.path, QString::fromLatin1(row.path + 1));
    Click(View());
    ASSERT_TRUE(QTest::qWaitFor([&] { return profile_->PopupWindows().size() == 1; }, kWaitMs));
    auto* popup = profile_->PopupWindows().front();
    auto* popupView = popup->findChild<BrowserView*>();
    ASSERT_TRUE(Shows(*popupView, row.title));
    EXPECT_TRUE(QTest::qWaitFor([&] { return popup->windowTitle() == row.title; }, kWaitMs));
    EXPECT_EQ(popupView->size(), row.size);
    EXPECT_EQ(View().url().path(), QString::fromLatin1(row.path));  // the main view stays
    Run(*popupView, QStringLiteral("window.close()"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return profile_->PopupWindows().isEmpty(); }, kWaitMs));
  }
}

TEST_F(BrowserTest, WindowsAScriptOpensWithoutAClickAreBlocked) {
  DesktopRecorder desktop;
  QDesktopServices::setUrlHandler(QStringLiteral("tel"), &desktop, "Open");
  site_.Route("/p", "<title>popup</title>");
  site_.Route("/burst", "<title>burst</title><script>for (let i = 0; i < 3; ++i) window.open('/p')</script>");
  site_.Route("/tel", "<title>tel</title><script>window.open('tel:0120000001')</script>");
  const auto button = [](const char* opens) {
    return kCover + QByteArray("<title>click</title><button style='position:fixed;inset:0' onclick=\"window.open('") +
           opens + "')\">open</button>";
  };
  site_.Route("/click", button("/p"));
  site_.Route("/clicktel", button("tel:0120000002"));
  const QString blocked = QStringLiteral("ポップアップをブロックしました（%1 件）");
  struct Row {
    const char* name;
    const char* path;
    bool click;  // anywhere on the page
    bool allow;  // "このサイトでは許可する" once the bar shows
    QString bar;
    int popups;
    QList<QUrl> desktop;
  } rows[] = {
      {"three on load, counted", "/burst", false, false, blocked.arg(3), 0, {}},
      {"a script's tel: window never reaches the desktop", "/tel", false, false, blocked.arg(1), 0, {}},
      {"a click opens one and the navigation closed the bar", "/click", true, false, {}, 1, {}},
      {"a click's tel: window goes to the desktop",
       "/clicktel",
       true,
       false,
       {},
       0,
       {QUrl(QStringLiteral("tel:0120000002"))}},
      {"allowing replays none", "/burst", false, true, {}, 0, {}},
      {"the allowed site opens them", "/burst", false, false, {}, 3, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (QWidget* window : profile_->PopupWindows()) delete window;
    desktop.opened.clear();
    QSignalSpy loaded(&View(), &QWebEngineView::loadFinished);
    view_->Navigate(site_.Url(row.path));
    ASSERT_TRUE(loaded.wait(kWaitMs));
    if (row.click) Click(View());
    if (row.allow) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return !View().PopupBar().Text().isEmpty(); }, kWaitMs));
      View().PopupBar().AllowButton()->click();
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          return View().PopupBar().Text() == row.bar && profile_->PopupWindows().size() == row.popups &&
                 desktop.opened == row.desktop;
        },
        kWaitMs))
        << View().PopupBar().Text().toStdString() << ", " << profile_->PopupWindows().size() << " pop-ups, "
        << desktop.opened.size() << " to the desktop";
  }
  QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
}

TEST_F(BrowserTest, DownloadSavesOnlyFinishedFiles) {
  const QByteArray attachment = "Content-Disposition: attachment; filename=\"report.txt\"\r\n";
  site_.Route("/done", [&](const QByteArray&) { return LoopbackSite::Page("hello", attachment); });
  // A body cut short: held open (a slow download) or closed half-way.
  const auto partial = [&](bool hold) {
    return [&, hold](const QByteArray&) {
      return SiteReply{"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n" + attachment +
                           "Content-Length: 100000\r\n\r\n" + QByteArray(4096, 'x'),
                       hold};
    };
  };
  site_.Route("/slow", partial(true));
  site_.Route("/cut", partial(false));
  enum class Then { kWait, kCancelButton, kRefuse };
  enum class Before { kOldFile, kForeignPart, kFolder };                      // what the folder holds
  const QString kana80 = QString(80, QChar(u'あ')) + QStringLiteral(".txt");  // 244 bytes
  struct Row {
    const char* name;
    const char* path;
    Then then;
    QString file;                      // chosen in the save dialog; empty: report.txt
    Before before = Before::kOldFile;  // the old file holds "old"
    QByteArray content = "old";        // the chosen file afterwards
    QString errorBox = {};
  } rows[] = {
      {"finished download replaces the chosen file", "/done", Then::kWait, {}, {}, "hello"},
      {"a 244-byte name", "/done", Then::kWait, kana80, {}, "hello"},
      {"another program's .part is left alone", "/done", Then::kWait, {}, Before::kForeignPart, "hello"},
      {"cancel button",
       "/slow",
       Then::kCancelButton,
       {},
       {},
       "old",
       QStringLiteral("「report.txt」のダウンロードを取り消しました。")},
      {"connection cut",
       "/cut",
       Then::kWait,
       {},
       {},
       "old",
       QStringLiteral("「report.txt」をダウンロードできませんでした: サーバーとのやり取りが途中で失敗しました。")},
      {"save dialog cancelled", "/done", Then::kRefuse, {}, {}, "old", {}},
      {"a failed replace keeps both and says where",
       "/done",
       Then::kWait,
       {},
       Before::kFolder,
       {},
       QStringLiteral("を保存できませんでした。\nダウンロードしたファイルは「")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs_.errorBoxes.clear();
    QTemporaryDir dir;
    const QString file = row.file.isEmpty() ? QStringLiteral("report.txt") : row.file;
    const QString target = dir.filePath(file);
    const auto write = [](const QString& path, const QByteArray& bytes) {
      QFile file(path);
      return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const auto read = [](const QString& path) {
      QFile file(path);
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // A folder in its place: the final rename fails.
    ASSERT_TRUE(row.before == Before::kFolder ? QDir().mkpath(target + QStringLiteral("/inside"))
                                              : write(target, "old"));
    const QString foreign = target + QStringLiteral(".part");
    if (row.before == Before::kForeignPart) {
      ASSERT_TRUE(write(foreign, "theirs"));
    }
    dialogs_.savePath = row.then == Then::kRefuse ? std::nullopt : std::optional(target);
    const qsizetype asked = dialogs_.suggestedPaths.size();
    view_->Navigate(site_.Url(row.path));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs_.suggestedPaths.size() > asked; }, kWaitMs));
    EXPECT_EQ(dialogs_.suggestedPaths.last(), QDir(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation))
                                                  .filePath(QStringLiteral("report.txt")));
    if (row.then == Then::kCancelButton) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return !profile_->DownloadWindows().isEmpty(); }, kWaitMs));
      static_cast<DownloadWindow*>(profile_->DownloadWindows().front())->Button()->click();
    }
    const auto over = [&] {
      const QList<QWidget*> windows = profile_->DownloadWindows();
      return !dialogs_.errorBoxes.isEmpty() ||
             (!windows.isEmpty() && static_cast<DownloadWindow*>(windows.front())->StatusText() == u"完了しました");
    };
    ASSERT_TRUE(row.then == Then::kRefuse || QTest::qWaitFor(over, kWaitMs));
    const QString errors = dialogs_.errorBoxes.join(u'|');
    QStringList kept{file};
    if (row.before == Before::kFolder) {
      // "「<chosen>」を保存できませんでした。\nダウンロードしたファイルは「<working file>」にあります。"
      const QString prefix = u'「' + target + u'」' + row.errorBox;
      ASSERT_TRUE(errors.startsWith(prefix) && errors.endsWith(QStringLiteral("」にあります。")))
          << errors.toStdString();
      const QString working = errors.mid(prefix.size()).chopped(7);
      EXPECT_EQ(read(working), "hello");
      EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/inside")));
      kept = QStringList{QFileInfo(working).fileName()};
    } else {
      EXPECT_EQ(errors.toStdString(), row.errorBox.toStdString());
      EXPECT_EQ(read(target), row.content);
    }
    if (row.before == Before::kForeignPart) {
      EXPECT_EQ(read(foreign), "theirs");
      kept.append(QFileInfo(foreign).fileName());
      kept.sort();
    }
    // The engine removes its own files on its file thread, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QDir(dir.path()).entryList(QDir::Files, QDir::Name) == kept; }, kWaitMs))
        << QDir(dir.path()).entryList(QDir::Files).join(u' ').toStdString();
    // Asked once, though the engine starts a cut download again five times;
    // over, its window left open or not, it holds nobody back.
    EXPECT_EQ(dialogs_.suggestedPaths.size(), asked + 1);
    const qsizetype questions = dialogs_.questions.size();
    EXPECT_TRUE(MayEndProgram(*profile_, nullptr));
    EXPECT_EQ(dialogs_.questions.size(), questions);
    for (QWidget* window : profile_->DownloadWindows()) delete window;
  }
}

TEST_F(BrowserTest, LoginAnswersTheServersChallenge) {
  site_.Route("/secret", [](const QByteArray& head) {
    if (head.contains("Authorization: Basic " + QByteArray("guide:pw").toBase64())) {
      return LoopbackSite::Page("<title>welcome</title>");
    }
    return LoopbackSite::Page("<title>denied</title>", "WWW-Authenticate: Basic realm=\"Guide Room\"\r\n",
                              "401 Unauthorized");
  });
  struct Row {
    const char* name;
    std::optional<std::pair<QString, QString>> login;
    QString title;
  } rows[] = {
      {"cancel shows the server's page", std::nullopt, QStringLiteral("denied")},
      {"accepted", std::pair{QStringLiteral("guide"), QStringLiteral("pw")}, QStringLiteral("welcome")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs_.login = row.login;
    dialogs_.loginPrompts.clear();
    Open("/secret", row.title);
    EXPECT_EQ(dialogs_.loginPrompts, QStringList{QStringLiteral("127.0.0.1 Guide Room")});
  }
}

TEST_F(BrowserTest, PermissionsAskOncePerSiteAndKindAndDefaultToNo) {
  site_.Route("/", "<title>ready</title>");
  Open("/", QStringLiteral("ready"));
  struct Row {
    const char* script;
    QString title;
  } rows[] = {
      {"Notification.requestPermission().then(p => document.title = p)", QStringLiteral("denied")},
      {"Notification.requestPermission().then(p => document.title = 'again ' + p)", QStringLiteral("again denied")},
  };
  for (const Row& row : rows) {
    Run(View(), QString::fromLatin1(row.script));
    EXPECT_TRUE(Shows(View(), row.title));
  }
  EXPECT_EQ(dialogs_.questions, QStringList{QStringLiteral("127.0.0.1 が通知の表示を求めています。許可しますか?")});
}

TEST_F(BrowserTest, PrintGoesThroughThePrintDialog) {
  // The receipt pattern: a pop-up written, printed and closed by one click.
  site_.Route("/", kCover + QByteArray("<title>printable</title><p>text to print</p><button "
                                       "style='position:fixed;inset:0' onclick=\"w = window.open(); "
                                       "w.document.write('<p>receipt</p>'); w.print(); w.close()\">receipt</button>"));
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
  dialogs_.print = [&](QPrinter& printer) { printer.setOutputFileName(pdf); };
  Open("/", QStringLiteral("printable"));
  struct Row {
    const char* name;
    std::function<void()> ask;
    bool popup;  // the job is printed by a pop-up that closes itself
  } rows[] = {
      {"window.print()", [&] { Run(View(), QStringLiteral("window.print()")); }, false},
      {"Ctrl+P", [&] { QTest::keyClick(View().focusProxy(), Qt::Key_P, Qt::ControlModifier); }, false},
      {"a pop-up that prints and closes itself outlives its print job", [&] { Click(View()); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QFile::remove(pdf);
    const int before = dialogs_.printDialogs;
    QSignalSpy printed(&View(), &QWebEngineView::printFinished);
    row.ask();
    if (row.popup) {
      EXPECT_TRUE(QTest::qWaitFor(
          [&] { return dialogs_.printDialogs == before + 1 && profile_->PopupWindows().isEmpty(); }, kWaitMs));
    } else {
      EXPECT_TRUE(printed.wait(kWaitMs));
    }
    EXPECT_GT(QFileInfo(pdf).size(), 0);
    EXPECT_EQ(dialogs_.printDialogs, before + 1);
  }
}

TEST_F(BrowserTest, FindCountsMatchesAndSteps) {
  site_.Route("/", "<title>fruit</title><p>apple banana apple cherry apple</p>");
  Open("/", QStringLiteral("fruit"));
  FindBar& find = View().Find();
  QTest::keyClick(View().focusProxy(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(find.isVisible());
  QTest::keyClicks(find.Field(), QStringLiteral("apple"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return find.CountText() == QStringLiteral("1 / 3 件"); }, kWaitMs))
      << find.CountText().toStdString();
  struct Row {
    Qt::KeyboardModifiers modifiers;
    QString count;
  } rows[] = {{Qt::NoModifier, QStringLiteral("2 / 3 件")}, {Qt::ShiftModifier, QStringLiteral("1 / 3 件")}};
  for (const Row& row : rows) {
    QTest::keyClick(find.Field(), Qt::Key_F3, row.modifiers);
    EXPECT_TRUE(QTest::qWaitFor([&] { return find.CountText() == row.count; }, kWaitMs))
        << find.CountText().toStdString();
  }
  find.Field()->setText(QStringLiteral("durian"));
  QTest::keyClick(find.Field(), Qt::Key_Return);
  EXPECT_TRUE(QTest::qWaitFor([&] { return find.CountText() == QStringLiteral("見つかりません"); }, kWaitMs));
  // Emptying the box as the user does clears the count and the marks.
  find.Field()->setText(QStringLiteral("apple"));
  QTest::keyClick(find.Field(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return find.CountText() == QStringLiteral("1 / 3 件"); }, kWaitMs));
  QSignalSpy found(View().page(), &QWebEnginePage::findTextFinished);
  QTest::keyClick(find.Field(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(find.Field(), Qt::Key_Backspace);
  EXPECT_TRUE(QTest::qWaitFor([&] { return find.CountText().isEmpty() && !found.isEmpty(); }, kWaitMs));
  EXPECT_EQ(found.last().at(0).value<QWebEngineFindTextResult>().numberOfMatches(), 0);
  QTest::keyClick(find.Field(), Qt::Key_Escape);
  EXPECT_FALSE(find.isVisible());
}

TEST_F(BrowserTest, OtherSchemesGoToTheDesktopOnlyOnAUserAction) {
  DesktopRecorder desktop;
  QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &desktop, "Open");
  QDesktopServices::setUrlHandler(QStringLiteral("tel"), &desktop, "Open");
  site_.Route("/", kCover + QByteArray("<title>links</title><a href='mailto:guide@example.com' "
                                       "style='position:fixed;inset:0'>mail</a>"));
  Open("/", QStringLiteral("links"));
  // A script's own navigation comes first and has run before the click (whose
  // user activation it would share), so that the desktop would see it first.
  bool ran = false;
  View().page()->runJavaScript(QStringLiteral("location.href = 'tel:0120000009'"),
                               [&](const QVariant&) { ran = true; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, kWaitMs));
  Click(View());
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.opened.size() == 1; }, kWaitMs));
  view_->Navigate(QStringLiteral("tel:0120000000"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.opened.size() == 2; }, kWaitMs));
  EXPECT_EQ(desktop.opened,
            (QList<QUrl>{QUrl(QStringLiteral("mailto:guide@example.com")), QUrl(QStringLiteral("tel:0120000000"))}))
      << QUrl::toStringList(desktop.opened).join(u' ').toStdString();
  EXPECT_EQ(View().url().path(), QStringLiteral("/"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
}

TEST_F(BrowserTest, ContextMenuOpensLinkOrPageInDefaultBrowser) {
  DesktopRecorder desktop;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &desktop, "Open");
  site_.Route("/",
              "<title>menu</title><a href='/linked' style='position:fixed;left:0;top:0;width:100px;height:50px'>x</a>");
  Open("/", QStringLiteral("menu"));
  struct Row {
    QPoint at;
    const char* opens;
  } rows[] = {{{20, 20}, "/linked"}, {{300, 300}, "/"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.opens);
    desktop.opened.clear();
    QTest::mouseClick(View().focusProxy(), Qt::RightButton, {}, row.at);
    QAction* open = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
          open = menu != nullptr ? menu->findChild<QAction*>(QStringLiteral("openInDefaultBrowser")) : nullptr;
          return open != nullptr;
        },
        kWaitMs));
    open->trigger();
    QApplication::activePopupWidget()->close();
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl(site_.Url(row.opens))});
  }
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

TEST_F(BrowserTest, CrashedRendererShowsMessageAndRecovers) {
  site_.Route("/", "<title>alive</title>");
  Open("/", QStringLiteral("alive"));
  View().load(QUrl(QStringLiteral("chrome://crash")));
  EXPECT_TRUE(Shows(View(), QStringLiteral("表示できませんでした")));
  view_->Navigate(site_.Url("/"));
  EXPECT_TRUE(Shows(View(), QStringLiteral("alive")));
}

TEST_F(BrowserTest, SessionCookieOutlivesTheProfileAndRequestsSpeakJapanese) {
  QTemporaryDir dir;
  const ProfileFolders folders{dir.filePath(QStringLiteral("data")), dir.filePath(QStringLiteral("cache"))};
  site_.Route("/set",
              [](const QByteArray&) { return LoopbackSite::Page("<title>set</title>", "Set-Cookie: sid=kept\r\n"); });
  site_.Route("/get", "<title>get</title>");
  MakeView(folders);
  Open("/set", QStringLiteral("set"));
  MakeView(folders);
  Open("/get", QStringLiteral("get"));
  const QByteArray head = site_.Heads().last();
  EXPECT_TRUE(head.contains("\r\nCookie: sid=kept")) << head.toStdString();
  EXPECT_TRUE(head.contains("\r\nAccept-Language: ja,en;q=0.8")) << head.toStdString();
  EXPECT_FALSE(head.contains("QtWebEngine")) << head.toStdString();
}

TEST_F(BrowserTest, ZoomByKeysAndWheel) {
  site_.Route("/", "<title>zoom</title><p>text</p>");
  Open("/", QStringLiteral("zoom"));
  QWidget* target = View().focusProxy();
  const auto key = [&](Qt::Key k) { return [&, k] { QTest::keyClick(target, k, Qt::ControlModifier); }; };
  struct Row {
    const char* name;
    std::function<void()> act;
    qreal factor;
  } rows[] = {
      {"Ctrl+plus", key(Qt::Key_Plus), 1.1},
      {"Ctrl+plus again", key(Qt::Key_Plus), 1.25},
      {"Ctrl+0", key(Qt::Key_0), 1.0},
      {"Ctrl+minus", key(Qt::Key_Minus), 0.9},
      {"Ctrl+wheel up, one step only",
       [&] {
         QWheelEvent wheel(QPointF(50, 50), target->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120), Qt::NoButton,
                           Qt::ControlModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(target, &wheel);
       },
       1.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.act();
    EXPECT_TRUE(QTest::qWaitFor([&] { return qAbs(View().zoomFactor() - row.factor) < 0.01; }, kWaitMs))
        << View().zoomFactor();
  }
}

}  // namespace
}  // namespace tavren

#include "BrowserTest.moc"
