#pragma once
// CP932 bytes as a QString, for the layers that show text or hand it to Qt.
// Header-only so that base itself needs no Qt; the conversion is the code-page
// module's.

#include "base/CodePage.h"

#include <QString>

#include <string_view>

namespace tavren::cp932 {

// Decodes like ToUtf16 (invalid bytes become U+FFFD). Never throws.
inline QString ToQString(std::string_view bytes) { return QString::fromStdU16String(ToUtf16(bytes)); }

}  // namespace tavren::cp932
