// The web view against pages that misbehave, with the real engine under a
// C locale: the engine's own pages in Japanese, our certificate page, and
// script dialog loops ended by the check box.

#include "FakeBrowserDialogs.h"
#include "LoopbackSite.h"
#include "webview/BrowserProfile.h"
#include "webview/BrowserView.h"
#include "webview/EngineLanguage.h"
#include "webview/FullScreenWindow.h"
#include "webview/LinkBubble.h"
#include "webview/ProgramExit.h"
#include "webview/QtWebView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineHistory>

#include <gtest/gtest.h>

namespace tavren {
namespace {

using test::LoopbackSite;

// Before the application and the engine read it.
const bool kCLocale = (qputenv("LC_ALL", "C"), qputenv("LANG", "C"), qunsetenv("LANGUAGE"), true);
const bool kPlatformPrepared = (PrepareWebViewPlatform(), true);
constexpr int kWaitMs = 20000;

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kCLocale && kPlatformPrepared);
    profile_ = std::make_unique<BrowserProfile>(dialogs_, ProfileFolders{});
    view_ = std::make_unique<QtWebView>(*profile_);
    view_->Widget()->resize(640, 480);
    view_->Widget()->show();
  }

  BrowserView& View() const { return *static_cast<BrowserView*>(view_->MakeView()); }

  // The page's text once it holds `part`, else what it held last.
  QString TextHolding(const QString& part) {
    QString text;
    (void)QTest::qWaitFor(
        [&] {
          View().page()->toPlainText([&](const QString& now) { text = now; });
          QTest::qWait(50);
          return text.contains(part);
        },
        kWaitMs);
    return text;
  }

  ::testing::AssertionResult Shows(const QString& title) {
    if (QTest::qWaitFor([&] { return View().title() == title; }, kWaitMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "title " << View().title().toStdString() << ", not " << title.toStdString();
  }

  // Waits until the page takes the pointer: the first events after a load
  // may come before it does.
  ::testing::AssertionResult TakesPointer() {
    View().page()->runJavaScript(
        QStringLiteral("window.moved = false; addEventListener('mousemove', () => window.moved = true)"));
    bool moved = false;
    int step = 0;
    const bool done = QTest::qWaitFor(
        [&] {
          QTest::mouseMove(View().focusProxy(), QPoint(100 + ++step % 2, 100));
          View().page()->runJavaScript(QStringLiteral("window.moved"),
                                       [&](const QVariant& result) { moved = result.toBool(); });
          QTest::qWait(100);
          return moved;
        },
        kWaitMs);
    return done ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "the page takes no pointer";
  }

  LoopbackSite site_;
  FakeBrowserDialogs dialogs_;
  std::unique_ptr<BrowserProfile> profile_;
  std::unique_ptr<QtWebView> view_;
};

TEST_F(GuardTest, NetworkErrorPageIsJapaneseUnderCLocale) {
  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
  const quint16 port = closed.serverPort();
  closed.close();
  view_->Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(port));
  const QString text = TextHolding(QStringLiteral("このサイトにアクセスできません"));
  EXPECT_TRUE(text.contains(QStringLiteral("このサイトにアクセスできません"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("ERR_CONNECTION_REFUSED"))) << text.toStdString();
}

TEST(WithJapaneseEngine, AddsTheLanguageUnlessOneIsNamed) {
  const std::pair<QByteArray, QByteArray> rows[] = {
      {"", "--lang=ja"},
      {"  ", "--lang=ja"},
      {"--no-sandbox", "--no-sandbox --lang=ja"},
      {"--lang=de --no-sandbox", "--lang=de --no-sandbox"},  // the user's own choice
      {"--language=x", "--language=x --lang=ja"},
  };
  for (const auto& [flags, want] : rows) EXPECT_EQ(WithJapaneseEngine(flags), want) << flags.constData();
}

// A TLS server on 127.0.0.1 with a self-signed certificate made for the test.
class SelfSignedServer {
 public:
  SelfSignedServer() {
    const QString key = dir_.filePath(QStringLiteral("key.pem"));
    const QString cert = dir_.filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(
        QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
         QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
         QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) return;
    QFile keyFile(key);
    QFile certFile(cert);
    if (!keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly)) return;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    config.setLocalCertificate(QSslCertificate(certFile.readAll()));
    server_.setSslConfiguration(config);
    server_.listen(QHostAddress::LocalHost, 0);
  }
  bool Ready() const { return server_.isListening(); }
  QString Url(const char* path) const {
    return QStringLiteral("https://127.0.0.1:%1%2").arg(server_.serverPort()).arg(QLatin1String(path));
  }

 private:
  QTemporaryDir dir_;
  QSslServer server_;
};

