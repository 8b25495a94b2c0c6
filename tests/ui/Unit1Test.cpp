// The main window on in-memory twins: its controls as laid out, what creation
// does, the load button and the category lists driving the catalogue, the
// commands that end in the web view, and the window's side of the banner.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "FakeTicker.h"
#include "FakeWebView.h"
#include "JpegSamples.h"
#include "MemoryBannerFile.h"
#include "MemorySite.h"
#include "Sjis.h"
#include "Unit1TestSupport.h"
#include "base/QtText.h"
#include "catalogue/Maker.h"
#include "ui/Fonts.h"
#include "ui/GuideListBox.h"
#include "ui/PictureBox.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

namespace tavren::test {
namespace {

// A root below the host's top, so that an address built from the host alone
// shows.
constexpr char kRoot[] = "http://127.0.0.1:9/site/";

// The window on its twins: a recording web view, scripted dialogs, a settable
// clock whose pause returns at once, a hand-driven banner timer, a banner file
// in memory and an in-memory site.
struct Window {
  FakeWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  MemorySite site;
  FakeTicker* timer = nullptr;
  MemoryBannerFile* bannerFile = nullptr;
  bool mayClose = true;  // the answer to the window's close question
  int closeQuestions = 0;
  std::unique_ptr<TForm1> form;  // last, so that it goes before its twins

  // `prepare` runs on the twins before the window is made.
  explicit Window(std::string siteRoot = MemorySite::Root(), int startupPauseMs = 0,
                  const std::function<void(Window&)>& prepare = {}) {
    if (prepare) prepare(*this);
    auto ticker = std::make_unique<FakeTicker>();
    auto file = std::make_unique<MemoryBannerFile>();
    timer = ticker.get();
    bannerFile = file.get();
    form = std::make_unique<TForm1>(TForm1Parts{.webView = web,
                                                .dialogs = dialogs,
                                                .clock = clock,
                                                .siteRoot = std::move(siteRoot),
                                                .startupPauseMs = startupPauseMs,
                                                .connector = site.NewConnector(),
                                                .bannerTimer = std::move(ticker),
                                                .bannerFile = std::move(file),
                                                .mayClose = [this] {
                                                  ++closeQuestions;
                                                  return mayClose;
                                                }});
  }

  bool Show() {
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
  }

  // Items of list box `number` (1..5) decoded to text.
  QStringList Items(int number) const {
    QStringList items;
    const GuideListBox& list = form->ListBox(number);
    for (int i = 0; i < list.Count(); ++i) items << cp932::ToQString(list.Item(i));
    return items;
  }

