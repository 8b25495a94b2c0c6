#pragma once
// Pure text rules of the error display, kept apart from the windows so that
// both the program and tavren-check apply them the same way.

#include <string>
#include <string_view>

namespace tavren {

// The error box's text for a failure message (CP932): the message with "."
// appended when it is not empty and the first byte of its last character is
// above 0x2E, so "...ません" and "...(5)x" get a period and "...(102)" does not.
std::string ErrorBoxText(std::string_view cp932Message);

// The application title from the program file's path: the file name cut at
// its first ".", its first character kept as it is and the rest lower-cased
// (ASCII only). "/usr/bin/tavren" -> "tavren", "TAVREN.EXE" -> "Tavren".
std::string ApplicationTitle(std::string_view programPath);

}  // namespace tavren
