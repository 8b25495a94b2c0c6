// Drops on the main window with the real web engine, as synthetic drag
// events: a guide file loads as the load command would, wherever it lands,
// the engine's own drop target included (made only after its first page);
// anything else reaches the page's own drop area, and the view never opens
// it as a page.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include <optional>

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "Unit1TestSupport.h"
#include "ui/GuideListBox.h"
#include "ui/Unit1.h"
#include "webview/QtWebView.h"

namespace tavren::test {
namespace {

const bool kPlatformPrepared = (PrepareWebViewPlatform(), true);

// Drags `urls` over `target` and drops them; true when anything took them.
bool DragAndDrop(QWidget& target, const QList<QUrl>& urls, Qt::DropActions actions, Qt::DropAction* taken) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at = target.rect().center();
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &move);
  QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  *taken = drop.dropAction();
  return enter.isAccepted() || move.isAccepted() || drop.isAccepted();
}

// Takes every drag it is offered, as the engine's drop target does.
class DropTaker : public QWidget {
 public:
  explicit DropTaker(QWidget* parent) : QWidget(parent) { setAcceptDrops(true); }
  int drops = 0;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
  void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override { event->acceptProposedAction(), ++drops; }
};

TEST(GuideDropWebEngineTest, GuidesLoadWhereverDroppedAndOtherDropsReachThePage) {
  ASSERT_TRUE(kPlatformPrepared);
  QTemporaryDir dir;
  const QDir folder(dir.path());
  const auto file = [&](const char* name) { return QUrl::fromLocalFile(folder.filePath(QString::fromUtf8(name))); };
  const QStringList guide = {Qs("*,0,北海道"), Qs("0,0,登別,http://a.example/,地獄谷")};
  WriteGuide(folder, QStringLiteral("onsen.lst"), guide);
  WriteGuide(folder, QStringLiteral("TWO.CSV"), guide + QStringList{Qs("0,0,乳頭,http://b.example/,白濁")});
  QFile page(folder.filePath(QStringLiteral("a.html")));
  // The page's own drop area: it counts what it is given.
  ASSERT_TRUE(page.open(QIODevice::WriteOnly) &&
              page.write("<title>a</title><body style='margin:0;height:100vh' ondragover='event.preventDefault()' "
                         "ondrop='event.preventDefault(); document.title = \"drops \" + (++window.drops || "
                         "(window.drops = 1))'>") > 0);
  page.close();

  QtWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  TForm1 form(TForm1Parts{web, dialogs, clock, "http://127.0.0.1:9/", 0, 90000, FetcherLimits{}});
  form.show();
  QWebEngineView& view = *web.MakeView();
  QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
  web.Navigate(file("a.html").toString());
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.url() == file("a.html") && loaded.count() > 0; }, 20000));
  ASSERT_NE(view.focusProxy(), nullptr);
  // The engine replaces its drop target as it goes; one made now stands for that.
  auto* later = new DropTaker(&view);

  const Qt::DropActions any = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  struct Row {
    const char* what;
    QWidget* target;
    QList<QUrl> urls;
    Qt::DropActions actions;
    std::optional<bool> taken;  // none: the page's own business
    int titles;
    QStringList errorBoxes;
  };
  const Row rows[] = {
      {"a page on the engine reaches the page", view.focusProxy(), {file("a.html")}, any, {}, 0, {}},
      {"two guides reach the page", view.focusProxy(), {file("onsen.lst"), file("TWO.CSV")}, any, {}, 0, {}},
      {"a guide on the web reaches the page",
       view.focusProxy(),
       {QUrl(QStringLiteral("http://a.example/x.lst"))},
       any,
       {},
       0,
       {}},
      {"a page on a later target", later, {file("a.html")}, any, {}, 0, {}},
      {"a guide offered only as a move", &form, {file("onsen.lst")}, Qt::MoveAction, false, 0, {}},
      {"a missing guide", &form, {file("none.lst")}, any, true, 0, {Qs("ファイルが見つかりません.")}},
      {"a guide on the engine", view.focusProxy(), {file("onsen.lst")}, any, true, 1, {}},
      {"a .CSV guide on a later target", later, {file("TWO.CSV")}, any, true, 2, {}},
      {"a guide on a list", &form.ListBox(1), {file("onsen.lst")}, any, true, 1, {}},
  };
  QStringList boxes;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Qt::DropAction action = Qt::IgnoreAction;
    const bool taken = DragAndDrop(*row.target, row.urls, row.actions, &action);
    if (row.taken) {
      EXPECT_EQ(taken, *row.taken);
    }
    // Never as a move, which would let the file manager delete the guide.
    if (row.taken == true) {
      EXPECT_EQ(action, Qt::CopyAction);
    }
    boxes += row.errorBoxes;
    QApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ListBox(3).Count() == row.titles && dialogs.errorBoxes == boxes; }));
  }
  // The page had the three drops that were not guides, and stayed.
  EXPECT_TRUE(QTest::qWaitFor([&] { return view.title() == QStringLiteral("drops 3"); }, 20000))
      << view.title().toStdString();
  EXPECT_EQ(view.url(), file("a.html"));
  EXPECT_EQ(later->drops, 1);
  EXPECT_EQ(dialogs.openCalls, 0);
}

}  // namespace
}  // namespace tavren::test
