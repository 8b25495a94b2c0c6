// The main window's controls as laid out: places, captions, hints, fonts,
// colours, tab order, stacking, the resize rule and the centring rule.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolTip>

#include "Unit1TestSupport.h"
#include "catalogue/Maker.h"
#include "ui/PictureBox.h"

namespace tavren::test {
namespace {

QWidget* Control(TForm1& form, const char* name) {
  if (QString::fromLatin1(name) == QStringLiteral("WebBrowser1")) return &form.WebBrowser1();
  return form.findChild<QWidget*>(QString::fromLatin1(name));
}

TEST(MainWindowLayout, ControlsStandWhereTheLayoutPutsThem) {
  MainWindowUnderTest w;
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
    QWidget* control = Control(*w.form, r.name);
    ASSERT_NE(control, nullptr) << r.name;
    EXPECT_EQ(control->geometry(), r.geometry) << r.name;
    const bool inPanel = QByteArray(r.name).startsWith("Button");
    EXPECT_EQ(control->parentWidget(), inPanel ? &w.form->Panel1() : w.form.get()) << r.name;
  }
  // The note label sits at 8,75 and sizes itself to its text.
  EXPECT_EQ(w.form->Label3().pos(), QPoint(8, 75));
  EXPECT_TRUE(w.form->Label3().text().isEmpty());
}

TEST(MainWindowLayout, CaptionsAndHints) {
  MainWindowUnderTest w;
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
    QWidget* control = Control(*w.form, r.name);
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

TEST(MainWindowLayout, FontsAndColours) {
  MainWindowUnderTest w;
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
    QWidget* control = Control(*w.form, r.name);
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

TEST(MainWindowLayout, ButtonCaptionsFitTheirSeventeenPixelButtons) {
  MainWindowUnderTest w;
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

TEST(MainWindowLayout, ListBox1RowsAreTwelvePixelsHigh) {
  MainWindowUnderTest w;
  GuideListBox& list = w.form->ListBox(1);
  list.Add("a");
  list.Add("b");
  QApplication::processEvents();
  EXPECT_EQ(list.visualRect(list.model()->index(0, 0)).height(), 12);
  EXPECT_EQ(list.visualRect(list.model()->index(1, 0)).top(), list.visualRect(list.model()->index(0, 0)).top() + 12);
}

TEST(MainWindowLayout, TabOrderFollowsTheLayout) {
  MainWindowUnderTest w;
  w.web.Widget()->setFocusPolicy(Qt::StrongFocus);  // as the real view takes focus
  TForm1& form = *w.form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QApplication::setActiveWindow(&form);
  const char* const order[] = {"ListBox1", "ListBox2", "ListBox3", "ListBox4", "Button6",     "Button5",  "Button4",
                               "Button2",  "Button1",  "Button3",  "Button7",  "WebBrowser1", "ListBox5", "ListBox1"};
  Control(form, order[0])->setFocus(Qt::OtherFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), Control(form, order[0]));
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Control(form, order[i])) << order[i - 1] << " -> " << order[i];
  }
}

TEST(MainWindowLayout, LaterControlsLieAboveEarlierOnes) {
  MainWindowUnderTest w;
  // Pairs that overlap: the second lies above the first.
  const std::pair<const char*, const char*> rows[] = {
      {"Label2", "Image1"},
      {"ListBox4", "WebBrowser1"},
      {"ListBox5", "WebBrowser1"},
  };
  const QObjectList children = w.form->children();
  for (const auto& [below, above] : rows) {
    const qsizetype lower = children.indexOf(Control(*w.form, below));
    const qsizetype upper = children.indexOf(Control(*w.form, above));
    ASSERT_GE(lower, 0) << below;
    ASSERT_GE(upper, 0) << above;
    EXPECT_LT(lower, upper) << below << " under " << above;
  }
  // What a point shows: the banner over the logo, the web view over the
  // hidden lists.
  w.form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
  EXPECT_EQ(w.form->childAt(QPoint(530, 20)), &w.form->Image1());
  EXPECT_EQ(w.form->childAt(QPoint(100, 210)), &w.form->WebBrowser1());
  EXPECT_EQ(w.form->childAt(QPoint(330, 320)), &w.form->WebBrowser1());
}

TEST(MainWindowLayout, WebViewFillsTheClientAreaBelow112AtEverySize) {
  MainWindowUnderTest w;
  w.form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
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

TEST(MainWindowLayout, CentringIsClampedAtTheScreenEdges) {
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

TEST(MainWindowLayout, FirstShowCentresOnThePrimaryScreen) {
  MainWindowUnderTest w;
  w.form->move(0, 0);
  w.form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
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

TEST(MainWindowLayout, HintsWakeAfterHalfASecondAndSleepAfterTwoAndAHalf) {
  MainWindowUnderTest w;
  w.form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
  const char* const hinted[] = {"Image1",  "ListBox1", "ListBox2", "ListBox3", "Button1", "Button2",
                                "Button3", "Button4",  "Button5",  "Button6",  "Button7"};
  for (const char* name : hinted) {
    QWidget* control = Control(*w.form, name);
    EXPECT_EQ(control->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, control), 500) << name;
  }
  QPushButton& button = w.form->Button(3);
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(&button, &help);
  ASSERT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), Qs("ガイドファイルを読込みます"));
  QTest::qWait(2000);
  EXPECT_TRUE(QToolTip::isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 2000);
}

}  // namespace
}  // namespace tavren::test
