#include "webview/WebView.h"

#include "base/Ascii.h"

#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/QtText.h"

#include <string>

namespace tavren {
namespace {

// Tab, line feed and carriage return are dropped from anywhere in an address
// by the browser's URL parser, so "java\tscript:" is still a script address.
bool IsSkippedInside(char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace

bool IsScriptAddress(const QString& address) {
  static constexpr char16_t kScheme[] = u"javascript:";
  const qsizetype size = address.size();
  qsizetype i = 0;
  // Leading C0 controls and blanks are stripped before the scheme is read.
  while (i < size && address.at(i).unicode() <= 0x20) ++i;
  for (const char16_t* want = kScheme; *want != u'\0'; ++want) {
    while (i < size && IsSkippedInside(address.at(i).unicode())) ++i;
    // The scheme is matched in ASCII only: a browser does not fold "ſ" or
    // the Kelvin sign into ASCII letters, so neither do we.
    if (i == size || ascii::Lower(address.at(i).unicode()) != *want) return false;
    ++i;
  }
  return true;
}

void WebView::Navigate(const QString& address) {
  if (IsScriptAddress(address)) {
    const std::u16string text = address.toStdU16String();
    throw EOleException(cp932::FromUtf8("スクリプトのアドレスは開けません: ") + cp932::FromUtf16(text));
  }
  DoNavigate(address);
}

void WebView::NavigateCp932(std::string_view address) { Navigate(cp932::ToQString(address)); }

}  // namespace tavren
