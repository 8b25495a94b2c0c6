// The commands that end in the web view: the home page at creation, the page
// pick, the guide, guide-list and maker buttons, back and forward, and exit.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "Unit1TestSupport.h"

namespace tavren::test {
namespace {

constexpr char kRoot[] = "http://127.0.0.1:9/site/";

TEST(MainWindowBrowsing, CreationPausesThenOpensTheHomePage) {
  for (const int pauseMs : {0, 4500}) {
    std::vector<int> pausesAtNavigate;
    MainWindowUnderTest w(kRoot, pauseMs, [&](MainWindowUnderTest& t) {
      t.web.onNavigate = [&](const QString&) { pausesAtNavigate = t.clock.pauses; };
    });
    EXPECT_EQ(w.web.navigated, QStringList{QStringLiteral("http://127.0.0.1:9/site/soft/tavren/tavren.htm")});
    EXPECT_EQ(pausesAtNavigate, std::vector<int>{pauseMs});
    EXPECT_TRUE(w.dialogs.log.isEmpty());
  }
}

TEST(MainWindowBrowsing, AFailingHomePageIsShownAndTheWindowStillMade) {
  MainWindowUnderTest w(kRoot, 0, [](MainWindowUnderTest& t) { t.web.failNextNavigate = Sjis("ページを開けません"); });
  EXPECT_EQ(w.dialogs.errorBoxes, QStringList{Qs("ページを開けません.")});
  EXPECT_TRUE(w.web.navigated.isEmpty());
  w.form->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
}

TEST(MainWindowBrowsing, ButtonsNavigateToTheirAddresses) {
  struct Row {
    int button;
    QString address;
  };
  const Row rows[] = {
      {1, QString()},  // no header read yet: GuideUrl is empty
      {2, QStringLiteral("http://127.0.0.1:9/site/soft/tavren/list.htm")},
      {4, QStringLiteral("http://127.0.0.1:9/site/soft/soft.htm")},
  };
  for (const Row& r : rows) {
    MainWindowUnderTest w(kRoot);
    w.web.navigated.clear();
    QTest::mouseClick(&w.form->Button(r.button), Qt::LeftButton);
    EXPECT_EQ(w.web.navigated, QStringList{r.address}) << r.button;
    EXPECT_TRUE(w.dialogs.log.isEmpty()) << r.button;
  }
}

struct PagePickTest : ::testing::Test {
  MainWindowUnderTest w{kRoot};
  void SetUp() override {
    w.web.navigated.clear();
    w.form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
  }
  void Fill(const QStringList& titles, const QStringList& addresses, const QStringList& notes) {
    for (const QString& t : titles) w.form->ListBox(3).Add(cp932::FromUtf8(t.toStdString()));
    for (const QString& a : addresses) w.form->ListBox(4).Add(cp932::FromUtf8(a.toStdString()));
    for (const QString& n : notes) w.form->ListBox(5).Add(cp932::FromUtf8(n.toStdString()));
    QApplication::processEvents();
  }
  void Click(int row) {
    GuideListBox& titles = w.form->ListBox(3);
    QTest::mouseClick(titles.viewport(), Qt::LeftButton, Qt::NoModifier,
                      titles.visualRect(titles.model()->index(row, 0)).center());
  }
};

TEST_F(PagePickTest, NavigatesThenShowsTheNote) {
  Fill({Qs("登別"), Qs("箱根")}, {QStringLiteral("http://a.example/nobo"), Qs("http://a.example/箱根?q=湯")},
       {Qs("地獄谷"), Qs("芦ノ湖")});
  QString labelAtNavigate = QStringLiteral("unset");
  w.web.onNavigate = [&](const QString&) { labelAtNavigate = w.form->Label3().text(); };
  Click(1);
  EXPECT_EQ(w.web.navigated, QStringList{Qs("http://a.example/箱根?q=湯")});
  EXPECT_TRUE(labelAtNavigate.isEmpty());  // the note comes after the navigation
  EXPECT_EQ(w.form->Label3().text(), Qs("芦ノ湖"));
  EXPECT_EQ(w.form->Label3().pos(), QPoint(8, 75));
  EXPECT_GE(w.form->Label3().width(), w.form->Label3().fontMetrics().horizontalAdvance(Qs("芦ノ湖")));
  EXPECT_TRUE(w.dialogs.log.isEmpty());
}

TEST_F(PagePickTest, MissingItemsFailWithTheirPosition) {
  struct Row {
    QStringList addresses;
    QStringList notes;
    int pick;
    QStringList navigated;
    QString errorBox;
  };
  const Row rows[] = {
      // Address present, note missing: navigation has started, the label keeps its text.
      {{QStringLiteral("http://a/0"), QStringLiteral("http://a/1")},
       {Qs("一")},
       1,
       {QStringLiteral("http://a/1")},
       Qs("リストのインデックスが範囲を超えています (1)")},
      // Address missing: no navigation at all.
      {{QStringLiteral("http://a/0")}, {Qs("一"), Qs("二")}, 1, {}, Qs("リストのインデックスが範囲を超えています (1)")},
  };
  for (const Row& r : rows) {
    w.form->Label3().setText(Qs("前のメモ"));
    for (int n = 3; n <= 5; ++n) w.form->ListBox(n).Clear();
    w.web.navigated.clear();
    w.dialogs.errorBoxes.clear();
    Fill({Qs("零"), Qs("壱")}, r.addresses, r.notes);
    Click(r.pick);
    EXPECT_EQ(w.web.navigated, r.navigated);
    EXPECT_EQ(w.dialogs.errorBoxes, QStringList{r.errorBox});
    EXPECT_EQ(w.form->Label3().text(), Qs("前のメモ"));
  }
}

TEST_F(PagePickTest, EmptyListPicksPositionMinusOne) {
  w.form->ListBox3Click();
  EXPECT_EQ(w.dialogs.errorBoxes, QStringList{Qs("リストのインデックスが範囲を超えています (-1)")});
  EXPECT_TRUE(w.web.navigated.isEmpty());
}

TEST_F(PagePickTest, ANavigationFailureKeepsTheOldNote) {
  Fill({Qs("零")}, {QStringLiteral("http://a/0")}, {Qs("新しいメモ")});
  w.form->Label3().setText(Qs("前のメモ"));
  w.web.failNextNavigate = "Navigation failed";
  Click(0);
  EXPECT_EQ(w.dialogs.errorBoxes, QStringList{QStringLiteral("Navigation failed.")});
  EXPECT_EQ(w.form->Label3().text(), Qs("前のメモ"));
}

TEST_F(PagePickTest, ScriptAddressesFromAGuideAreRefused) {
  const QString rows[] = {QStringLiteral("javascript:alert(1)"), QStringLiteral("  JavaScript:void(0)"),
                          QStringLiteral("\tjava\nscript:x")};
  for (const QString& address : rows) {
    for (int n = 3; n <= 5; ++n) w.form->ListBox(n).Clear();
    w.dialogs.errorBoxes.clear();
    w.form->Label3().setText(Qs("前のメモ"));
    Fill({Qs("罠")}, {address}, {Qs("危険")});
    Click(0);
    EXPECT_TRUE(w.web.navigated.isEmpty()) << address.toStdString();
    ASSERT_EQ(w.dialogs.errorBoxes.size(), 1) << address.toStdString();
    EXPECT_EQ(w.form->Label3().text(), Qs("前のメモ"));
  }
}

TEST(MainWindowBrowsing, BackAndForwardFailuresSayThereIsNoPage) {
  struct Row {
    QStringList history;
    int current;
    int button;  // 5 back, 6 forward
    QStringList messages;
    QString pageAfter;
  };
  const Row rows[] = {
      {{QStringLiteral("home")}, 0, 5, {Qs("ページがありません")}, QStringLiteral("home")},
      {{QStringLiteral("home")}, 0, 6, {Qs("ページがありません")}, QStringLiteral("home")},
      {{QStringLiteral("a"), QStringLiteral("b")}, 1, 5, {}, QStringLiteral("a")},
      {{QStringLiteral("a"), QStringLiteral("b")}, 0, 6, {}, QStringLiteral("b")},
      {{}, -1, 5, {Qs("ページがありません")}, QString()},
  };
  for (const Row& r : rows) {
    MainWindowUnderTest w(kRoot);
    w.web.SetHistory(r.history, r.current);
    QTest::mouseClick(&w.form->Button(r.button), Qt::LeftButton);
    EXPECT_EQ(w.dialogs.messages, r.messages);
    EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());
    EXPECT_EQ(w.web.CurrentPage(), r.pageAfter);
  }
}

TEST(MainWindowBrowsing, ExitClosesTheWindow) {
  struct Row {
    bool byButton;
  };
  const Row rows[] = {{true}, {false}};
  for (const Row& r : rows) {
    MainWindowUnderTest w(kRoot);
    w.form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
    if (r.byButton) {
      QTest::mouseClick(&w.form->Button(7), Qt::LeftButton);
    } else {
      w.form->close();  // the close box
    }
    EXPECT_FALSE(w.form->isVisible());
    EXPECT_TRUE(w.dialogs.log.isEmpty());
  }
}

}  // namespace
}  // namespace tavren::test
