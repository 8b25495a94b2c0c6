#pragma once
// The system's description of a file error, worded for a Japanese desktop the
// way the original platform words its common errors, and trimmed for use in
// the middle of a sentence. The texts are UTF-8 (see the naming rule in
// base/CodePage.h).

#include <string>
#include <string_view>

namespace tavren {

// Description of errno value `errnoValue`: Japanese for the common file
// errors, the C library's text otherwise; trailing blanks, line breaks and
// periods (ASCII and ideographic) removed.
std::string FileErrorTextUtf8(int errnoValue);

// Description of a file that another program holds without sharing, trimmed
// the same way.
std::string SharingViolationTextUtf8();

// `text` without its trailing blanks, tabs, CR, LF, "." and "。".
std::string TrimSystemText(std::string_view text);

}  // namespace tavren