  QWidget* Control(const char* name) const {
    if (QByteArray(name) == "WebBrowser1") return &form->WebBrowser1();
    return form->findChild<QWidget*>(QString::fromLatin1(name));
  }
};

void ClickItem(GuideListBox& list, int row) {
  QApplication::processEvents();
  const QRect rect = list.visualRect(list.model()->index(row, 0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

class TForm1Test : public ::testing::Test {
 protected:
  QByteArray Guide(const char* name, const QStringList& lines) {
    return WriteGuide(QDir(dir.path()), QString::fromUtf8(name), lines);
  }
  // Through the load button, the user picking `path` in the open dialog.
  void Load(const QByteArray& path) {
    w.dialogs.WillConfirm(path);
    QTest::mouseClick(&w.form->Button(3), Qt::LeftButton);
  }
  void Fill(int list, const QStringList& items) {
    for (const QString& item : items) w.form->ListBox(list).Add(cp932::FromUtf8(item.toStdString()));
  }

  QTemporaryDir dir;
  Window w;
};

// ---- The controls as laid out

TEST_F(TForm1Test, ControlsStandWhereTheLayoutPutsThem) {
  struct Row {
    const char* name;
    QRect geometry;  // relative to the parent (Panel1 for the buttons)
  };
  const Row rows[] = {
      {"Label2", {520, 16, 217, 41}},      {"Image1", {512, 0, 273, 81}},  {"ListBox5", {328, 312, 121, 97}},
      {"ListBox4", {96, 200, 369, 97}},    {"ListBox1", {0, 0, 121, 73}},  {"ListBox2", {120, 0, 129, 73}},
      {"ListBox3", {248, 0, 249, 73}},     {"Panel1", {248, 96, 505, 17}}, {"Button1", {0, 0, 217, 17}},
      {"Button4", {216, 0, 49, 17}},       {"Button2", {272, 0, 49, 17}},  {"Button3", {328, 0, 41, 17}},
      {"Button5", {376, 0, 33, 17}},       {"Button6", {416, 0, 33, 17}},  {"Button7", {456, 0, 41, 17}},
      {"WebBrowser1", {0, 112, 792, 461}},  // the resize rule has already run
  };
  EXPECT_EQ(w.form->size(), QSize(792, 573));
  for (const Row& r : rows) {
    QWidget* control = w.Control(r.name);
    ASSERT_NE(control, nullptr) << r.name;
    EXPECT_EQ(control->geometry(), r.geometry) << r.name;
    const bool inPanel = QByteArray(r.name).startsWith("Button");
    EXPECT_EQ(control->parentWidget(), inPanel ? &w.form->Panel1() : w.form.get()) << r.name;
  }
  // The note label sits at 8,75 and sizes itself to its text.
  EXPECT_EQ(w.form->Label3().pos(), QPoint(8, 75));
  EXPECT_TRUE(w.form->Label3().text().isEmpty());
}

TEST_F(TForm1Test, CaptionsAndHints) {
  struct Row {
    const char* name;
    const char* caption;  // nullptr: the control has none
    const char* hint;     // "" for none
  };
  const Row rows[] = {
      {"Label2", "Ｔａｖｒｅｎ", ""},
      {"Image1", nullptr, "画像をクリックするとお知らせを表示します"},
      {"Label3", "", ""},
      {"ListBox1", nullptr, "大分類"},
      {"ListBox2", nullptr, "中分類"},
      {"ListBox3", nullptr, "ご覧になりたいページを選んでください"},
      {"ListBox4", nullptr, ""},
      {"ListBox5", nullptr, ""},
      {"Button1", "ガイド名", "ファイルを作成されたガイドさんのページを表示します"},
      {"Button4", "作者", "ソフトサポートページを表示します"},
      {"Button2", "ガイド集", "ガイド集ページを表示します"},
      {"Button3", "読込", "ガイドファイルを読込みます"},
      {"Button5", "戻る", "１つ前のページを表示します"},
      {"Button6", "進む", "次のページを表示します"},
      {"Button7", "終了", "プログラムを終了します"},
  };
  for (const Row& r : rows) {
    QWidget* control = w.Control(r.name);
    ASSERT_NE(control, nullptr) << r.name;
    EXPECT_EQ(control->toolTip(), Qs(r.hint)) << r.name;
    if (r.caption == nullptr) continue;
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      EXPECT_EQ(button->text(), Qs(r.caption)) << r.name;
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
      EXPECT_EQ(label->text(), Qs(r.caption)) << r.name;
    }
  }
  const QString expected =
      QString::fromUtf8(maker::kProductLine) + QString(88, QLatin1Char(' ')) + QString::fromUtf8(maker::kCopyright);
  EXPECT_EQ(w.form->windowTitle(), expected);
}

TEST_F(TForm1Test, FontsAndColours) {
  struct Row {
    const char* name;
    const char* family;  // the Windows family asked for first
    int pixelSize;
  };
  const Row rows[] = {
      {"Label2", "ＤＦＰまるもじ体W9", 36}, {"Label3", "ＭＳ Ｐゴシック", 13},  {"ListBox1", "ＭＳ Ｐゴシック", 12},
      {"ListBox3", "ＭＳ Ｐゴシック", 12},  {"Button1", "ＭＳ Ｐゴシック", 12}, {"Button7", "ＭＳ Ｐゴシック", 12},
  };
  for (const Row& r : rows) {
    QWidget* control = w.Control(r.name);
    ASSERT_NE(control, nullptr) << r.name;
    EXPECT_EQ(control->font().families().value(0), Qs(r.family)) << r.name;
    EXPECT_EQ(control->font().pixelSize(), r.pixelSize) << r.name;
    // Whatever face stands in, it must be a Japanese one.
    const QString used = QFontInfo(control->font()).family();
    EXPECT_FALSE(used.contains(QStringLiteral("CJK SC")) || used.contains(QStringLiteral("WenQuanYi")))
        << r.name << " drawn with " << used.toStdString();
  }
  EXPECT_EQ(w.form->palette().color(QPalette::Window), QColor(0, 128, 0));
  EXPECT_TRUE(w.form->autoFillBackground());
  EXPECT_EQ(w.form->Panel1().palette().color(QPalette::Window), QColor(0, 128, 0));
  EXPECT_TRUE(w.form->Panel1().autoFillBackground());
  EXPECT_EQ(w.form->Label2().palette().color(QPalette::WindowText), QColor(255, 251, 240));
  EXPECT_EQ(w.form->Label3().palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(w.form->Image1().cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(TForm1Test, BothLogosAreEmboldenedOnlyOverAStandInFace) {
  // The rule: rows whose face in use is a stand-in or the asked face itself.
  struct Row {
    QFont font;
    int weight;
  } rows[] = {
      {WindowsFont(MarumojiFamily(), 36), QFont::Black},  // no real face here: a stand-in draws
      {WindowsFont(QStringLiteral("IPAPGothic"), 36), QFont::Normal},
  };
  for (const Row& r : rows) EXPECT_EQ(EmboldenedIfStandIn(r.font).weight(), r.weight) << r.font.family().toStdString();
  // And the two windows draw their logos alike.
  FakeDialogs dialogs;
  const TForm2 notice(dialogs, "http://127.0.0.1:9/");
  EXPECT_EQ(w.form->Label2().font(), notice.Label2().font());
  EXPECT_EQ(w.form->Label2().font().weight(), QFont::Black);
}

TEST_F(TForm1Test, ButtonCaptionsFitTheirSeventeenPixelButtons) {
  for (int n = 1; n <= 7; ++n) {
    QPushButton& button = w.form->Button(n);
    const QFontMetrics metrics(button.font());
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect contents = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    EXPECT_EQ(button.height(), 17) << n;
    EXPECT_LE(metrics.horizontalAdvance(button.text()), contents.width()) << n;
    EXPECT_LE(metrics.height(), contents.height()) << n;
  }
}

TEST_F(TForm1Test, ListBox1RowsAreTwelvePixelsHigh) {
  GuideListBox& list = w.form->ListBox(1);
  list.Add("a");
  list.Add("b");
  QApplication::processEvents();
  EXPECT_EQ(list.visualRect(list.model()->index(0, 0)).height(), 12);
  EXPECT_EQ(list.visualRect(list.model()->index(1, 0)).top(), list.visualRect(list.model()->index(0, 0)).top() + 12);
  // Drawn at the screen's device pixel ratio (2 under QT_SCALE_FACTOR=2): the
  // selected row's highlight is 12 device-independent pixels, 12 x ratio
  // device pixels, high.
  const qreal ratio =
      qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1;
  list.setCurrentIndex(list.model()->index(0, 0));
  const QImage shot = list.viewport()->grab().toImage();
  EXPECT_EQ(shot.devicePixelRatio(), ratio);
  const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
  const QColor inactive = list.palette().color(QPalette::Inactive, QPalette::Highlight);
  const int x = shot.width() - 3;  // right of the text
  int highlighted = 0;
  for (int y = 0; y < shot.height(); ++y) {
    const QColor pixel = shot.pixelColor(x, y);
    if (pixel == highlight || pixel == inactive) ++highlighted;
  }
  EXPECT_EQ(highlighted, qRound(12 * ratio));
}

TEST_F(TForm1Test, TabOrderFollowsTheLayout) {
  w.web.Widget()->setFocusPolicy(Qt::StrongFocus);  // as the real view takes focus
  ASSERT_TRUE(w.Show());
  QApplication::setActiveWindow(w.form.get());
  const char* const order[] = {"ListBox1", "ListBox2", "ListBox3", "ListBox4", "Button6",     "Button5",  "Button4",
                               "Button2",  "Button1",  "Button3",  "Button7",  "WebBrowser1", "ListBox5", "ListBox1"};
  w.Control(order[0])->setFocus(Qt::OtherFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), w.Control(order[0]));
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.Control(order[i])) << order[i - 1] << " -> " << order[i];
  }
}

TEST_F(TForm1Test, LaterControlsLieAboveEarlierOnes) {
  // Pairs that overlap: the second lies above the first.
  const std::pair<const char*, const char*> rows[] = {
      {"Label2", "Image1"},
      {"ListBox4", "WebBrowser1"},
      {"ListBox5", "WebBrowser1"},
  };
  const QObjectList children = w.form->children();
  for (const auto& [below, above] : rows) {
    const qsizetype lower = children.indexOf(w.Control(below));
    const qsizetype upper = children.indexOf(w.Control(above));
    ASSERT_GE(lower, 0) << below;
    ASSERT_GE(upper, 0) << above;
    EXPECT_LT(lower, upper) << below << " under " << above;
  }
  // What a point shows: the banner over the logo, the web view over the
  // hidden lists.
  ASSERT_TRUE(w.Show());
  EXPECT_EQ(w.form->childAt(QPoint(530, 20)), &w.form->Image1());
  EXPECT_EQ(w.form->childAt(QPoint(100, 210)), &w.form->WebBrowser1());
  EXPECT_EQ(w.form->childAt(QPoint(330, 320)), &w.form->WebBrowser1());
}

TEST_F(TForm1Test, WebViewFillsTheClientAreaBelow112AtEverySize) {
  ASSERT_TRUE(w.Show());
  const QSize sizes[] = {{792, 573}, {1200, 900}, {400, 300}, {792, 112}, {300, 120}, {1600, 573}};
  for (const QSize& size : sizes) {
    w.form->resize(size);
    QTRY_COMPARE(w.form->size(), size);
    EXPECT_EQ(w.form->WebBrowser1().geometry(), QRect(0, 112, size.width(), size.height() - 112))
        << size.width() << "x" << size.height();
    // Nothing else moves.
    EXPECT_EQ(w.form->Panel1().geometry(), QRect(248, 96, 505, 17));
    EXPECT_EQ(w.form->ListBox(3).geometry(), QRect(248, 0, 249, 73));
  }
}

TEST_F(TForm1Test, CentringIsClampedAtTheScreenEdges) {
  struct Row {
    QSize screen;
    QSize window;
    QPoint expected;
  };
  const Row rows[] = {
      {{1920, 1080}, {792, 573}, {564, 253}}, {{1024, 768}, {800, 600}, {112, 84}},
      {{793, 574}, {792, 573}, {0, 0}},  // odd difference: div truncates
      {{640, 480}, {800, 600}, {0, 0}},  // larger than the screen: clamped
      {{640, 1080}, {800, 600}, {0, 240}},    {{800, 600}, {800, 600}, {0, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CentredPosition(r.screen, r.window), r.expected)
        << r.screen.width() << "x" << r.screen.height() << " / " << r.window.width() << "x" << r.window.height();
  }
}

TEST_F(TForm1Test, FirstShowCentresOnThePrimaryScreen) {
  w.form->move(0, 0);
  ASSERT_TRUE(w.Show());
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QPoint expected = screen.topLeft() + CentredPosition(screen.size(), w.form->frameGeometry().size());
  EXPECT_NEAR(w.form->frameGeometry().left(), expected.x(), 1);
  EXPECT_NEAR(w.form->frameGeometry().top(), expected.y(), 1);
  // Later shows keep wherever the user put it.
  w.form->hide();
  w.form->move(3, 4);
  w.form->show();
  EXPECT_EQ(w.form->pos(), QPoint(3, 4));
}

TEST_F(TForm1Test, HintsWakeAfterHalfASecond) {
  ASSERT_TRUE(w.Show());
  const char* const hinted[] = {"Image1",  "ListBox1", "ListBox2", "ListBox3", "Button1", "Button2",
                                "Button3", "Button4",  "Button5",  "Button6",  "Button7"};
  // Long items, so that the lists show both scroll bars.
  for (int n = 1; n <= 3; ++n) {
    for (int i = 0; i < 30; ++i) w.form->ListBox(n).Add(std::string(60, static_cast<char>('a' + i % 26)));
  }
  QApplication::processEvents();
  // Qt asks the widget really under the pointer: over a list, its viewport
  // or a scroll bar. Every point of every hinted control must wake at 500 ms.
  for (const char* name : hinted) {
    QWidget* control = w.Control(name);
    for (int x = 1; x < 8; ++x) {
      for (int y = 1; y < 8; ++y) {
        const QPoint point(control->width() * x / 8, control->height() * y / 8);
        QWidget* under = w.form->childAt(control->mapTo(w.form.get(), point));
        ASSERT_TRUE(under == control || control->isAncestorOf(under)) << name;
        EXPECT_EQ(under->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, under), 500)
            << name << " at " << point.x() << "," << point.y() << ": " << under->metaObject()->className();
      }
    }
  }
}

// Qt's own tooltip timer, in real time: the integration tier runs it
// (ui_Unit1Test.RealTimers), the unit tier skips it.
TEST_F(TForm1Test, HintsSleepAfterTwoAndAHalfSeconds) {
  if (!qEnvironmentVariableIsSet("TAVREN_REAL_TIMERS")) GTEST_SKIP() << "waits on Qt's real tooltip timer";
  ASSERT_TRUE(w.Show());
  QPushButton& button = w.form->Button(3);
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
  QElapsedTimer shown;
  shown.start();
  QApplication::sendEvent(&button, &help);
  ASSERT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), Qs("ガイドファイルを読込みます"));
  QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 4000);
  EXPECT_GE(shown.elapsed(), 2000);
}

// ---- Creation

TEST_F(TForm1Test, CreationStartsTheBannerTimerPausesThenOpensTheHomePage) {
  for (const int pauseMs : {0, 4500}) {
    std::vector<int> pausesAtNavigate;
    bool timerRunningAtNavigate = false;
    const Window made(kRoot, pauseMs, [&](Window& t) {
      t.web.onNavigate = [&](const QString&) {
        pausesAtNavigate = t.clock.pauses;
        timerRunningAtNavigate = t.timer->IsActive();
      };
    });
    EXPECT_EQ(made.web.navigated, QStringList{QStringLiteral("http://127.0.0.1:9/site/soft/tavren/tavren.htm")});
    EXPECT_EQ(pausesAtNavigate, std::vector<int>{pauseMs});
    EXPECT_TRUE(timerRunningAtNavigate) << pauseMs;
    EXPECT_EQ(made.form->Timer1().IntervalMs(), 90000);
    EXPECT_TRUE(made.site.Requests().empty());  // the first tick comes one interval later
    EXPECT_TRUE(made.form->NoticeUrl().empty());
    EXPECT_TRUE(made.dialogs.log.isEmpty()) << pauseMs;
  }
}

TEST_F(TForm1Test, AFailingHomePageIsShownAndTheWindowStillMade) {
  Window made(kRoot, 0, [](Window& t) { t.web.failNextNavigate = Sjis("ページを開けません"); });
  EXPECT_EQ(made.dialogs.errorBoxes, QStringList{Qs("ページを開けません.")});
  EXPECT_TRUE(made.web.navigated.isEmpty());
  EXPECT_TRUE(made.Show());
}

// ---- The load button and the category lists

const QStringList kGuide = {
    Qs("/,温泉,さくら,http://guide.example/sakura/"),
    Qs("*,0,北海道"),
    Qs("*,1,関東"),
    Qs("+,0,名湯"),
    Qs("+,1,日帰り"),
    Qs("0,0,登別,http://a.example/nobo,地獄谷"),
    Qs("1,1,箱根,http://a.example/hakone,芦ノ湖"),
    Qs("0,1,定山渓,http://a.example/jozan,渓谷"),
    Qs("1,0,草津,http://a.example/kusatsu,湯畑"),
    Qs("0,0,乳頭,http://a.example/nyuto,白濁"),
};

TEST_F(TForm1Test, LoadFillsTheFiveListsCaptionAndGuideButton) {
  ASSERT_TRUE(w.Show());
  Load(Guide("onsen.lst", kGuide));
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty()) << w.dialogs.errorBoxes.join(QStringLiteral("|")).toStdString();
  EXPECT_EQ(w.dialogs.openParents.value(0), w.form.get());
  EXPECT_EQ(w.Items(1), (QStringList{Qs("北海道"), Qs("関東")}));
  EXPECT_EQ(w.Items(2), (QStringList{Qs("名湯"), Qs("日帰り")}));
  EXPECT_EQ(w.Items(3), (QStringList{Qs("登別"), Qs("箱根"), Qs("定山渓"), Qs("草津"), Qs("乳頭")}));
  EXPECT_EQ(w.Items(4).value(1), QStringLiteral("http://a.example/hakone"));
  EXPECT_EQ(w.Items(5).value(4), Qs("白濁"));
  EXPECT_EQ(w.form->windowTitle(),
            Qs("温泉のホームページガイドブックです。　さくら が、ご案内します。　　　　　　（ｃ）肉球工房"));
  EXPECT_EQ(w.form->Button(1).text(), Qs("ガイド : さくらのページ"));
  w.web.navigated.clear();
  w.form->Button1Click();
  EXPECT_EQ(w.web.navigated, QStringList{QStringLiteral("http://guide.example/sakura/")});
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(w.form->ListBox(n).ItemIndex(), -1) << n;
}

