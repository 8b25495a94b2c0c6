#pragma once
// Whether the web engine shows its pages to screen readers on Linux.

namespace tavren {

// Qt WebEngine on Linux builds a page's accessibility tree (its document,
// headings, links, tables and form fields) only when
// QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY is in the environment as the engine
// starts; the tree then costs nothing until an assistive tool is active.
// Sets it to "1" when the user has not set it. A user's own "0" turns it
// off: the variable is removed, since Qt 6.4 reads any value, "0" included,
// as on. Any other value of the user's is left as it is. Call before the
// QApplication is made (PrepareWebViewPlatform does).
void EnableEngineAccessibility();

}  // namespace tavren
