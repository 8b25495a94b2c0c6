#include "ui/GuideListBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include "Sjis.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/CodePage.h"
#include "base/Failure.h"
#include "ui/Fonts.h"

namespace tavren {
namespace {

using test::Sjis;

void Fill(GuideListBox& list, const std::vector<std::string>& items) {
  for (const std::string& item : items) list.Add(item);
}

void Type(GuideListBox& list, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
  QApplication::sendEvent(&list, &press);
}

void Press(GuideListBox& list, Qt::Key key) { QTest::keyClick(&list, key); }

// A list on screen (offscreen platform), sized like the window's page list.
struct ShownList {
  GuideListBox list;
  ShownList() {
    list.setFont(WindowsFont(PGothicFamily(), 12));
    list.resize(249, 73);
    list.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
  }
};

TEST(GuideListBox, KeepsItemsAsAddedUntilCleared) {
  struct Row {
    std::vector<std::string> items;
  };
  const Row rows[] = {
      {{}},
      {{"b", "a", "c"}},  // never sorted
      {{"", "x", ""}},
      {{Sjis("ガイド"), std::string("a\0b", 3), "\x83"}},  // bytes kept, even a lone lead byte
  };
  for (const Row& r : rows) {
    GuideListBox list;
    Fill(list, r.items);
    ASSERT_EQ(list.Count(), static_cast<int>(r.items.size()));
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Item(i), r.items[static_cast<std::size_t>(i)]);
    QApplication::processEvents();
    EXPECT_EQ(list.model()->rowCount(), list.Count());
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.model()->rowCount(), 0);
    EXPECT_EQ(list.ItemIndex(), -1);
  }
}

TEST(GuideListBox, ItemOutOfRangeThrowsWithPosition) {
  struct Row {
    int count;
    int index;
    const char* message;
  };
  const Row rows[] = {
      {0, 0, "リストのインデックスが範囲を超えています (0)"},
      {3, 3, "リストのインデックスが範囲を超えています (3)"},
      {3, -1, "リストのインデックスが範囲を超えています (-1)"},
      {2, 100000, "リストのインデックスが範囲を超えています (100000)"},
  };
  for (const Row& r : rows) {
    GuideListBox list;
    for (int i = 0; i < r.count; ++i) list.Add("item");
    try {
      (void)list.Item(r.index);
      ADD_FAILURE() << "no failure for " << r.index;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Index(), r.index);
      EXPECT_EQ(e.Message(), Sjis(r.message));
    }
  }
}

TEST(GuideListBox, DisplaysItemsDecoded) {
  GuideListBox list;
  Fill(list, {Sjis("大分類"), "abc", "\x83"});
  QApplication::processEvents();
  const QAbstractItemModel* m = list.model();
  EXPECT_EQ(m->index(0, 0).data().toString(), QString::fromUtf8("大分類"));
  EXPECT_EQ(m->index(1, 0).data().toString(), QStringLiteral("abc"));
  EXPECT_EQ(m->index(2, 0).data().toString(), QString(QChar(0xFFFD)));
}

TEST(GuideListBox, ChangesByTheProgramRaiseNoClick) {
  struct Row {
    const char* what;
    void (*act)(GuideListBox&);
    int index;
  };
  const Row rows[] = {
      {"add", [](GuideListBox& l) { l.Add("d"); }, -1},
      {"select", [](GuideListBox& l) { l.SetItemIndex(2); }, 2},
      {"select, then select none", [](GuideListBox& l) { l.SetItemIndex(1), l.SetItemIndex(-1); }, -1},
      {"select past the end", [](GuideListBox& l) { l.SetItemIndex(3); }, -1},
      {"select, then clear", [](GuideListBox& l) { l.SetItemIndex(1), l.Clear(); }, -1},
      {"select, then add", [](GuideListBox& l) { l.SetItemIndex(1), l.Add("e"); }, 1},
      {"item height", [](GuideListBox& l) { l.SetItemHeight(12); }, -1},
  };
  for (const Row& r : rows) {
    ShownList shown;
    Fill(shown.list, {"a", "b", "c"});
    QSignalSpy clicks(&shown.list, &GuideListBox::Clicked);
    r.act(shown.list);
    QApplication::processEvents();
    EXPECT_EQ(clicks.count(), 0) << r.what;
    EXPECT_EQ(shown.list.ItemIndex(), r.index) << r.what;
  }
}

