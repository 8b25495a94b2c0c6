#pragma once
// Test texts written in UTF-8 in the source and used as the CP932 bytes the
// program sees.

#include "base/CodePage.h"

#include <QString>

#include <string>

namespace tavren::test {

inline std::string Sjis(const char* utf8) { return cp932::FromUtf8(utf8); }

inline QString Qs(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace tavren::test
