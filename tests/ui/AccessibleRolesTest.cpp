// What a screen reader is told about both windows: the role and name of
// every control, read through Qt's own accessibility interface, the way the
// desktop's accessibility bus reads them.

#include "ui/AccessibleRoles.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "FakeTicker.h"
#include "FakeWebView.h"
#include "MemoryBannerFile.h"
#include "MemorySite.h"
#include "catalogue/Maker.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"

namespace tavren::test {
namespace {

QString Qs(const char* utf8) { return QString::fromUtf8(utf8); }

// A note for the note label, which is empty until a page is picked.
constexpr char kNote[] = "源泉かけ流しの宿";

// One row per control: a control added to either window gets a row here.
struct Row {
  const char* window;   // "TForm1", "TForm2"
  const char* control;  // the layout's name; "" for the window itself
  QAccessible::Role role;
  const char* name;  // nullptr: the window's caption
};
const Row kRows[] = {
    {"TForm1", "", QAccessible::Window, nullptr},
    {"TForm1", "Label2", QAccessible::StaticText, "Ｔａｖｒｅｎ"},
    {"TForm1", "Image1", QAccessible::Graphic, "画像をクリックするとお知らせを表示します"},
    {"TForm1", "Label3", QAccessible::StaticText, kNote},
    {"TForm1", "ListBox5", QAccessible::List, "ページの説明一覧"},
    {"TForm1", "ListBox4", QAccessible::List, "ページのアドレス一覧"},
    {"TForm1", "ListBox1", QAccessible::List, "大分類"},
    {"TForm1", "ListBox2", QAccessible::List, "中分類"},
    {"TForm1", "ListBox3", QAccessible::List, "ご覧になりたいページを選んでください"},
    // The button row's frame: nothing a reader stops on.
    {"TForm1", "Panel1", QAccessible::Client, ""},
    {"TForm1", "Button1", QAccessible::PushButton, "ガイド名"},
    {"TForm1", "Button4", QAccessible::PushButton, "作者"},
    {"TForm1", "Button2", QAccessible::PushButton, "ガイド集"},
    {"TForm1", "Button3", QAccessible::PushButton, "読込"},
    {"TForm1", "Button5", QAccessible::PushButton, "戻る"},
    {"TForm1", "Button6", QAccessible::PushButton, "進む"},
    {"TForm1", "Button7", QAccessible::PushButton, "終了"},
    {"TForm1", "SearchBox", QAccessible::EditableText, "ページを検索"},
    {"TForm1", "SearchResults", QAccessible::List, "検索結果"},
    {"TForm2", "", QAccessible::Window, "お知らせ"},
    {"TForm2", "Panel1", QAccessible::Client, ""},
    {"TForm2", "Label2", QAccessible::StaticText, "Ｔａｖｒｅｎ"},
    {"TForm2", "Label1", QAccessible::StaticText, maker::kCopyright},
    {"TForm2", "Image1", QAccessible::Graphic, "夕暮れの湖の絵"},
    {"TForm2", "Memo1", QAccessible::EditableText, "お知らせ"},
};
// Named widgets that are no control of the layout: the web view's place,
// whose page the engine exposes as a document of its own.
const char* const kNotControls[] = {"WebBrowser1"};

class AccessibleRolesTest : public ::testing::Test {
 protected:
  AccessibleRolesTest() {
    InstallAccessibleRoles();
    main = std::make_unique<TForm1>(TForm1Parts{.webView = web,
                                                .dialogs = dialogs,
                                                .clock = clock,
                                                .siteRoot = MemorySite::Root(),
                                                .startupPauseMs = 0,
                                                .connector = site.NewConnector(),
                                                .bannerTimer = std::make_unique<FakeTicker>(),
                                                .bannerFile = std::make_unique<MemoryBannerFile>()});
    notice = std::make_unique<TForm2>(dialogs, MemorySite::Root(), FetcherLimits{}, site.NewConnector());
    windows = {{"TForm1", main.get()}, {"TForm2", notice.get()}};
  }

  FakeWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  MemorySite site;
  std::unique_ptr<TForm1> main;
  std::unique_ptr<TForm2> notice;
  std::map<std::string, QWidget*> windows;
};

TEST_F(AccessibleRolesTest, EveryControlOfBothWindowsHasItsRoleAndName) {
  main->Label3().setText(Qs(kNote));
  for (const Row& r : kRows) {
    QWidget* window = windows.at(r.window);
    QWidget* control = *r.control == '\0' ? window : window->findChild<QWidget*>(QString::fromLatin1(r.control));
    ASSERT_NE(control, nullptr) << r.window << " " << r.control;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(iface, nullptr) << r.window << " " << r.control;
    EXPECT_EQ(iface->role(), r.role) << r.window << " " << r.control;
    const QString name = r.name != nullptr ? Qs(r.name) : window->windowTitle();
    EXPECT_EQ(iface->text(QAccessible::Name), name) << r.window << " " << r.control;
  }
  // The notice windows keep their caption; only the name is for the reader.
  EXPECT_EQ(notice->windowTitle(), QStringLiteral("Form2"));
  EXPECT_FALSE(main->windowTitle().isEmpty());
}

TEST_F(AccessibleRolesTest, EveryNamedWidgetOfBothWindowsHasARow) {
  for (const auto& [windowName, window] : windows) {
    for (const QWidget* control : window->findChildren<QWidget*>()) {
      const QString name = control->objectName();
      // Qt's own parts (a list's viewport and scroll bars) are named qt_*.
      if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
      if (std::find(std::begin(kNotControls), std::end(kNotControls), name.toStdString()) != std::end(kNotControls)) {
        continue;
      }
      const bool hasRow = std::any_of(std::begin(kRows), std::end(kRows), [&](const Row& r) {
        return windowName == r.window && name == QString::fromLatin1(r.control);
      });
      EXPECT_TRUE(hasRow) << windowName << " " << name.toStdString() << ": give it a name and a row in kRows";
    }
  }
}

TEST_F(AccessibleRolesTest, BareWindowsAreWindowsOrDialogsAndPopupsKeepTheirRole) {
  struct Case {
    const char* what;
    Qt::WindowType type;
    QAccessible::Role role;
  } cases[] = {
      {"window", Qt::Window, QAccessible::Window},
      {"tool window", Qt::Tool, QAccessible::Window},
      {"dialog", Qt::Dialog, QAccessible::Dialog},
      {"pop-up", Qt::Popup, QAccessible::Client},
  };
  for (const Case& c : cases) {
    QWidget window(nullptr, c.type);
    window.setWindowTitle(Qs(c.what));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(iface, nullptr) << c.what;
    EXPECT_EQ(iface->role(), c.role) << c.what;
  }
  // A widget inside a window stays a plain part of it.
  QWidget window;
  auto* part = new QWidget(&window);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(part)->role(), QAccessible::Client);
}

}  // namespace
}  // namespace tavren::test