TEST(GuideListBox, SelectsAnItemAddedJustBefore) {
  // The load command adds and may select before the event loop runs again.
  GuideListBox list;
  for (int i = 0; i < 10; ++i) list.Add(std::to_string(i));
  list.SetItemIndex(9);
  EXPECT_EQ(list.ItemIndex(), 9);
}

TEST(GuideListBox, MousePressOnItemRaisesClick) {
  struct Row {
    const char* what;
    std::vector<int> pressedRows;  // -1: below the last item
    int clicks;
    int index;
    Qt::MouseButton button = Qt::LeftButton;
  };
  const Row rows[] = {
      {"first item", {0}, 1, 0},
      {"last item", {2}, 1, 2},
      {"the selected item again is a click too", {1, 1}, 2, 1},
      {"below the items", {-1}, 0, -1},
      {"below the items keeps the selection", {1, -1}, 1, 1},
      {"right button", {2}, 0, -1, Qt::RightButton},
      {"middle button", {0}, 0, -1, Qt::MiddleButton},
  };
  for (const Row& r : rows) {
    ShownList shown;
    Fill(shown.list, {"a", "b", "c"});
    QApplication::processEvents();
    QSignalSpy clicks(&shown.list, &GuideListBox::Clicked);
    for (int row : r.pressedRows) {
      const QRect last = shown.list.visualRect(shown.list.model()->index(2, 0));
      const QPoint at = row >= 0 ? shown.list.visualRect(shown.list.model()->index(row, 0)).center()
                                 : QPoint(last.center().x(), last.bottom() + 8);
      QTest::mouseClick(shown.list.viewport(), r.button, Qt::NoModifier, at);
    }
    EXPECT_EQ(clicks.count(), r.clicks) << r.what;
    EXPECT_EQ(shown.list.ItemIndex(), r.index) << r.what;
  }
}

TEST(GuideListBox, DraggingClicksForEachItemEntered) {
  struct Row {
    const char* what;
    std::vector<int> path;  // pressed on the first, moved over the others with the button held
    int clicks;
    int index;
  };
  const Row rows[] = {
      {"down two items", {0, 1, 2}, 3, 2},
      {"back up", {2, 0}, 2, 0},
      {"within one item", {1, 1, 1}, 1, 1},
  };
  for (const Row& r : rows) {
    ShownList shown;
    Fill(shown.list, {"a", "b", "c"});
    QApplication::processEvents();
    QWidget* viewport = shown.list.viewport();
    QSignalSpy clicks(&shown.list, &GuideListBox::Clicked);
    auto at = [&](int row) { return shown.list.visualRect(shown.list.model()->index(row, 0)).center(); };
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, at(r.path.front()));
    for (std::size_t k = 1; k < r.path.size(); ++k) {
      const QPointF p = at(r.path[k]);
      QMouseEvent move(QEvent::MouseMove, p, viewport->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at(r.path.back()));
    EXPECT_EQ(clicks.count(), r.clicks) << r.what;
    EXPECT_EQ(shown.list.ItemIndex(), r.index) << r.what;
  }
}

TEST(GuideListBox, NavigationKeysRaiseClickWhenSelectionMoves) {
  struct Row {
    const char* what;
    int items;
    int start;
    Qt::Key key;
    int index;  // -2: somewhere past the second item
    int clicks;
  };
  const Row rows[] = {
      {"down", 3, 0, Qt::Key_Down, 1, 1},
      {"up", 3, 1, Qt::Key_Up, 0, 1},
      {"end", 3, 0, Qt::Key_End, 2, 1},
      {"home", 3, 2, Qt::Key_Home, 0, 1},
      {"page down", 20, 0, Qt::Key_PageDown, -2, 1},
      {"down at the end: nothing moves", 3, 2, Qt::Key_Down, 2, 0},
      {"up at the top: nothing moves", 3, 0, Qt::Key_Up, 0, 0},
      {"down with nothing selected: first item", 3, -1, Qt::Key_Down, 0, 1},
      {"end with nothing selected: last item", 3, -1, Qt::Key_End, 2, 1},
      {"home with nothing selected: first item", 3, -1, Qt::Key_Home, 0, 1},
      {"down in an empty list: a change to -1", 0, -1, Qt::Key_Down, -1, 1},
      {"up in an empty list: a change to -1", 0, -1, Qt::Key_Up, -1, 1},
  };
  for (const Row& r : rows) {
    ShownList shown;
    for (int i = 0; i < r.items; ++i) shown.list.Add(std::to_string(i));
    shown.list.SetItemIndex(r.start);
    QSignalSpy clicks(&shown.list, &GuideListBox::Clicked);
    Press(shown.list, r.key);
    EXPECT_EQ(clicks.count(), r.clicks) << r.what;
    if (r.index == -2) {
      EXPECT_GT(shown.list.ItemIndex(), 1);  // a page down, however tall the page
    } else {
      EXPECT_EQ(shown.list.ItemIndex(), r.index) << r.what;
    }
  }
}