TEST_F(TForm1Test, CategoryClicksFilterThePages) {
  ASSERT_TRUE(w.Show());
  Load(Guide("onsen.lst", kGuide));
  struct Row {
    int list;  // 1 major, 2 middle
    int row;
    QStringList titles;
  };
  const Row rows[] = {
      // A major click before any middle click filters with middle 0.
      {1, 0, {Qs("登別"), Qs("乳頭")}},
      {2, 1, {Qs("定山渓")}},
      {1, 1, {Qs("箱根")}},
      {2, 0, {Qs("草津")}},
  };
  for (const Row& r : rows) {
    ClickItem(w.form->ListBox(r.list), r.row);
    EXPECT_EQ(w.Items(3), r.titles) << r.list << "/" << r.row;
    EXPECT_EQ(w.Items(4).size(), r.titles.size());
    EXPECT_EQ(w.Items(5).size(), r.titles.size());
    // The category lists are never touched by a filter.
    EXPECT_EQ(w.Items(1).size(), 2);
    EXPECT_EQ(w.Items(2).size(), 2);
  }
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());
}

TEST_F(TForm1Test, LoadFailuresReachTheErrorBox) {
  struct Row {
    const char* name;
    QStringList lines;  // empty: no file is written
    bool cancelFirst;
    QString errorBox;
    int majorItems;
  };
  const Row rows[] = {
      {"missing.lst", {}, false, Qs("ファイルが見つかりません."), 0},
      {"", {}, true, Qs("I/O エラー (102)"), 0},
      {"blank.lst",
       {Qs("*,0,北海道"), QString(), Qs("*,1,関東")},
       false,
       Qs("リストのインデックスが範囲を超えています (0)"),
       1},
      {"short.lst", {Qs("*,0,北海道"), Qs("*,1")}, false, Qs("リストのインデックスが範囲を超えています (2)"), 1},
  };
  for (const Row& r : rows) {
    Window fresh;
    QByteArray path = QFile::encodeName(QDir(dir.path()).filePath(QString::fromUtf8(r.name)));
    if (!r.lines.isEmpty()) path = Guide(r.name, r.lines);
    if (r.cancelFirst) {
      fresh.dialogs.WillCancel();
    } else {
      fresh.dialogs.WillConfirm(path);
    }
    fresh.form->Button3Click();
    EXPECT_EQ(fresh.dialogs.errorBoxes, QStringList{r.errorBox}) << r.name;
    EXPECT_EQ(fresh.Items(1).size(), r.majorItems) << r.name;
  }
}

