// The Qt WebEngine binding with the real engine: local pages only (files in a
// temporary folder), never the network.

#include "base/CodePage.h"
#include "base/Failure.h"
#include "webview/BrowserView.h"
#include "webview/FindBar.h"
#include "webview/QtWebView.h"

#include <QAccessible>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <optional>

namespace tavren {
namespace {

// The engine wants its platform prepared before the test main creates the
// QApplication; static initialisation runs before main.
const bool kPlatformPrepared = (PrepareWebViewPlatform(), true);

constexpr int kLoadTimeoutMs = 20000;

class QtWebViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kPlatformPrepared);
    ASSERT_TRUE(dir_.isValid());
    WritePage(QStringLiteral("a.html"), "<title>A</title><p>page a</p>");
    WritePage(QStringLiteral("b.html"), "<title>B</title><p>page b</p>");
    WritePage(QStringLiteral("c d.html"), "<title>CD</title><p>a blank in the name</p>");
    view_.Widget()->resize(320, 240);
    view_.Widget()->show();
  }

  void WritePage(const QString& name, const char* html) {
    QFile file(dir_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(html);
  }

  QString PageAddress(const QString& name) const { return QUrl::fromLocalFile(dir_.filePath(name)).toString(); }

  // Waits until the view has finished loading and shows `address`.
  ::testing::AssertionResult Shows(const QString& address) {
    QWebEngineView* view = view_.MakeView();
    const bool shown = QTest::qWaitFor(
        [&] { return view->url().toString() == address && !view->title().isEmpty() && loaded_.count() > 0; },
        kLoadTimeoutMs);
    if (!shown) {
      return ::testing::AssertionFailure()
             << "shows " << view->url().toString().toStdString() << " instead of " << address.toStdString();
    }
    return ::testing::AssertionSuccess();
  }

  void Load(const QString& address) {
    loaded_.clear();
    view_.Navigate(address);
  }

  QTemporaryDir dir_;
  QtWebView view_;
  QSignalSpy loaded_{view_.MakeView(), &QWebEngineView::loadFinished};
};

enum class Step { kBack, kForward };

TEST_F(QtWebViewTest, StepsThroughHistoryAndFailsAtBothEnds) {
  // A fresh view has no history at all.
  for (Step step : {Step::kBack, Step::kForward}) {
    try {
      step == Step::kBack ? view_.GoBack() : view_.GoForward();
      ADD_FAILURE() << "a fresh view stepped " << (step == Step::kBack ? "back" : "forward");
    } catch (const EOleException& e) {
      EXPECT_EQ(e.Message(), cp932::FromUtf8("エラーを特定できません"));
    }
  }

  Load(PageAddress(QStringLiteral("a.html")));
  ASSERT_TRUE(Shows(PageAddress(QStringLiteral("a.html"))));
  Load(PageAddress(QStringLiteral("b.html")));
  ASSERT_TRUE(Shows(PageAddress(QStringLiteral("b.html"))));

  struct Row {
    Step step;
    std::optional<const char*> page;  // the page shown afterwards; none: the step fails
  };
  const Row rows[] = {
      {Step::kForward, std::nullopt}, {Step::kBack, "a.html"},    {Step::kBack, std::nullopt},
      {Step::kBack, std::nullopt},    {Step::kForward, "b.html"}, {Step::kForward, std::nullopt},
      {Step::kBack, "a.html"},        {Step::kForward, "b.html"},
  };
  QString shown = PageAddress(QStringLiteral("b.html"));
  int row = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(row++);
    loaded_.clear();
    if (r.page) {
      ASSERT_NO_THROW(r.step == Step::kBack ? view_.GoBack() : view_.GoForward());
      shown = PageAddress(QString::fromUtf8(*r.page));
    } else {
      try {
        r.step == Step::kBack ? view_.GoBack() : view_.GoForward();
        ADD_FAILURE() << "stepped past the end of the history";
      } catch (const EOleException& e) {
        EXPECT_EQ(e.Message(), cp932::FromUtf8("エラーを特定できません"));
      }
      // A failed step leaves the page on show and starts no load.
      QTest::qWait(50);
      EXPECT_EQ(loaded_.count(), 0);
      EXPECT_EQ(view_.MakeView()->url().toString(), shown);
      continue;
    }
    EXPECT_TRUE(Shows(shown));
  }
  EXPECT_EQ(view_.MakeView()->history()->count(), 2);
}

TEST_F(QtWebViewTest, HandsAddressesOverWithoutTrimmingOrCompleting) {
  struct Row {
    QString address;
    QString shown;  // the address the view ends up showing
  };
  const Row rows[] = {
      {PageAddress(QStringLiteral("a.html")), PageAddress(QStringLiteral("a.html"))},
      // A blank inside the path is percent-encoded, not refused.
      {QUrl::fromLocalFile(dir_.path()).toString() + QStringLiteral("/c d.html"),
       PageAddress(QStringLiteral("c d.html"))},
      {QString(), QStringLiteral("about:blank")},
      // No scheme is guessed: this does not become http://example.invalid/.
      {QStringLiteral("example.invalid"), QStringLiteral("about:blank")},
      // Nothing is trimmed: with a leading blank the address is not a URL.
      {QStringLiteral(" ") + PageAddress(QStringLiteral("b.html")), QStringLiteral("about:blank")},
      {PageAddress(QStringLiteral("b.html")), PageAddress(QStringLiteral("b.html"))},
  };
  int entries = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.address.toStdString());
    Load(row.address);
    EXPECT_TRUE(Shows(row.shown));
    // Every navigation, an unloadable one included, enters the history.
    EXPECT_EQ(view_.MakeView()->history()->count(), ++entries);
  }
}