TEST_F(GuardTest, CertificateErrorShowsOurPageWithoutAWayOn) {
  SelfSignedServer tls;
  ASSERT_TRUE(tls.Ready());
  site_.Route("/before", "<title>before</title>");
  site_.Route("/picture", QByteArray("<title>picture</title><img src='") + tls.Url("/a.png").toUtf8() + "'>");
  view_->Navigate(site_.Url("/before"));
  ASSERT_TRUE(Shows(QStringLiteral("before")));
  // A sub-resource's error is refused without a word.
  view_->Navigate(site_.Url("/picture"));
  ASSERT_TRUE(Shows(QStringLiteral("picture")));
  view_->Navigate(tls.Url("/"));
  ASSERT_TRUE(Shows(QStringLiteral("安全に接続できません")));
  const QString text = TextHolding(QStringLiteral("ERR_CERT_AUTHORITY_INVALID"));
  EXPECT_TRUE(text.contains(QStringLiteral("127.0.0.1 の証明書は信頼できる発行元のものではありません")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("ERR_CERT_AUTHORITY_INVALID"))) << text.toStdString();
  EXPECT_EQ(View().history()->count(), 3);
  view_->GoBack();
  EXPECT_TRUE(Shows(QStringLiteral("picture")));
}

TEST_F(GuardTest, ScriptDialogLoopEndsByTheCheckBox) {
  using Kind = ScriptQuestion::Kind;
  struct Row {
    const char* path;
    const char* call;
    Kind kind;
    const char* title;  // the page's answers, in order
  } rows[] = {
      {"/alert", "alert('a' + i)", Kind::kAlert, "[null,null,null,null,null]"},
      {"/confirm", "confirm('c' + i)", Kind::kConfirm, "[true,true,false,false,false]"},
      {"/prompt", "prompt('p' + i, 'd')", Kind::kPrompt, "[\"typed\",\"typed\",null,null,null]"},
  };
  dialogs_.promptValue = QStringLiteral("typed");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    site_.Route(row.path, QByteArray("<title>loop</title><script>onload = () => { const r = []; "
                                     "for (let i = 0; i < 5; ++i) r.push(") +
                              row.call + "); document.title = JSON.stringify(r); }</script>");
    dialogs_.scriptDialogs.clear();
    view_->Navigate(site_.Url(row.path));
    EXPECT_TRUE(Shows(QString::fromLatin1(row.title)));
    ASSERT_EQ(dialogs_.scriptDialogs.size(), 2);
    for (int i = 0; i < 2; ++i) {
      const ScriptQuestion& asked = dialogs_.scriptDialogs.at(i);
      EXPECT_EQ(asked.kind, row.kind);
      EXPECT_EQ(asked.title, QStringLiteral("127.0.0.1"));
      EXPECT_EQ(asked.offerSilence, i == 1);
    }
  }
}