TEST_F(TForm1Test, CancelAfterALoadReadsTheSameFileAgain) {
  ASSERT_TRUE(w.Show());
  Load(Guide("onsen.lst", kGuide));
  // The file changes on disk; cancelling the dialog reloads it from there.
  Guide("onsen.lst", {Qs("*,0,九州")});
  w.dialogs.WillCancel();
  w.form->Button3Click();
  EXPECT_EQ(w.Items(1), QStringList{Qs("九州")});
  EXPECT_TRUE(w.Items(3).isEmpty());
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());
}

TEST_F(TForm1Test, BadPositionStopsTheFilterAndKeepsEarlierPages) {
  ASSERT_TRUE(w.Show());
  QStringList lines = kGuide;
  lines.insert(6, Qs("x,0,壊れ,http://bad/,だめ"));
  Load(Guide("bad.lst", lines));
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());
  ClickItem(w.form->ListBox(1), 0);
  EXPECT_EQ(w.dialogs.errorBoxes, QStringList{Qs("'x' は整数ではありません.")});
  EXPECT_EQ(w.Items(3), QStringList{Qs("登別")});
}

TEST_F(TForm1Test, TypeAheadRunsTheFilter) {
  ASSERT_TRUE(w.Show());
  QStringList lines = kGuide;
  lines.insert(3, Qs("*,2,Kyushu"));
  lines << Qs("2,0,別府,http://a.example/beppu,地獄めぐり");
  Load(Guide("onsen.lst", lines));
  GuideListBox& majors = w.form->ListBox(1);
  majors.setFocus();
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("k"));
  QApplication::sendEvent(&majors, &press);
  EXPECT_EQ(majors.ItemIndex(), 2);
  EXPECT_EQ(w.Items(3), QStringList{Qs("別府")});
  // Arrow keys are clicks too.
  QTest::keyClick(&majors, Qt::Key_Up);
  EXPECT_EQ(w.Items(3), QStringList{Qs("草津")});
}