TEST_F(QtWebViewTest, RefusedScriptAddressNeverRunsInThePageOnShow) {
  Load(PageAddress(QStringLiteral("a.html")));
  ASSERT_TRUE(Shows(PageAddress(QStringLiteral("a.html"))));
  const QString scripts[] = {QStringLiteral("javascript:document.title='X'"),
                             QStringLiteral(" JavaScript:document.title='X'"),
                             QStringLiteral("\tjava\nscript:document.title='X'")};
  for (const QString& script : scripts) {
    EXPECT_THROW(view_.Navigate(script), EOleException) << script.toStdString();
  }
  // Give a script that slipped through time to run.
  QTest::qWait(300);
  EXPECT_EQ(view_.MakeView()->title(), QStringLiteral("A"));
  EXPECT_EQ(view_.MakeView()->history()->count(), 1);
}

// The window shows before the engine starts; the page it asked for meanwhile
// comes with the engine view, in the same window (a re-created one flickers
// and loses its place on screen).
TEST(QtWebViewPlaceTest, EngineViewComesOnceShownWithThePageAskedBefore) {
  ASSERT_TRUE(kPlatformPrepared);
  QTemporaryDir dir;
  QFile page(dir.filePath(QStringLiteral("a.html")));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write("<title>A</title>");
  page.close();
  const QString address = QUrl::fromLocalFile(page.fileName()).toString();

  QWidget window;
  window.resize(320, 240);
  QtWebView web(&window);
  web.Navigate(address);
  EXPECT_EQ(window.findChild<QWebEngineView*>(), nullptr);
  EXPECT_THROW(web.GoBack(), EOleException);

  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const WId shownAs = window.winId();
  QWebEngineView* view = nullptr;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        view = window.findChild<QWebEngineView*>();
        return view != nullptr && view->url().toString() == address && view->title() == QStringLiteral("A");
      },
      kLoadTimeoutMs));
  EXPECT_EQ(window.winId(), shownAs);
}

TEST_F(QtWebViewTest, FailsWithoutCrashingOnceTheWindowDestroyedTheView) {
  delete view_.Widget();
  EXPECT_EQ(view_.Widget(), nullptr);
  try {
    view_.Navigate(PageAddress(QStringLiteral("a.html")));
    ADD_FAILURE() << "navigated a destroyed view";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message(), cp932::FromUtf8("致命的なエラーです"));
  }
  EXPECT_THROW(view_.GoBack(), EOleException);
  EXPECT_THROW(view_.GoForward(), EOleException);
}

// The first node of `role` in the accessible tree below `node`, depth first;
// null when there is none. The page's nodes come from the engine, built
// without the type information the sanitizer's vptr check reads.
__attribute__((no_sanitize("vptr"))) QAccessibleInterface* FindRole(QAccessibleInterface* node, QAccessible::Role role,
                                                                    int depth = 0) {
  if (node == nullptr || depth > 64) return nullptr;
  if (node->role() == role) return node;
  for (int i = 0; i < node->childCount(); ++i) {
    if (QAccessibleInterface* found = FindRole(node->child(i), role, depth + 1)) return found;
  }
  return nullptr;
}

TEST_F(QtWebViewTest, AScreenReaderFindsThePageAsADocumentWithItsTitleHeadingAndLinkAndTheFindBox) {
  // Set by PrepareWebViewPlatform before the engine started.
  ASSERT_TRUE(qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"));
  // As when a screen reader is running: the engine builds the tree only then.
  QAccessible::setActive(true);
  const auto inactive = qScopeGuard([] { QAccessible::setActive(false); });
  WritePage(QStringLiteral("guide.html"),
            "<meta charset='utf-8'><title>温泉ガイド</title><h1>源泉の宿</h1><p><a href='a.html'>page a</a></p>");
  Load(PageAddress(QStringLiteral("guide.html")));
  ASSERT_TRUE(Shows(PageAddress(QStringLiteral("guide.html"))));
  QString document;
  QString heading;
  QString link;
  // The engine sends its tree over after the load; the names arrive with it.
  const bool named = QTest::qWaitFor(
      [&] {
        QAccessibleInterface* page =
            FindRole(QAccessible::queryAccessibleInterface(view_.MakeView()), QAccessible::WebDocument);
        if (page == nullptr) return false;
        document = page->text(QAccessible::Name);
        const QAccessibleInterface* h1 = FindRole(page, QAccessible::Heading);
        const QAccessibleInterface* a = FindRole(page, QAccessible::Link);
        heading = h1 != nullptr ? h1->text(QAccessible::Name) : QString();
        link = a != nullptr ? a->text(QAccessible::Name) : QString();
        return !document.isEmpty() && !heading.isEmpty() && !link.isEmpty();
      },
      kLoadTimeoutMs);
  EXPECT_TRUE(named);
  EXPECT_EQ(document, QString::fromUtf8("温泉ガイド"));
  EXPECT_EQ(heading, QString::fromUtf8("源泉の宿"));
  EXPECT_EQ(link, QStringLiteral("page a"));
  // The find box lies over the view, and beside it for a screen reader: the
  // engine view shows them its page only.
  static_cast<BrowserView*>(view_.MakeView())->Find().Open();
  const QAccessibleInterface* field =
      FindRole(QAccessible::queryAccessibleInterface(view_.Widget()), QAccessible::EditableText);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text(QAccessible::Name), QStringLiteral("ページ内を検索"));
}

}  // namespace
}  // namespace tavren