TEST(GuideListBox, FocusSelectsNothing) {
  struct Row {
    Qt::FocusReason reason;
    int start;
  };
  const Row rows[] = {{Qt::TabFocusReason, -1}, {Qt::OtherFocusReason, -1}, {Qt::TabFocusReason, 1}};
  for (const Row& r : rows) {
    ShownList shown;
    Fill(shown.list, {"a", "b", "c"});
    shown.list.SetItemIndex(r.start);
    QSignalSpy clicks(&shown.list, &GuideListBox::Clicked);
    QFocusEvent focus(QEvent::FocusIn, r.reason);
    QApplication::sendEvent(&shown.list, &focus);
    EXPECT_EQ(shown.list.ItemIndex(), r.start) << r.reason;
    EXPECT_EQ(clicks.count(), 0) << r.reason;
    Press(shown.list, Qt::Key_Down);  // from none, the first item; else the next
    EXPECT_EQ(shown.list.ItemIndex(), r.start + 1) << r.reason;
    EXPECT_EQ(clicks.count(), 1) << r.reason;
  }
}

struct Key {
  const char* utf8;  // typed text; nullptr: Backspace
  qint64 atMs;
};

struct TypeRow {
  const char* what;
  std::vector<const char*> items;  // UTF-8, stored as CP932
  int start;
  std::vector<Key> keys;
  int index;
  int clicks;
};

// Types r.keys into a list of r.items, each key at its time, and checks the
// selection and the number of clicks.
void CheckTyping(const TypeRow& r) {
  GuideListBox list;
  for (const char* item : r.items) list.Add(Sjis(item));
  list.SetItemIndex(r.start);
  qint64 now = 0;
  list.SetTimeSource([&now] { return now; });
  QSignalSpy clicks(&list, &GuideListBox::Clicked);
  for (const Key& k : r.keys) {
    now = 1000000 + k.atMs;
    if (k.utf8 == nullptr) {
      Press(list, Qt::Key_Backspace);
    } else {
      Type(list, QString::fromUtf8(k.utf8));
    }
  }
  EXPECT_EQ(list.ItemIndex(), r.index) << r.what;
  EXPECT_EQ(clicks.count(), r.clicks) << r.what;
}

TEST(GuideListBox, TypeAheadSelectsFirstItemWithPrefix) {
  const std::vector<const char*> fruit = {"apple", "Banana", "blueberry", "bluebell", "cherry"};
  const TypeRow rows[] = {
      {"one letter from position 0", fruit, 4, {{"b", 0}}, 1, 1},
      {"prefix grows within 500 ms",
       fruit,
       -1,
       {{"b", 0}, {"l", 100}, {"u", 200}, {"e", 300}, {"b", 400}, {"e", 500}, {"l", 1000}},
       3,
       7},
      {"a pause over 500 ms starts anew", fruit, -1, {{"b", 0}, {"c", 501}}, 4, 2},
      {"a pause of exactly 500 ms does not", fruit, -1, {{"b", 0}, {"l", 500}}, 2, 2},
      {"letters compared without case", fruit, -1, {{"B", 0}, {"L", 10}, {"U", 20}}, 2, 3},
      {"upper-case item found by lower-case keys", fruit, -1, {{"ban", 0}}, 1, 1},
      {"already selected: clicked again", fruit, 1, {{"b", 0}}, 1, 1},
      {"the same letter after a pause: clicked again", fruit, -1, {{"c", 0}, {"c", 900}}, 4, 2},
      {"no match: nothing changes", fruit, 2, {{"z", 0}}, 2, 0},
      {"no match after a match: selection stays", fruit, -1, {{"a", 0}, {"x", 10}}, 0, 1},
      {"no match on an empty list", {}, -1, {{"a", 0}}, -1, 0},
      {"space is a character", {"a b", "a c"}, -1, {{"a", 0}, {" ", 10}, {"c", 20}}, 1, 3},
  };
  for (const TypeRow& r : rows) CheckTyping(r);
}

