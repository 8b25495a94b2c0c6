// The web view's rules that need no browser engine: which addresses are
// refused, that all others reach the engine unchanged, the failure message
// and the root check.

#include "base/CodePage.h"
#include "base/Failure.h"
#include "webview/QtWebView.h"
#include "webview/WebView.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace tavren {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class RecordingView : public WebView {
 public:
  QWidget* Widget() override { return nullptr; }
  void GoBack() override {}
  void GoForward() override {}
  QStringList navigated;

 protected:
  void DoNavigate(const QString& address) override { navigated.append(address); }
};

struct AddressRow {
  QString address;
  bool script;
};

// Browsers drop leading C0 controls and blanks, drop tab/CR/LF anywhere and
// read the scheme without regard to ASCII case; nothing else makes a script.
const AddressRow kAddresses[] = {
    {U("javascript:alert(1)"), true},
    {U("JavaScript:x"), true},
    {U("JAVASCRIPT:"), true},
    {U(" JavaScript:x"), true},
    {U("\tjava\nscript:x"), true},
    {U("java\rscript:x"), true},
    {U("javascript\t:x"), true},
    {U("\x01javascript:"), true},
    {U(" \x1f\x20javascript:x"), true},
    {QString(QChar(u'\0')) + U("javascript:x"), true},
    {U("\n\r\t javascript:void(0)"), true},
    // Not a script address.
    {U(""), false},
    {U("about:blank"), false},
    {U("http://example.com/"), false},
    {U("javascriptx:"), false},
    {U("javascript"), false},
    {U("javascrip:x"), false},
    {U("http://javascript:x"), false},
    {U("/javascript:x"), false},
    {U("\x7fjavascript:x"), false},          // DEL is not skipped
    {U("\xe3\x80\x80javascript:x"), false},  // nor an ideographic space
    {U("\xc2\xa0javascript:x"), false},      // nor a no-break space
    {U("java script:x"), false},             // a blank inside breaks the scheme
    {U("java\xc5\xbf"
       "cript:x"),
     false},  // long s is not folded to s
    {U("\xef\xbd\x8a"
       "avascript:x"),
     false},  // fullwidth j
    {U("vbscript:msgbox(1)"), false},
    {U("data:text/html,<script>alert(1)</script>"), false},
    // Passed on untrimmed and uncompleted, however odd.
    {U(" http://127.0.0.1/ "), false},
    {U("\thttp://x/\n"), false},
    {U("example.com"), false},
    {U("http://x/a b%zz"), false},
    {U("C:\\guide\\a.html"), false},
};

TEST(IsScriptAddress, RecognisesTheSchemeAsBrowsersRead) {
  for (const AddressRow& row : kAddresses) {
    EXPECT_EQ(IsScriptAddress(row.address), row.script) << row.address.toStdString();
  }
}

TEST(Navigate, RefusesScriptAddressesNamingThemAndPassesEveryOtherUnchanged) {
  for (const AddressRow& row : kAddresses) {
    RecordingView view;
    if (row.script) {
      try {
        view.Navigate(row.address);
        ADD_FAILURE() << "not refused: " << row.address.toStdString();
      } catch (const EOleException& e) {
        EXPECT_EQ(e.Message(), cp932::FromUtf8("スクリプトのアドレスは開けません: ") +
                                   cp932::FromUtf16(row.address.toStdU16String()));
      }
      EXPECT_TRUE(view.navigated.isEmpty()) << row.address.toStdString();
    } else {
      view.Navigate(row.address);
      EXPECT_EQ(view.navigated, QStringList{row.address}) << row.address.toStdString();
    }
  }
}

TEST(NavigateCp932, DecodesByTheCodePageThenAppliesTheSameRule) {
  struct Row {
    std::string bytes;
    const char* expectedUtf8;  // null: refused
  };
  const Row rows[] = {
      {"http://127.0.0.1:8372/index.html", "http://127.0.0.1:8372/index.html"},
      {cp932::FromUtf8("http://例え.jp/ページ?q=ガイド"), "http://例え.jp/ページ?q=ガイド"},
      {"", ""},
      {" x ", " x "},
      {"\x5c\x81\x5c", "\\―"},  // 0x5C alone is a backslash; 0x815C is one character
      {"JavaScript:alert(1)", nullptr},
      {cp932::FromUtf8("\tjavascript:alert('ページ')"), nullptr},
  };
  for (const Row& row : rows) {
    RecordingView view;
    if (row.expectedUtf8 == nullptr) {
      EXPECT_THROW(view.NavigateCp932(row.bytes), EOleException) << row.bytes;
      EXPECT_TRUE(view.navigated.isEmpty());
    } else {
      view.NavigateCp932(row.bytes);
      EXPECT_EQ(view.navigated, QStringList{U(row.expectedUtf8)}) << row.bytes;
    }
  }
}

TEST(WebViewFailureMessage, TakesDescriptionThenSystemTextThenCode) {
  struct Row {
    QString description;
    std::uint32_t code;
    const char* expected;
  };
  const Row rows[] = {
      {U("Navigation refused"), kEFail, "Navigation refused"},
      {U("Navigation refused. . "), kEFail, "Navigation refused"},
      {U("v1.05."), kEFail, "v1.05"},
      {U("ページを開けません。"), 0x12345678u, "ページを開けません。"},  // only ASCII periods go
      {U(" . ."), kEFail, "エラーを特定できません"},
      {U(""), kEFail, "エラーを特定できません"},
      {U(""), kEUnexpected, "致命的なエラーです"},
      {U(""), 0x80070057u, "パラメーターが間違っています"},
      {U(""), 0x800C0005u, "OLE エラー 800C0005"},
      {U("..."), 0xABCDEFu, "OLE エラー 00ABCDEF"},
      {U(""), 0u, "OLE エラー 00000000"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WebViewFailureMessage(row.description, row.code), cp932::FromUtf8(row.expected))
        << row.description.toStdString() << " " << row.code;
  }
}

TEST(WebViewPlatformProblem, ReportedOnlyForRootWithTheSandboxOn) {
  struct Row {
    bool root;
    bool variableSet;
    const char* flags;
    bool problem;
  };
  const Row rows[] = {
      {false, false, "", false},
      {false, false, "--disable-gpu", false},
      {true, false, "", true},
      {true, false, "--disable-gpu", true},
      {true, false, "--no-sandbox-please", true},
      {true, false, "no-sandbox", true},
      {true, true, "", false},
      {true, false, "--no-sandbox", false},
      {true, false, "--disable-gpu   --no-sandbox", false},
      {true, false, "-no-sandbox", false},
      {true, false, "--no-sandbox=1", false},
  };
  for (const Row& row : rows) {
    const QString problem = WebViewPlatformProblem(row.root, row.variableSet, QByteArray(row.flags));
    EXPECT_EQ(!problem.isEmpty(), row.problem) << row.root << row.variableSet << row.flags;
    if (row.problem) {
      EXPECT_TRUE(problem.contains(QStringLiteral("root"))) << problem.toStdString();
    }
  }
}

}  // namespace
}  // namespace tavren