// Clicks into the page until the page has seen a user action (the first
// clicks after a load may come before the page takes input).
::testing::AssertionResult Touch(QWebEngineView& view) {
  bool active = false;
  const bool done = QTest::qWaitFor(
      [&] {
        QTest::mouseClick(view.focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
        view.page()->runJavaScript(QStringLiteral("navigator.userActivation.isActive"),
                                   [&](const QVariant& result) { active = result.toBool(); });
        QTest::qWait(100);
        return active;
      },
      kWaitMs);
  return done ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "no user action seen";
}

TEST_F(GuardTest, LeavePageQuestionIsOurs) {
  site_.Route("/form",
              "<title>form</title><input id=f style='position: fixed; inset: 0'><script>"
              "onbeforeunload = e => { e.preventDefault(); e.returnValue = ''; };</script>");
  site_.Route("/next", "<title>next</title>");
  view_->Navigate(site_.Url("/form"));
  ASSERT_TRUE(Shows(QStringLiteral("form")));
  for (const bool leave : {false, true}) {
    SCOPED_TRACE(leave ? "leave" : "stay");
    // The engine asks again only after the user has touched the page again.
    ASSERT_TRUE(Touch(View()));
    dialogs_.scriptDialogs.clear();
    dialogs_.scriptAnswer = leave;
    view_->Navigate(site_.Url("/next"));  // a guide page picked
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs_.scriptDialogs.isEmpty(); }, kWaitMs));
    EXPECT_EQ(dialogs_.scriptDialogs.front().kind, ScriptQuestion::Kind::kLeavePage);
    EXPECT_EQ(dialogs_.scriptDialogs.front().text,
              QStringLiteral("このページから移動しますか？ 入力した内容は保存されないことがあります。"));
    if (leave) {
      EXPECT_TRUE(Shows(QStringLiteral("next")));
    }
  }
}

TEST_F(GuardTest, GuideLinkAsksToOpenAndKeepsTheGuide) {
  const QByteArray guide = "\x89\xb7\x90\xf2,\x93\x8c\x96\x6b\r\n";  // CP932 bytes, any
  const auto reply = [&](const QByteArray& headers) {
    return [&, headers](const QByteArray&) {
      return test::SiteReply{"HTTP/1.1 200 OK\r\nConnection: close\r\n" + headers +
                             "Content-Length: " + QByteArray::number(guide.size()) + "\r\n\r\n" + guide};
    };
  };
  // Served as text, the view would show it as a page.
  site_.Route("/g/onsen.lst", reply("Content-Type: text/plain\r\n"));
  site_.Route("/get", reply("Content-Type: application/x-tavren-guide\r\n"
                            "Content-Disposition: attachment; filename=\"kyoto.csv\"\r\n"));
  // Cut half-way the first time: the engine starts it again by itself.
  int cutStarts = 0;
  site_.Route("/g/cut.lst", [&](const QByteArray& head) {
    if (cutStarts++ > 0) return reply("Content-Type: text/plain\r\n")(head);
    return test::SiteReply{"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1000\r\n\r\n" + guide};
  });
  site_.Route("/",
              "<title>guides</title><a id=lst href=/g/onsen.lst>onsen</a><a id=typed href=/get>kyoto</a>"
              "<a id=cut href=/g/cut.lst>cut</a>");
  QTemporaryDir folder;
  QStringList opened;
  profile_->Guides().SetOpener(folder.path(), [&](const QString& path) { opened.append(path); });
  struct Row {
    const char* name;
    const char* link;
    GuideLinkAnswer answer;
    QString opens;  // in the folder; empty: nothing opened
    int saveDialogs;
    QString asked = QStringLiteral("onsen.lst");  // the name in the question
  } rows[] = {
      {"link to a .lst file opens it", "lst", GuideLinkAnswer::kOpen, QStringLiteral("onsen.lst"), 0},
      {"the same again gets a new name", "lst", GuideLinkAnswer::kOpen, QStringLiteral("onsen (2).lst"), 0},
      {"save is today's download", "lst", GuideLinkAnswer::kSave, {}, 1},
      // Nothing to wait for; the next row would see a stray open.
      {"cancel", "typed", GuideLinkAnswer::kCancel, {}, 0, QStringLiteral("kyoto.csv")},
      {"a download typed as a guide", "typed", GuideLinkAnswer::kOpen, QStringLiteral("kyoto.csv"), 0,
       QStringLiteral("kyoto.csv")},
      {"a cut download started again is asked about once", "cut", GuideLinkAnswer::kOpen, QStringLiteral("cut.lst"), 0,
       QStringLiteral("cut.lst")},
  };
  view_->Navigate(site_.Url("/"));
  ASSERT_TRUE(Shows(QStringLiteral("guides")));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    opened.clear();
    dialogs_.guideLinks.clear();
    dialogs_.suggestedPaths.clear();
    dialogs_.guideLink = row.answer;
    View().page()->runJavaScript(QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(row.link)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs_.guideLinks.isEmpty(); }, kWaitMs));
    if (!row.opens.isEmpty()) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, kWaitMs));
      EXPECT_EQ(opened, QStringList{QDir(folder.path()).filePath(row.opens)});
      QFile file(opened.value(0));
      EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), guide);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs_.suggestedPaths.size() == row.saveDialogs; }, kWaitMs));
    EXPECT_EQ(dialogs_.guideLinks, QStringList{row.asked});
    EXPECT_EQ(View().title(), QStringLiteral("guides"));
  }
}