TEST_F(TForm1Test, EmptyListSelectionWithoutAFileIsAnInOutFailure) {
  // A keyboard change on the empty major list before any file: position -1
  // and no path to read.
  w.form->ListBox1Click();
  ASSERT_EQ(w.dialogs.errorBoxes.size(), 1);
  EXPECT_TRUE(w.dialogs.errorBoxes.front().endsWith(QLatin1Char('.')) ||
              w.dialogs.errorBoxes.front().endsWith(QLatin1Char(')')));
  EXPECT_TRUE(w.Items(3).isEmpty());
}

// ---- The commands that end in the web view

TEST_F(TForm1Test, APickNavigatesThenShowsTheNote) {
  ASSERT_TRUE(w.Show());
  Fill(3, {Qs("登別"), Qs("箱根")});
  Fill(4, {QStringLiteral("http://a.example/nobo"), Qs("http://a.example/箱根?q=湯")});
  Fill(5, {Qs("地獄谷"), Qs("芦ノ湖")});
  w.web.navigated.clear();
  QString labelAtNavigate = QStringLiteral("unset");
  w.web.onNavigate = [&](const QString&) { labelAtNavigate = w.form->Label3().text(); };
  ClickItem(w.form->ListBox(3), 1);
  EXPECT_EQ(w.web.navigated, QStringList{Qs("http://a.example/箱根?q=湯")});
  EXPECT_TRUE(labelAtNavigate.isEmpty());  // the note comes after the navigation
  EXPECT_EQ(w.form->Label3().text(), Qs("芦ノ湖"));
  EXPECT_EQ(w.form->Label3().pos(), QPoint(8, 75));
  EXPECT_GE(w.form->Label3().width(), w.form->Label3().fontMetrics().horizontalAdvance(Qs("芦ノ湖")));
  EXPECT_TRUE(w.dialogs.log.isEmpty());
}

