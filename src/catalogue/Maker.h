#pragma once
// The maker's name and copyright line, in one place: the main window's
// initial caption, the header caption and the notice window all show them.
// UTF-8 here; callers convert with cp932::FromUtf8 where bytes are needed.

namespace tavren::maker {

inline constexpr const char kName[] = "肉球工房";
inline constexpr const char kCopyright[] = "(C) 2026 肉球工房";
// The main window's caption before any header record: 88 ASCII blanks
// separate the product line from the copyright.
inline constexpr const char kProductLine[] = "ガイド式ブラウザ　Tavren.exe v1.05";

}  // namespace tavren::maker