TEST_F(GuardTest, HoverBubbleShowsWhereALinkGoes) {
  const QByteArray far = "/" + QByteArray(300, 'x');
  site_.Route("/",
              "<title>links</title><style>a { position: fixed; width: 200px; height: 40px }</style>"
              "<a href='" +
                  far +
                  "' style='left: 0; top: 0'>top</a>"
                  "<a href='/near' style='left: 0; bottom: 0'>corner</a>");
  view_->Navigate(site_.Url("/"));
  ASSERT_TRUE(Shows(QStringLiteral("links")));
  auto* bubble = View().findChild<LinkBubble*>();
  ASSERT_NE(bubble, nullptr);
  EXPECT_TRUE(bubble->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(bubble->focusPolicy(), Qt::NoFocus);
  enum class Side { kHidden, kLeft, kRight };
  struct Row {
    const char* name;
    QPoint at;
    QString address;
    Side side;
  } rows[] = {
      {"long address, elided", {20, 20}, site_.Url(far.constData()), Side::kLeft},
      {"off any link", {400, 200}, {}, Side::kHidden},
      {"pointer in the lower-left corner", {20, 470}, site_.Url("/near"), Side::kRight},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(TakesPointer());
    QTest::mouseMove(View().focusProxy(), row.at);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bubble->Address() == row.address; }, kWaitMs))
        << bubble->Address().toStdString();
    EXPECT_EQ(bubble->isVisible(), row.side != Side::kHidden);
    if (row.side == Side::kHidden) continue;
    EXPECT_EQ(row.side == Side::kLeft ? bubble->x() : bubble->geometry().right() + 1,
              row.side == Side::kLeft ? 0 : View().width());
    EXPECT_EQ(bubble->geometry().bottom() + 1, View().height());
    EXPECT_LE(bubble->width(), View().width());
    EXPECT_EQ(bubble->text().contains(u'…'), row.address.size() > 100) << bubble->text().toStdString();
  }
}