TEST_F(TForm1Test, APickThatFailsSaysWhyAndKeepsTheOldNote) {
  ASSERT_TRUE(w.Show());
  struct Row {
    const char* name;
    QStringList addresses;
    QStringList notes;
    int pick;  // -1: the lists are empty
    QStringList navigated;
    QString errorBox;
    std::optional<std::string> navigationFails = std::nullopt;
  };
  const Row rows[] = {
      // The navigation has started before the missing note shows.
      {"note missing",
       {QStringLiteral("http://a/0"), QStringLiteral("http://a/1")},
       {Qs("一")},
       1,
       {QStringLiteral("http://a/1")},
       Qs("リストのインデックスが範囲を超えています (1)")},
      {"address missing",
       {QStringLiteral("http://a/0")},
       {Qs("一"), Qs("二")},
       1,
       {},
       Qs("リストのインデックスが範囲を超えています (1)")},
      {"empty lists", {}, {}, -1, {}, Qs("リストのインデックスが範囲を超えています (-1)")},
      {"navigation fails",
       {QStringLiteral("http://a/0")},
       {Qs("新しいメモ")},
       0,
       {},
       QStringLiteral("Navigation failed."),
       "Navigation failed"},
      {"script address from a guide",
       {QStringLiteral("javascript:alert(1)")},
       {Qs("危険")},
       0,
       {},
       Qs("スクリプトのアドレスは開けません: javascript:alert(1)")},
  };
  for (const Row& r : rows) {
    for (int n = 3; n <= 5; ++n) w.form->ListBox(n).Clear();
    w.web.navigated.clear();
    w.web.failNextNavigate = r.navigationFails;
    w.dialogs.errorBoxes.clear();
    w.form->Label3().setText(Qs("前のメモ"));
    if (r.pick < 0) {
      w.form->ListBox3Click();
    } else {
      Fill(3, {Qs("零"), Qs("壱")});
      Fill(4, r.addresses);
      Fill(5, r.notes);
      ClickItem(w.form->ListBox(3), r.pick);
    }
    EXPECT_EQ(w.web.navigated, r.navigated) << r.name;
    EXPECT_EQ(w.dialogs.errorBoxes, QStringList{r.errorBox}) << r.name;
    EXPECT_EQ(w.form->Label3().text(), Qs("前のメモ")) << r.name;
  }
}

