#pragma once
// The system's description of a file error, worded for a Japanese desktop the
// way the original platform words its common errors, and trimmed for use in
// the middle of a sentence.

#include <string>
#include <string_view>

namespace tavren {

// Description of errno value `code` (UTF-8): Japanese for the common file
// errors, the C library's text otherwise; trailing blanks, line breaks and
// periods (ASCII and ideographic) removed.
std::string SystemErrorText(int code);

// Description of a file that another program holds without sharing (UTF-8),
// trimmed the same way.
std::string SharingViolationText();

// `text` without its trailing blanks, tabs, CR, LF, "." and "。".
std::string TrimSystemText(std::string_view text);

}  // namespace tavren