TEST_F(GuardTest, FullScreenByAClickEndsByEscF11OrThePage) {
  site_.Route("/",
              "<title>normal</title><button onclick='document.body.requestFullscreen()' "
              "style='position: fixed; inset: 0'>play</button><input id=field>"
              "<script>document.onfullscreenchange = () => "
              "document.title = document.fullscreenElement ? 'full' : 'normal';</script>");
  view_->Navigate(site_.Url("/"));
  ASSERT_TRUE(Shows(QStringLiteral("normal")));
  QWebEnginePage* page = View().page();
  // The page's own title: while full screen, the view holds no page.
  const auto titled = [&](const char* title) {
    return QTest::qWaitFor([&] { return page->title() == QLatin1String(title); }, kWaitMs);
  };
  const auto fullScreenWindow = [] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (auto* full = dynamic_cast<FullScreenWindow*>(window)) return full;
    }
    return static_cast<FullScreenWindow*>(nullptr);
  };
  // No click, no full screen: the engine's own rule.
  View().page()->runJavaScript(
      QStringLiteral("document.body.requestFullscreen().catch(() => document.title = 'refused')"));
  EXPECT_TRUE(titled("refused"));
  EXPECT_EQ(fullScreenWindow(), nullptr);
  struct Row {
    const char* name;
    std::function<void(FullScreenWindow&)> leave;
  } rows[] = {
      {"Esc, with a text field focused",
       [&](FullScreenWindow& full) {
         page->runJavaScript(QStringLiteral("document.getElementById('field').focus()"));
         QTest::keyClick(full.View()->focusProxy(), Qt::Key_Escape);
       }},
      {"F11", [](FullScreenWindow& full) { QTest::keyClick(full.View()->focusProxy(), Qt::Key_F11); }},
      {"the page's own exit",
       [&](FullScreenWindow&) { page->runJavaScript(QStringLiteral("document.exitFullscreen()")); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(TakesPointer());
    QTest::mouseClick(View().focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_TRUE(titled("full"));
    FullScreenWindow* full = fullScreenWindow();
    ASSERT_NE(full, nullptr);
    EXPECT_TRUE(full->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(full->View()->page(), page);
    EXPECT_TRUE(full->Hint()->isVisible());
    EXPECT_EQ(full->Hint()->text(), QStringLiteral("Esc キーで全画面表示を終了します"));
    EXPECT_FALSE(View().window()->windowState() & Qt::WindowFullScreen);
    row.leave(*full);
    EXPECT_TRUE(titled("normal"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return fullScreenWindow() == nullptr; }, kWaitMs));
    EXPECT_EQ(QWebEngineView::forPage(page), &View());
  }
}

// Focuses the page's text field `#f` and waits until the page says so.
::testing::AssertionResult FocusField(QWebEngineView& view) {
  view.window()->activateWindow();
  if (!QTest::qWaitForWindowActive(view.window())) return ::testing::AssertionFailure() << "window not active";
  view.focusProxy()->setFocus();
  bool focused = false;
  const bool done = QTest::qWaitFor(
      [&] {
        view.page()->runJavaScript(QStringLiteral("document.getElementById('f').focus(); "
                                                  "document.activeElement.id == 'f'"),
                                   [&](const QVariant& result) { focused = result.toBool(); });
        QTest::qWait(50);
        return focused;
      },
      kWaitMs);
  return done ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "field not focused";
}

void PressMouseButton(QWidget* widget, Qt::MouseButton button) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)), button, button,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

