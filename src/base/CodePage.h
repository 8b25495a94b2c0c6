#pragma once
// The one place where CP932 (Shift-JIS as Windows writes it) meets Unicode.
// Guide files and site texts stay CP932 bytes everywhere else; they are
// converted only here, when a view shows them or an address goes to the web
// view. Conversion is table-driven (built once from iconv's "CP932"), so it is
// cheap enough to run per list row on demand.
//
// Naming rule for text held in std::string / std::string_view: CP932 is the
// default (guide lines, site bodies, failure messages); anything else says so
// in its name: "utf8"/"Utf8" for UTF-8 (source literals, C library texts),
// "path" for file-system names (native bytes, passed through unchanged and
// never converted). Conversions are only this module's and QtText.h's.

#include <string>
#include <string_view>

namespace tavren::cp932 {

// True for the bytes that begin a two-byte character: 0x81-0x9F, 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char b) noexcept { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Length in bytes (1 or 2) of the character that starts at s[i]; a lead byte
// that is the last byte of s is a one-byte character. i must be < s.size().
inline std::size_t CharLength(std::string_view s, std::size_t i) noexcept {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Position of the first byte of the last character of s (s not empty).
std::size_t LastCharStart(std::string_view s) noexcept;

// Decodes CP932 bytes. Bytes or pairs that are not valid CP932 become U+FFFD
// (one per byte that cannot start a character). Never throws.
std::u16string ToUtf16(std::string_view bytes);
std::string ToUtf8(std::string_view bytes);

// Encodes Unicode text as CP932. Characters that CP932 cannot hold become
// "?"; malformed UTF-8/UTF-16 input likewise. Never throws.
std::string FromUtf16(std::u16string_view text);
std::string FromUtf8(std::string_view text);

// Appends the UTF-8 bytes of code point `c` (at most U+10FFFF) to `out`.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace tavren::cp932