TEST(GuideListBox, TypeAheadComparesTwoByteCharactersWhole) {
  const TypeRow rows[] = {
      {"kana prefix", {"abc", "ガイド", "ガイア"}, -1, {{"ガ", 0}, {"イ", 10}, {"ア", 20}}, 2, 3},
      {"input method commits several characters", {"ガイド", "ガイア"}, -1, {{"ガイア", 0}}, 1, 1},
      // ヂ is 83 61 and ア is 83 41: a folded trail byte would find ヂ first.
      {"trail byte never folded", {"ヂ", "ア"}, -1, {{"ア", 0}}, 1, 1},
      {"full-width letters not folded", {"ａｂｃ", "ＡＢＣ"}, -1, {{"Ａ", 0}}, 1, 1},
      {"half-width kana are one byte", {"ｱｲ", "ｱｳ"}, -1, {{"ｱ", 0}, {"ｳ", 10}}, 1, 2},
      {"a letter does not match a kana whose trail byte is that letter", {"ア", "a"}, -1, {{"a", 0}}, 1, 1},
  };
  for (const TypeRow& r : rows) CheckTyping(r);
}

TEST(GuideListBox, BackspaceShortensPrefix) {
  const std::vector<const char*> items = {"zeta", "ab", "abc", "ガイド", "ガイア"};
  const TypeRow rows[] = {
      {"to empty: first item", items, -1, {{"a", 0}, {nullptr, 10}}, 0, 2},
      {"on an empty prefix: first item", items, 2, {{nullptr, 0}}, 0, 1},
      {"on an empty list: position -1 and a click", {}, -1, {{nullptr, 0}}, -1, 1},
      {"not empty yet: selection stays", items, -1, {{"abc", 0}, {nullptr, 10}}, 2, 1},
      {"then typing goes on from the shorter prefix", items, -1, {{"abz", 0}, {nullptr, 10}, {"c", 20}}, 2, 1},
      {"a two-byte character removed whole", items, -1, {{"ガイド", 0}, {nullptr, 10}, {"ア", 20}}, 4, 2},
      {"two backspaces after two kana: first item",
       items,
       -1,
       {{"ガ", 0}, {"イ", 10}, {nullptr, 20}, {nullptr, 30}},
       0,
       3},
  };
  for (const TypeRow& r : rows) CheckTyping(r);
}

TEST(GuideListBox, InputMethodCommitIsTyped) {
  GuideListBox list;
  Fill(list, {Sjis("中分類"), Sjis("大分類")});
  QSignalSpy clicks(&list, &GuideListBox::Clicked);
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf8("大"));
  QApplication::sendEvent(&list, &commit);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(clicks.count(), 1);
}

TEST(GuideListBox, ShortcutsAreNotTyped) {
  GuideListBox list;
  Fill(list, {"x", "a"});
  QSignalSpy clicks(&list, &GuideListBox::Clicked);
  QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&list, Qt::Key_Tab);
  QTest::keyClick(&list, Qt::Key_Escape);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(GuideListBox, HorizontalScrollBarFollowsLongestItem) {
  struct Row {
    std::vector<std::string> items;
    std::vector<std::string> addedAfterPaint;
    bool scrolls;
  };
  const std::string longItem(200, 'W');
  const Row rows[] = {
      {{"a", "b"}, {}, false},     {{"a", longItem}, {}, true},
      {{longItem, "a"}, {}, true}, {{"a", Sjis("ガイド").append(std::string(200, 'x'))}, {}, true},
      {{"a"}, {longItem}, true},   {{longItem}, {"a"}, true},
  };
  for (const Row& r : rows) {
    ShownList shown;
    Fill(shown.list, r.items);
    QApplication::processEvents();
    shown.list.grab();
    Fill(shown.list, r.addedAfterPaint);
    QApplication::processEvents();
    shown.list.grab();
    EXPECT_EQ(shown.list.horizontalScrollBar()->maximum() > 0, r.scrolls) << r.items.back();
    if (r.scrolls) {
      // Scrolled fully right, the longest item's end is in view, with little to spare.
      int longest = 0;
      for (int i = 0; i < shown.list.Count(); ++i) {
        const QString text = shown.list.model()->index(i, 0).data().toString();
        longest = std::max(longest, shown.list.fontMetrics().horizontalAdvance(text));
      }
      const int reach = shown.list.horizontalScrollBar()->maximum() + shown.list.viewport()->width();
      EXPECT_GE(reach, longest);
      EXPECT_LE(reach, longest + 40);
    }
  }
  // Clearing forgets the widest item.
  ShownList shown;
  Fill(shown.list, {longItem});
  QApplication::processEvents();
  shown.list.Clear();
  Fill(shown.list, {"a"});
  QApplication::processEvents();
  shown.list.grab();
  EXPECT_EQ(shown.list.horizontalScrollBar()->maximum(), 0);
}

