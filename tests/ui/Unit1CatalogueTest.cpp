// The load button and the two category lists driving the catalogue through
// the main window: what the lists, the caption and the guide button show, and
// what the error box says.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "Unit1TestSupport.h"

namespace tavren::test {
namespace {

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

void ClickItem(GuideListBox& list, int row) {
  QApplication::processEvents();
  const QRect rect = list.visualRect(list.model()->index(row, 0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void TypeInto(QWidget& list, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
  QApplication::sendEvent(&list, &press);
}

struct CatalogueWindowTest : ::testing::Test {
  QTemporaryDir dir;
  MainWindowUnderTest w;
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    w.form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));
  }
  void Load(const QByteArray& path) {
    w.dialogs.WillConfirm(path);
    QTest::mouseClick(&w.form->Button(3), Qt::LeftButton);
  }
};

TEST_F(CatalogueWindowTest, LoadFillsTheFiveListsCaptionAndGuideButton) {
  Load(WriteGuide(QDir(dir.path()), QStringLiteral("onsen.lst"), kGuide));
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

TEST_F(CatalogueWindowTest, CategoryClicksFilterThePages) {
  Load(WriteGuide(QDir(dir.path()), QStringLiteral("onsen.lst"), kGuide));
  struct Row {
    int list;  // 1 major, 2 middle
    int row;
    QStringList titles;
    int majorIndex;
    int middleIndex;
  };
  const Row rows[] = {
      // A major click before any middle click filters with middle 0.
      {1, 0, {Qs("登別"), Qs("乳頭")}, 0, 0},
      {2, 1, {Qs("定山渓")}, 0, 1},
      {1, 1, {Qs("箱根")}, 1, 1},
      {2, 0, {Qs("草津")}, 1, 0},
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

TEST_F(CatalogueWindowTest, FailuresReachTheErrorBox) {
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
    MainWindowUnderTest fresh;
    QByteArray path = QFile::encodeName(QDir(dir.path()).filePath(QString::fromUtf8(r.name)));
    if (!r.lines.isEmpty()) path = WriteGuide(QDir(dir.path()), QString::fromUtf8(r.name), r.lines);
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

TEST_F(CatalogueWindowTest, CancelAfterALoadReadsTheSameFileAgain) {
  const QByteArray path = WriteGuide(QDir(dir.path()), QStringLiteral("onsen.lst"), kGuide);
  Load(path);
  // The file changes on disk; cancelling the dialog reloads it from there.
  WriteGuide(QDir(dir.path()), QStringLiteral("onsen.lst"), {Qs("*,0,九州")});
  w.dialogs.WillCancel();
  w.form->Button3Click();
  EXPECT_EQ(w.Items(1), QStringList{Qs("九州")});
  EXPECT_TRUE(w.Items(3).isEmpty());
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());
}

TEST_F(CatalogueWindowTest, BadPositionStopsTheFilterAndKeepsEarlierPages) {
  QStringList lines = kGuide;
  lines.insert(6, Qs("x,0,壊れ,http://bad/,だめ"));
  Load(WriteGuide(QDir(dir.path()), QStringLiteral("bad.lst"), lines));
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());
  ClickItem(w.form->ListBox(1), 0);
  EXPECT_EQ(w.dialogs.errorBoxes, QStringList{Qs("'x' は整数ではありません.")});
  EXPECT_EQ(w.Items(3), QStringList{Qs("登別")});
}

TEST_F(CatalogueWindowTest, TypeAheadRunsTheFilter) {
  QStringList lines = kGuide;
  lines.insert(3, Qs("*,2,Kyushu"));
  lines << Qs("2,0,別府,http://a.example/beppu,地獄めぐり");
  Load(WriteGuide(QDir(dir.path()), QStringLiteral("onsen.lst"), lines));
  GuideListBox& majors = w.form->ListBox(1);
  majors.setFocus();
  TypeInto(majors, QStringLiteral("k"));
  EXPECT_EQ(majors.ItemIndex(), 2);
  EXPECT_EQ(w.Items(3), QStringList{Qs("別府")});
  // Arrow keys are clicks too.
  QTest::keyClick(&majors, Qt::Key_Up);
  EXPECT_EQ(w.Items(3), QStringList{Qs("草津")});
}

TEST_F(CatalogueWindowTest, EmptyListSelectionWithoutAFileIsAnInOutFailure) {
  // A keyboard change on the empty major list before any file: position -1
  // and no path to read.
  w.form->ListBox1Click();
  ASSERT_EQ(w.dialogs.errorBoxes.size(), 1);
  EXPECT_TRUE(w.dialogs.errorBoxes.front().endsWith(QLatin1Char('.')) ||
              w.dialogs.errorBoxes.front().endsWith(QLatin1Char(')')));
  EXPECT_TRUE(w.Items(3).isEmpty());
}

}  // namespace
}  // namespace tavren::test