// The keys of a window with a view, each pressed while the page's text
// field has the focus: ours all the same.
TEST_F(GuardTest, KeysOfAViewWorkWhileThePageHasTheFocus) {
  int loads = 0;
  site_.Route("/", "<title>main</title><a href=/p1 target=_blank style='position: fixed; inset: 0'>open</a>");
  site_.Route("/p1", "<title>one</title><input id=f>");
  site_.Route("/p2", "<title>two</title><input id=f>");
  site_.Route("/count", [&](const QByteArray&) {
    return LoopbackSite::Page("<title>" + QByteArray::number(++loads) + "</title><input id=f>");
  });
  view_->Navigate(site_.Url("/"));
  ASSERT_TRUE(Shows(QStringLiteral("main")));
  ASSERT_TRUE(TakesPointer());
  QTest::mouseClick(View().focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_TRUE(QTest::qWaitFor([&] { return profile_->PopupWindows().size() == 1; }, kWaitMs));
  QWidget* popup = profile_->PopupWindows().front();
  auto* popupView = popup->findChild<BrowserView*>();
  const auto shows = [&](const char* title) {
    return QTest::qWaitFor([&] { return popupView->title() == QLatin1String(title); }, kWaitMs);
  };
  ASSERT_TRUE(shows("one"));
  popupView->load(QUrl(site_.Url("/p2")));
  ASSERT_TRUE(shows("two"));
  const auto key = [&](QKeyCombination keys) {
    return [&, keys] { QTest::keyClick(popupView->focusProxy(), keys.key(), keys.keyboardModifiers()); };
  };
  struct Row {
    const char* name;
    std::function<void()> press;
    const char* title;  // the pop-up's page afterwards
  } rows[] = {
      {"Alt+Left: back", key(Qt::ALT | Qt::Key_Left), "one"},
      {"Alt+Left with no page before: nothing, no word", key(Qt::ALT | Qt::Key_Left), "one"},
      {"Alt+Right: forward", key(Qt::ALT | Qt::Key_Right), "two"},
      {"mouse back button", [&] { PressMouseButton(popupView->focusProxy(), Qt::BackButton); }, "one"},
      {"mouse forward button", [&] { PressMouseButton(popupView->focusProxy(), Qt::ForwardButton); }, "two"},
      {"to the counting page", [&] { popupView->load(QUrl(site_.Url("/count"))); }, "1"},
      {"F5: reload", key(QKeyCombination(Qt::Key_F5)), "2"},
      {"Ctrl+R: reload", key(Qt::CTRL | Qt::Key_R), "3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(FocusField(*popupView));
    row.press();
    EXPECT_TRUE(shows(row.title)) << popupView->title().toStdString();
  }
  EXPECT_TRUE(dialogs_.errorBoxes.isEmpty());
  // Ctrl+W closes the pop-up.
  ASSERT_TRUE(FocusField(*popupView));
  key(Qt::CTRL | Qt::Key_W)();
  EXPECT_TRUE(QTest::qWaitFor([&] { return profile_->PopupWindows().isEmpty(); }, kWaitMs));
  // F5 in the main view too.
  site_.Route("/", [&](const QByteArray&) {
    return LoopbackSite::Page("<title>main " + QByteArray::number(++loads) + "</title><input id=f>");
  });
  view_->Navigate(site_.Url("/"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return View().title().startsWith(u"main "); }, kWaitMs));
  const QString before = View().title();
  ASSERT_TRUE(FocusField(View()));
  QTest::keyClick(View().focusProxy(), Qt::Key_F5);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return View().title().startsWith(u"main ") && View().title() != before; }, kWaitMs));
}

TEST_F(GuardTest, ProgramEndAsksWhileADownloadRuns) {
  site_.Route("/slow", [](const QByteArray&) {
    return test::SiteReply{
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"big.bin\"\r\n"
        "Content-Length: 100000\r\n\r\n" +
            QByteArray(4096, 'x'),
        true};
  });
  QTemporaryDir dir;
  dialogs_.savePath = dir.filePath(QStringLiteral("big.bin"));
  EXPECT_TRUE(MayEndProgram(*profile_, nullptr));
  EXPECT_TRUE(dialogs_.questions.isEmpty());
  view_->Navigate(site_.Url("/slow"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !profile_->DownloadWindows().isEmpty(); }, kWaitMs));
  for (const bool yes : {false, true}) {
    dialogs_.yes = yes;
    EXPECT_EQ(MayEndProgram(*profile_, nullptr), yes);
  }
  EXPECT_EQ(dialogs_.questions, QStringList(2, QStringLiteral("ダウンロード中のファイルがあります。終了しますか？")));
}

TEST_F(GuardTest, ProgramEndClosesPopupsBeforeTheSessionGoes) {
  site_.Route("/", "<title>main</title><a href=/p target=_blank style='position: fixed; inset: 0'>open</a>");
  site_.Route("/p", "<title>popup</title>");
  view_->Navigate(site_.Url("/"));
  ASSERT_TRUE(Shows(QStringLiteral("main")));
  ASSERT_TRUE(TakesPointer());
  QTest::mouseClick(View().focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_TRUE(QTest::qWaitFor([&] { return profile_->PopupWindows().size() == 1; }, kWaitMs));
  ClosePopupsForExit(*profile_, kWaitMs);
  EXPECT_TRUE(profile_->PopupWindows().isEmpty());
}

}  // namespace
}  // namespace tavren
