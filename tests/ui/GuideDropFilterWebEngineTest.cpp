// Drops on the real web engine's own drop target, which it makes only after
// its first page: a guide loads, and a page dropped there never opens.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include "Unit1TestSupport.h"
#include "webview/QtWebView.h"

namespace tavren::test {
namespace {

const bool kPlatformPrepared = (PrepareWebViewPlatform(), true);

// Drags `url` over `target` and drops it there; true when the target took
// the drag and the drop.
bool DragAndDrop(QWidget& target, const QUrl& url) {
  QMimeData data;
  data.setUrls({url});
  const QPoint at = target.rect().center();
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &move);
  QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  return enter.isAccepted() || move.isAccepted() || drop.isAccepted();
}

TEST(GuideDropWebEngineTest, DroppedPageNeverOpensAndDroppedGuideLoads) {
  ASSERT_TRUE(kPlatformPrepared);
  QTemporaryDir dir;
  const QDir folder(dir.path());
  for (const char* name : {"a.html", "dropped.html", "c.html"}) {
    QFile page(folder.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<title>page</title><p>page</p>");
  }
  const QString guide = QString::fromLocal8Bit(
      WriteGuide(folder, QStringLiteral("onsen.lst"), {Qs("*,0,北海道"), Qs("0,0,登別,http://a.example/,地獄谷")}));

  QtWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  TForm1 form(TForm1Parts{web, dialogs, clock, "http://127.0.0.1:9/", 0, 90000, FetcherLimits{}});
  form.show();
  QWebEngineView& view = *web.View();
  const auto showAndWait = [&](const QString& name) {
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    const QUrl address = QUrl::fromLocalFile(folder.filePath(name));
    web.Navigate(address.toString());
    return QTest::qWaitFor([&] { return view.url() == address && loaded.count() > 0; }, 20000);
  };
  ASSERT_TRUE(showAndWait(QStringLiteral("a.html")));
  QWidget* target = view.focusProxy();
  ASSERT_NE(target, nullptr);

  // The engine itself would take it and open it as a page.
  EXPECT_FALSE(DragAndDrop(*target, QUrl::fromLocalFile(folder.filePath(QStringLiteral("dropped.html")))));
  EXPECT_TRUE(DragAndDrop(*target, QUrl::fromLocalFile(guide)));
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.ListBox(3).Count() == 1; }, 20000));
  // A page the drop had opened would stand in the history before this one.
  ASSERT_TRUE(showAndWait(QStringLiteral("c.html")));
  QStringList history;
  for (const QWebEngineHistoryItem& item : view.history()->items()) history << item.url().fileName();
  EXPECT_FALSE(history.contains(QStringLiteral("dropped.html"))) << history.join(QLatin1Char(' ')).toStdString();
  EXPECT_TRUE(dialogs.errorBoxes.isEmpty());
}

}  // namespace
}  // namespace tavren::test
