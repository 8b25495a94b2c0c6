#pragma once
// ASCII case folding for protocol words, schemes and program names: only
// 'A'-'Z' fold, whatever the locale, so bytes of CP932 or UTF-8 text and
// look-alike Unicode letters are never touched.

#include <cstddef>
#include <string>
#include <string_view>

namespace tavren::ascii {

// `c` with 'A'-'Z' made lower case; any other code unit unchanged.
template <typename Char>
constexpr Char Lower(Char c) noexcept {
  return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// `s` with 'A'-'Z' made lower case.
inline std::string LowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

// True when `a` and `b` are equal but for the case of ASCII letters.
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace tavren::ascii
