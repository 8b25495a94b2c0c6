#pragma once
// CP932 bytes and UTF-16 text as a QString, for the layers that show text or
// hand it to Qt.
// Header-only so that base itself needs no Qt; the conversion is the code-page
// module's.

#include "base/CodePage.h"

#include <QString>

#include <string>
#include <string_view>

namespace tavren::cp932 {

// Decodes like ToUtf16 (invalid bytes become U+FFFD). Never throws.
inline QString ToQString(std::string_view bytes) { return QString::fromStdU16String(ToUtf16(bytes)); }

}  // namespace tavren::cp932

namespace tavren::utf16 {

// The same UTF-16 text as a QString. Never throws except std::bad_alloc.
inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tavren::utf16