TEST_F(TForm1Test, ButtonsNavigateToTheirAddresses) {
  struct Row {
    int button;
    QString address;
  };
  const Row rows[] = {
      {1, QString()},  // no header read yet: GuideUrl is empty
      {2, QStringLiteral("http://127.0.0.1:9/site/soft/tavren/list.htm")},
      {4, QStringLiteral("http://127.0.0.1:9/site/soft/soft.htm")},
  };
  Window atRoot(kRoot);
  for (const Row& r : rows) {
    atRoot.web.navigated.clear();
    QTest::mouseClick(&atRoot.form->Button(r.button), Qt::LeftButton);
    EXPECT_EQ(atRoot.web.navigated, QStringList{r.address}) << r.button;
    EXPECT_TRUE(atRoot.dialogs.log.isEmpty()) << r.button;
  }
}

TEST_F(TForm1Test, BackAndForwardFailuresSayThereIsNoPage) {
  struct Row {
    QStringList history;
    int current;
    int button;  // 5 back, 6 forward
    QStringList messages;
    QString pageAfter;
    std::exception_ptr otherFailure = nullptr;  // what the view throws instead of stepping
    QStringList errorBoxes = {};
  };
  const Row rows[] = {
      {{QStringLiteral("home")}, 0, 5, {Qs("ページがありません")}, QStringLiteral("home")},
      {{QStringLiteral("home")}, 0, 6, {Qs("ページがありません")}, QStringLiteral("home")},
      {{QStringLiteral("a"), QStringLiteral("b")}, 1, 5, {}, QStringLiteral("a")},
      {{QStringLiteral("a"), QStringLiteral("b")}, 0, 6, {}, QStringLiteral("b")},
      {{}, -1, 5, {Qs("ページがありません")}, QString()},
      // Running out of memory is no missing page: it reaches the error box.
      {{QStringLiteral("a"), QStringLiteral("b")},
       1,
       5,
       {},
       QStringLiteral("b"),
       std::make_exception_ptr(std::bad_alloc()),
       {Qs("メモリが不足しています.")}},
  };
  for (const Row& r : rows) {
    Window fresh;
    fresh.web.SetHistory(r.history, r.current);
    fresh.web.failNextStep = r.otherFailure;
    QTest::mouseClick(&fresh.form->Button(r.button), Qt::LeftButton);
    EXPECT_EQ(fresh.dialogs.messages, r.messages);
    EXPECT_EQ(fresh.dialogs.errorBoxes, r.errorBoxes);
    EXPECT_EQ(fresh.web.CurrentPage(), r.pageAfter);
  }
}

TEST_F(TForm1Test, ExitClosesTheWindow) {
  for (const bool byButton : {true, false}) {
    Window fresh;
    ASSERT_TRUE(fresh.Show());
    if (byButton) {
      QTest::mouseClick(&fresh.form->Button(7), Qt::LeftButton);
    } else {
      fresh.form->close();  // the close box
    }
    EXPECT_FALSE(fresh.form->isVisible()) << byButton;
    EXPECT_TRUE(fresh.dialogs.log.isEmpty()) << byButton;
  }
}

TEST_F(TForm1Test, KeysOfTheMainWindowWorkWhereverItsFocusIs) {
  ASSERT_TRUE(w.Show());
  w.form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
  w.web.SetHistory({QStringLiteral("a"), QStringLiteral("b")}, 1);
  QWidget* list = w.form->ListBox(3).viewport();
  w.form->ListBox(3).setFocus();
  const auto key = [&](QKeyCombination keys) {
    return [&, keys] { QTest::keyClick(list, keys.key(), keys.keyboardModifiers()); };
  };
  const auto button = [&](Qt::MouseButton pressed) {
    return [&, pressed] {
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), pressed, pressed,
                        Qt::NoModifier);
      QApplication::sendEvent(list, &press);
    };
  };
  struct Row {
    const char* name;
    std::function<void()> press;
    QString page;
    QStringList log;  // the dialogs shown
    bool mayClose = true;
    bool open = true;
  } rows[] = {
      {"Alt+Left: 戻る", key(Qt::ALT | Qt::Key_Left), QStringLiteral("a"), {}},
      {"Alt+Left with no page: 戻る's message",
       key(Qt::ALT | Qt::Key_Left),
       QStringLiteral("a"),
       {Qs("Message: ページがありません")}},
      {"Alt+Right: 進む", key(Qt::ALT | Qt::Key_Right), QStringLiteral("b"), {}},
      {"mouse back button", button(Qt::BackButton), QStringLiteral("a"), {}},
      {"mouse forward button", button(Qt::ForwardButton), QStringLiteral("b"), {}},
      {"Ctrl+O: 読込",
       key(Qt::CTRL | Qt::Key_O),
       QStringLiteral("b"),  // exactly as the button: a cancel with no guide read yet reads nothing
       {Qs("OpenGuideFile: cancel"), Qs("ErrorBox: I/O エラー (102)")}},
      {"Ctrl+Q refused by the close question", key(Qt::CTRL | Qt::Key_Q), QStringLiteral("b"), {}, false, true},
      {"Ctrl+Q", key(Qt::CTRL | Qt::Key_Q), QStringLiteral("b"), {}, true, false},
  };
  w.dialogs.WillCancel();  // for Ctrl+O
  int questions = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    w.dialogs.log.clear();
    w.mayClose = row.mayClose;
    row.press();
    EXPECT_EQ(w.web.CurrentPage(), row.page);
    EXPECT_EQ(w.dialogs.log, row.log);
    EXPECT_EQ(w.form->isVisible(), row.open);
    if (QString::fromLatin1(row.name).startsWith(u"Ctrl+Q")) ++questions;
    EXPECT_EQ(w.closeQuestions, questions);
  }
}