TEST(GuideListBox, KeepsTheFontTheWindowSets) {
  ShownList shown;
  const QFont font = WindowsFont(PGothicFamily(), 12);
  shown.list.setFont(font);
  shown.list.SetItemHeight(12);
  Fill(shown.list, {Sjis("大分類"), "b"});
  QApplication::processEvents();
  EXPECT_EQ(shown.list.font(), font);
  EXPECT_EQ(shown.list.visualRect(shown.list.model()->index(1, 0)).height(), 12);
}

TEST(GuideListBox, FollowsAFontSetAfterTheItems) {
  struct Row {
    int px;
    int itemHeight;  // 0: none set
    bool scrolls;
    int rowHeight;  // 0: the font's line height
  };
  const Row rows[] = {{12, 0, false, 0}, {48, 0, true, 0}, {48, 12, true, 12}};
  for (const Row& r : rows) {
    ShownList shown;
    shown.list.SetItemHeight(r.itemHeight);
    Fill(shown.list, {std::string(16, 'a'), "b"});
    QApplication::processEvents();
    shown.list.setFont(WindowsFont(PGothicFamily(), r.px));
    QApplication::processEvents();
    shown.list.grab();
    EXPECT_EQ(shown.list.horizontalScrollBar()->maximum() > 0, r.scrolls) << r.px;
    const int expected = r.rowHeight > 0 ? r.rowHeight : shown.list.fontMetrics().height();
    EXPECT_EQ(shown.list.visualRect(shown.list.model()->index(1, 0)).height(), expected) << r.px;
  }
}

// Records the tooltip requests that reach a widget.
class ToolTipRecorder : public QObject {
 public:
  int requests = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ToolTip) ++requests;
    return false;
  }
};

TEST(GuideListBox, TooltipRequestsOverItemsReachTheList) {
  struct Row {
    const char* what;
    int row;  // -1: below the items
  };
  const Row rows[] = {{"over an item", 0}, {"over the selected item", 1}, {"below the items", -1}};
  for (const Row& r : rows) {
    ShownList shown;
    shown.list.setToolTip(QString::fromUtf8("大分類"));
    Fill(shown.list, {"a", "b"});
    shown.list.SetItemIndex(1);
    QApplication::processEvents();
    ToolTipRecorder recorder;
    shown.list.installEventFilter(&recorder);
    const QRect last = shown.list.visualRect(shown.list.model()->index(1, 0));
    const QPoint at = r.row >= 0 ? shown.list.visualRect(shown.list.model()->index(r.row, 0)).center()
                                 : QPoint(last.center().x(), last.bottom() + 8);
    QHelpEvent help(QEvent::ToolTip, at, shown.list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(shown.list.viewport(), &help);
    EXPECT_EQ(recorder.requests, 1) << r.what;
  }
}

TEST(GuideListBox, HoldsOneHundredThousandItems) {
  ShownList shown;
  const int n = 100000;
  for (int i = 0; i < n; ++i) shown.list.Add(Sjis("ページ") + std::to_string(i));
  EXPECT_EQ(shown.list.Count(), n);
  EXPECT_EQ(shown.list.Item(n - 1), Sjis("ページ99999"));
  QApplication::processEvents();
  EXPECT_EQ(shown.list.model()->rowCount(), n);
  QSignalSpy clicks(&shown.list, &GuideListBox::Clicked);
  Press(shown.list, Qt::Key_End);
  EXPECT_EQ(shown.list.ItemIndex(), n - 1);
  Type(shown.list, QStringLiteral("x"));  // searches all rows, finds none
  EXPECT_EQ(shown.list.ItemIndex(), n - 1);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(shown.list.model()->index(n - 1, 0).data().toString(), QString::fromUtf8("ページ99999"));
}

}  // namespace
}  // namespace tavren
