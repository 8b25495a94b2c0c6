// Drops on the main window, as synthetic drag events: a guide file loads as
// the load command would, everything else is refused and loads nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "Unit1TestSupport.h"
#include "ui/GuideDropFilter.h"

namespace tavren::test {
namespace {

QUrl File(const QString& path) { return QUrl::fromLocalFile(path); }

TEST(GuideDropFilterTest, OnlyOneLocalGuideFileIsAGuide) {
  struct Row {
    const char* what;
    QList<QUrl> urls;
    std::optional<std::string> guide;
  };
  const Row rows[] = {
      {"a .lst file", {File(Qs("/tmp/温泉.lst"))}, "/tmp/温泉.lst"},
      {"a .CSV file", {File(QStringLiteral("/tmp/GUIDE.CSV"))}, "/tmp/GUIDE.CSV"},
      {"a page", {File(QStringLiteral("/tmp/page.html"))}, std::nullopt},
      {"two guides", {File(QStringLiteral("/tmp/a.lst")), File(QStringLiteral("/tmp/b.lst"))}, std::nullopt},
      {"a web address", {QUrl(QStringLiteral("http://example.jp/a.lst"))}, std::nullopt},
      {"no address", {}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    QMimeData data;
    data.setUrls(row.urls);
    EXPECT_EQ(DroppedGuideFile(&data), row.guide);
  }
}

// Takes every drop offered, as the web engine's drop target does (which then
// opens the file as a page).
class DropTakingWidget : public QWidget {
 public:
  explicit DropTakingWidget(QWidget* parent) : QWidget(parent) { setAcceptDrops(true); }
  int drops = 0;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
  void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override {
    ++drops;
    event->acceptProposedAction();
  }
};

// Drags `url` over `target` and drops it there, offering `actions`. Returns
// whether the drop was accepted, and the action it was accepted as.
std::pair<bool, Qt::DropAction> DragAndDrop(QWidget& target, const QUrl& url, Qt::DropActions actions) {
  QMimeData data;
  data.setUrls({url});
  const QPoint at = target.rect().center();
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &move);
  QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  return {enter.isAccepted() && drop.isAccepted(), drop.dropAction()};
}

TEST(GuideDropFilterTest, ADroppedGuideLoadsAndAnythingElseIsRefused) {
  QTemporaryDir dir;
  const QString guide = QString::fromLocal8Bit(WriteGuide(QDir(dir.path()), QStringLiteral("onsen.lst"),
                                                          {Qs("/,温泉,さくら,http://guide.example/"), Qs("*,0,北海道"),
                                                           Qs("+,0,名湯"), Qs("0,0,登別,http://a.example/,地獄谷")}));
  enum Target { kWindow, kLaterChildOfWebView, kList };
  struct Row {
    const char* what;
    Target target;
    QString path;
    Qt::DropActions actions;
    bool accepted;
    QStringList titles;
    QStringList errorBoxes;
  };
  const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;
  const Row rows[] = {
      {"guide on the web view's later child", kLaterChildOfWebView, guide, copyOrMove, true, {Qs("登別")}, {}},
      {"guide on a list", kList, guide, Qt::LinkAction, true, {Qs("登別")}, {}},
      {"page on the web view", kLaterChildOfWebView, dir.filePath(QStringLiteral("a.html")), copyOrMove, false, {}, {}},
      {"guide offered only as a move", kWindow, guide, Qt::MoveAction, false, {}, {}},
      {"missing guide",
       kWindow,
       dir.filePath(QStringLiteral("none.lst")),
       copyOrMove,
       true,
       {},
       {Qs("ファイルが見つかりません.")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    MainWindowUnderTest w;
    w.form->show();
    // Made after the window, as the web engine makes its drop target.
    auto* later = new DropTakingWidget(&w.form->WebBrowser1());
    QWidget* const targets[] = {w.form.get(), later, &w.form->ListBox(1)};
    const auto [accepted, action] = DragAndDrop(*targets[row.target], File(row.path), row.actions);
    EXPECT_EQ(later->drops, 0);
    EXPECT_EQ(accepted, row.accepted);
    if (accepted) {
      // Never a move: the file manager would delete the guide.
      EXPECT_NE(action, Qt::MoveAction);
      EXPECT_TRUE(QTest::qWaitFor([&] { return w.Items(3) == row.titles && w.dialogs.errorBoxes == row.errorBoxes; }))
          << w.dialogs.errorBoxes.join(QLatin1Char('|')).toStdString();
    } else {
      QApplication::processEvents();
    }
    EXPECT_EQ(w.Items(3), row.titles);
    EXPECT_EQ(w.dialogs.errorBoxes, row.errorBoxes);
    EXPECT_EQ(w.web.navigated.size(), 1);  // the home page only
    EXPECT_EQ(w.dialogs.openCalls, 0);
  }
}

}  // namespace
}  // namespace tavren::test
