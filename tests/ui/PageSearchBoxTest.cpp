// The page search box in the main window on its in-memory twins: where it
// is, when it can be used, its keys, its drop-down, and a page opened from
// it compared with the same page reached by clicks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "FakeTicker.h"
#include "FakeWebView.h"
#include "MemoryBannerFile.h"
#include "MemorySite.h"
#include "Unit1TestSupport.h"
#include "base/QtText.h"
#include "ui/GuideListBox.h"
#include "ui/PageSearchBox.h"
#include "ui/SearchDropDown.h"
#include "ui/Unit1.h"

namespace tavren::test {
namespace {

const QStringList kGuide = {
    Qs("/,温泉,さくら,http://example.jp/sakura/"),
    Qs("*,0,東北"),
    Qs("*,1,関東"),
    Qs("+,0,秘湯"),
    Qs("+,1,日帰り"),
    Qs("0,0,乳頭温泉,http://nyuto/,白い湯"),
    Qs("1,1,箱根湯本,http://hakone/,ﾗｰﾒﾝもある"),
    Qs("1,1,草津温泉,http://kusatsu/,湯畑"),
    Qs("9,0,迷子の宿,http://stray/,分類なし"),
};

struct Window {
  FakeWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  MemorySite site;
  std::unique_ptr<TForm1> form;
  Window() {
    form = std::make_unique<TForm1>(TForm1Parts{.webView = web,
                                                .dialogs = dialogs,
                                                .clock = clock,
                                                .siteRoot = MemorySite::Root(),
                                                .startupPauseMs = 0,
                                                .connector = site.NewConnector(),
                                                .bannerTimer = std::make_unique<FakeTicker>(),
                                                .bannerFile = std::make_unique<MemoryBannerFile>()});
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->activateWindow();
  }
  PageSearchBox& Box() const { return form->SearchBox(); }
  SearchDropDown& DropDown() const { return Box().DropDown(); }
  // What a reader sees of the window: every list with its selection, the
  // caption, the guide button, the note label and the last address asked for.
  QStringList State() const {
    QStringList state{form->windowTitle(), form->Button(1).text(), form->Label3().text(),
                      web.navigated.isEmpty() ? QString() : web.navigated.back()};
    for (int n = 1; n <= 5; ++n) {
      GuideListBox& list = form->ListBox(n);
      QStringList items;
      for (int i = 0; i < list.Count(); ++i) items << cp932::ToQString(list.Item(i));
      state << items.join(QLatin1Char('|')) + QStringLiteral(" @") + QString::number(list.ItemIndex());
    }
    return state;
  }
};

void ClickRow(GuideListBox& list, int row) {
  QApplication::processEvents();
  const QRect rect = list.visualRect(list.model()->index(row, 0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

class PageSearchBoxTest : public ::testing::Test {
 protected:
  void Load(Window& w, const QStringList& lines = kGuide) {
    const QByteArray path = WriteGuide(QDir(dir.path()), QStringLiteral("g.lst"), lines);
    w.dialogs.WillConfirm(path);
    QTest::mouseClick(&w.form->Button(3), Qt::LeftButton);
  }
  // Ctrl+K, then `text` one character at a time, as an input method
  // commits Japanese text.
  static void Type(Window& w, const QString& text) {
    QTest::keyClick(w.form.get(), Qt::Key_K, Qt::ControlModifier);
    Commit(w, text);
  }
  static void Commit(Window& w, const QString& text) {
    for (QChar c : text) {
      QInputMethodEvent event;
      event.setCommitString(QString(c));
      QApplication::sendEvent(&w.Box(), &event);
    }
  }
  QTemporaryDir dir;
};

TEST_F(PageSearchBoxTest, SitsUnderTheNoteLabelAfterThePageTitlesInTabOrder) {
  Window w;
  EXPECT_EQ(w.Box().geometry(), QRect(8, 93, 232, 18));
  EXPECT_EQ(w.Box().placeholderText(), Qs("ページを検索 (Ctrl+K)"));
  EXPECT_EQ(w.Box().accessibleName(), Qs("ページを検索"));
  EXPECT_EQ(w.DropDown().List().accessibleName(), Qs("検索結果"));
  w.form->ListBox(3).setFocus();
  QTest::keyClick(&w.form->ListBox(3), Qt::Key_Tab);
  EXPECT_TRUE(w.form->ListBox(4).hasFocus());  // disabled until a guide is loaded
  EXPECT_FALSE(w.Box().isEnabled());
  Load(w);
  EXPECT_TRUE(w.Box().isEnabled());
  w.form->ListBox(3).setFocus();
  QTest::keyClick(&w.form->ListBox(3), Qt::Key_Tab);
  EXPECT_TRUE(w.Box().hasFocus());
  QTest::keyClick(&w.Box(), Qt::Key_Tab);
  EXPECT_TRUE(w.form->ListBox(4).hasFocus());
  // Every load clears it, a cancelled dialog's re-read included.
  Type(w, Qs("温泉"));
  EXPECT_TRUE(w.DropDown().isVisible());
  w.dialogs.WillCancel();
  QTest::mouseClick(&w.form->Button(3), Qt::LeftButton);
  EXPECT_EQ(w.Box().text(), QString());
  EXPECT_FALSE(w.DropDown().isVisible());
  EXPECT_TRUE(w.Box().isEnabled());
}

TEST_F(PageSearchBoxTest, ShowsTheCountAndRowsAsTheReaderTypes) {
  Window w;
  Load(w);
  Type(w, Qs("おんせん"));
  EXPECT_EQ(w.DropDown().Count().text(), Qs("見つかりません"));
  EXPECT_FALSE(w.DropDown().List().isVisible());
  QTest::keyClick(&w.Box(), Qt::Key_Return);
  EXPECT_TRUE(w.web.navigated.isEmpty() || w.web.navigated.back() != Qs("http://nyuto/"));
  w.Box().clear();
  Commit(w, Qs("温泉"));
  EXPECT_EQ(w.DropDown().Count().text(), Qs("2 件"));
  const QAbstractItemModel& rows = *w.DropDown().List().model();
  ASSERT_EQ(rows.rowCount(), 2);
  EXPECT_EQ(rows.index(0, 0).data().toString(), Qs("乳頭温泉　東北 › 秘湯"));
  EXPECT_EQ(w.DropDown().CurrentPage(), 0);
  QTest::keyClick(&w.Box(), Qt::Key_Down);
  EXPECT_EQ(w.DropDown().CurrentPage(), 2);
  QTest::keyClick(&w.Box(), Qt::Key_Down);
  EXPECT_EQ(w.DropDown().CurrentPage(), 2);
  EXPECT_TRUE(w.Box().hasFocus());
  w.Box().setText(Qs("迷子"));
  EXPECT_EQ(rows.index(0, 0).data().toString(), Qs("迷子の宿　— › 秘湯"));
  EXPECT_EQ(SearchDropDown::CountText(1234567), Qs("1,234,567 件"));
}

TEST_F(PageSearchBoxTest, EnterOpensThePageAsTheClicksDo) {
  Window byClicks;
  Load(byClicks);
  ClickRow(byClicks.form->ListBox(1), 1);
  ClickRow(byClicks.form->ListBox(2), 1);
  ClickRow(byClicks.form->ListBox(3), 1);

  Window bySearch;
  Load(bySearch);
  Type(bySearch, Qs("草津 湯畑"));
  QTest::keyClick(&bySearch.Box(), Qt::Key_Return);
  EXPECT_EQ(bySearch.State(), byClicks.State());
  EXPECT_EQ(bySearch.web.navigated.back(), Qs("http://kusatsu/"));
  EXPECT_FALSE(bySearch.DropDown().isVisible());

  // A page whose positions name no category opens without the lists.
  Type(bySearch, Qs("迷子"));
  QTest::keyClick(&bySearch.Box(), Qt::Key_Return);
  EXPECT_EQ(bySearch.web.navigated.back(), Qs("http://stray/"));
  EXPECT_EQ(bySearch.form->Label3().text(), Qs("分類なし"));
  EXPECT_EQ(bySearch.form->ListBox(3).Count(), 2);
}

TEST_F(PageSearchBoxTest, AGuideChangedOnDiskIsToldAndNothingOpens) {
  Window w;
  Load(w);
  WriteGuide(QDir(dir.path()), QStringLiteral("g.lst"), {Qs("*,0,a"), Qs("+,0,b"), Qs("1,1,別,http://other/,x")});
  const qsizetype before = w.web.navigated.size();
  Type(w, Qs("草津"));
  QTest::keyClick(&w.Box(), Qt::Key_Return);
  EXPECT_EQ(w.dialogs.messages, QStringList{Qs("ページが見つかりません。ガイドファイルが変更されています。")});
  EXPECT_EQ(w.web.navigated.size(), before);
  EXPECT_EQ(w.form->ListBox(3).Count(), 1);
}

// The key table's two rows: Ctrl+K (page first) and F6.
TEST_F(PageSearchBoxTest, CtrlKComesToTheBoxUnlessThePageTakesIt) {
  Window w;
  Load(w);
  // A page that takes Ctrl+K for itself, as a web editor does.
  struct Page : QWidget {
    bool takes = true;
    using QWidget::QWidget;
    void keyPressEvent(QKeyEvent* event) override {
      if (takes)
        event->accept();
      else
        event->ignore();
    }
  };
  auto* page = new Page(&w.form->WebBrowser1());
  page->setFocusPolicy(Qt::StrongFocus);
  page->show();
  page->setFocus();
  ASSERT_TRUE(page->hasFocus());
  QTest::keyClick(page, Qt::Key_K, Qt::ControlModifier);
  EXPECT_FALSE(w.Box().hasFocus());
  page->takes = false;
  QTest::keyClick(page, Qt::Key_K, Qt::ControlModifier);
  EXPECT_TRUE(w.Box().hasFocus());
  // Esc closes the list, a second Esc goes back to where Ctrl+K came from.
  Commit(w, Qs("湯"));
  QTest::keyClick(&w.Box(), Qt::Key_Escape);
  EXPECT_FALSE(w.DropDown().isVisible());
  EXPECT_TRUE(w.Box().hasFocus());
  QTest::keyClick(&w.Box(), Qt::Key_Escape);
  EXPECT_TRUE(page->hasFocus());
  // From a list, and again in the box, where it keeps the text.
  w.form->ListBox(1).setFocus();
  QTest::keyClick(&w.form->ListBox(1), Qt::Key_K, Qt::ControlModifier);
  EXPECT_TRUE(w.Box().hasFocus());
  QTest::keyClick(&w.Box(), Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(w.Box().text(), Qs("湯"));
  EXPECT_EQ(w.Box().selectedText(), Qs("湯"));
}

TEST_F(PageSearchBoxTest, F6GoesRoundPageTitlesSearchAndPage) {
  Window w;
  Load(w);
  QWidget& view = w.form->WebBrowser1();
  view.setFocusPolicy(Qt::StrongFocus);
  w.form->ListBox(3).setFocus();
  QTest::keyClick(&w.form->ListBox(3), Qt::Key_F6);
  EXPECT_TRUE(w.Box().hasFocus());
  QTest::keyClick(&w.Box(), Qt::Key_F6);
  EXPECT_TRUE(view.hasFocus());
  QTest::keyClick(&view, Qt::Key_F6);
  EXPECT_TRUE(w.form->ListBox(3).hasFocus());
}

}  // namespace
}  // namespace tavren::test
