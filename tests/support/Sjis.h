#pragma once
// Test texts written in UTF-8 in the source and used as the CP932 bytes the
// program sees.

#include "base/CodePage.h"

#include <string>

namespace tavren::test {

inline std::string Sjis(const char* utf8) { return cp932::FromUtf8(utf8); }

}  // namespace tavren::test
