#pragma once
// What the windows need of the embedded browser: three operations. The Qt
// WebEngine binding (QtWebView) is the real one; tests use a recording fake.

#include <QString>

#include <string_view>

class QWidget;

namespace tavren {

class WebView {
 public:
  virtual ~WebView() = default;

  // The widget to place in the window (the view takes no part in layout
  // decisions; the window sizes it).
  virtual QWidget* Widget() = 0;

  // Starts loading `address` and returns at once. The address is passed on
  // unchanged, the empty one included, except that a javascript: address is
  // refused with EOleException (a guide file is a third party's text and must
  // not run script in whatever page is on show). Throws EOleException when
  // the view reports a failure.
  void Navigate(const QString& address);

  // Navigate for an address held as CP932 bytes (a guide file's field, the
  // site's banner link): decoded to UTF-16 by the code page, then as above.
  void NavigateCp932(std::string_view address);

  // Show the previous / next page of the history; throw EOleException when
  // there is none.
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;

 protected:
  virtual void DoNavigate(const QString& address) = 0;
};

// True when the address's scheme is "javascript" in any case, after the
// leading blanks and control characters (U+0000..U+0020) that browsers skip,
// with tabs and line breaks inside the scheme ignored as browsers do.
bool IsScriptAddress(const QString& address);

}  // namespace tavren