// ---- The banner: each tick's failure in the error box with the timer going
// on, the picture in Image1 and the press on it

void AnswerSlot0(MemorySite& site, const std::string& picture, const std::string& link) {
  site.Answer("/cm/tavren/0.jpg", MemorySite::Ok(picture));
  site.Answer("/cm/tavren/cm0.txt", MemorySite::Ok(link));
}

TEST_F(TForm1Test, EachFailingTickShowsItsBoxAndTheNextTickStillRuns) {
  w.timer->Fire();
  w.timer->Fire();
  EXPECT_EQ(w.dialogs.errorBoxes,
            (QStringList{QStringLiteral("HTTP/1.1 404 Not Found."), QStringLiteral("HTTP/1.1 404 Not Found.")}));
  EXPECT_TRUE(w.timer->IsActive());
  w.bannerFile->createFailure = Sjis("ファイル \"/x/tavren.jpg\" を作成できません。アクセスが拒否されました");
  w.dialogs.errorBoxes.clear();
  w.timer->Fire();
  EXPECT_EQ(w.dialogs.errorBoxes,
            QStringList{Qs("ファイル \"/x/tavren.jpg\" を作成できません。アクセスが拒否されました.")});
}

// The banner ticked on behind the closed main window, and its error box held
// up the program's end.
TEST_F(TForm1Test, RegressionNoBannerTickOnceTheMainWindowHasClosed) {
  ASSERT_TRUE(w.Show());
  w.mayClose = false;
  w.form->close();
  w.timer->Fire();
  EXPECT_EQ(w.dialogs.errorBoxes, QStringList{QStringLiteral("HTTP/1.1 404 Not Found.")});  // refused: ticks go on
  w.mayClose = true;
  w.form->close();
  w.timer->Fire();
  EXPECT_EQ(w.dialogs.errorBoxes.size(), 1);
  EXPECT_FALSE(w.timer->IsActive());
}

TEST_F(TForm1Test, APressOnTheBannerOpensTheLinkAsItIsWithAnyButton) {
  QTest::mousePress(&w.form->Image1(), Qt::LeftButton);
  EXPECT_EQ(w.web.navigated.last(), QString());  // before the first tick: an empty address

  AnswerSlot0(w.site, SolidJpeg(300, 90), Sjis("http://127.0.0.1/お知らせ.htm\r\n"));
  w.timer->Fire();
  ASSERT_NE(w.form->Image1().Picture(), nullptr);
  EXPECT_EQ(w.form->Image1().Picture()->Size(), QSize(300, 90));
  for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    w.web.navigated.clear();
    QTest::mousePress(&w.form->Image1(), button, Qt::ShiftModifier, QPoint(3, 3));
    EXPECT_EQ(w.web.navigated, QStringList{Qs("http://127.0.0.1/お知らせ.htm\r\n")}) << button;
  }
}

TEST_F(TForm1Test, AZeroByteBannerPictureFailsOnceWhenFirstDrawn) {
  AnswerSlot0(w.site, SolidJpeg(8, 8), "first");
  w.timer->Fire();
  ASSERT_TRUE(w.Show());

  AnswerSlot0(w.site, "", "second");
  w.timer->Fire();
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());  // loading zero bytes is fine
  ASSERT_NE(w.form->Image1().Picture(), nullptr);
  EXPECT_TRUE(w.form->Image1().Picture()->IsEmpty());

  w.form->repaint();
  QTRY_COMPARE(w.dialogs.errorBoxes, QStringList{Qs("JPEG エラー #42.")});
  for (int i = 0; i < 3; ++i) w.form->Image1().repaint();
  QCoreApplication::processEvents();
  EXPECT_EQ(w.dialogs.errorBoxes.size(), 1);
}

}  // namespace
}  // namespace tavren::test
