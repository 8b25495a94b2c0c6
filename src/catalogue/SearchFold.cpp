#include "catalogue/SearchFold.h"

#include "base/CodePage.h"

#include <array>
#include <cstdint>

namespace tavren {
namespace {

constexpr unsigned char kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned char kSemiVoicedMark = 0xDF;  // ﾟ

// CP932 code of a full-width katakana given by its Unicode code point
// (U+30A1..U+30F6): CP932 lays them out in two runs around the unused 0x837F.
constexpr std::uint16_t KatakanaCode(char16_t u) noexcept {
  return u < 0x30E0 ? static_cast<std::uint16_t>(0x8340 + (u - 0x30A1))
                    : static_cast<std::uint16_t>(0x8380 + (u - 0x30E0));
}

// Half-width katakana 0xA6..0xDD as the full-width katakana they stand for
// (Unicode), 0 for ｰ (0xB0), which becomes ー, outside the katakana block.
constexpr char16_t kHalfWidthKana[] = {
    0x30F2,                                                                  // ｦ
    0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3,  // ｧ..ｯ
    0,                                                                       // ｰ
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA,                                  // ｱ..ｵ
    0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,                                  // ｶ..ｺ
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD,                                  // ｻ..ｿ
    0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8,                                  // ﾀ..ﾄ
    0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE,                                  // ﾅ..ﾉ
    0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB,                                  // ﾊ..ﾎ
    0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2,                                  // ﾏ..ﾓ
    0x30E4, 0x30E6, 0x30E8,                                                  // ﾔ..ﾖ
    0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED,                                  // ﾗ..ﾛ
    0x30EF, 0x30F3,                                                          // ﾜ ﾝ
};
static_assert(std::size(kHalfWidthKana) == 0xDD - 0xA6 + 1);

// What a one-byte character folds to: 0 for itself, else a one- or two-byte
// code (codes above 0xFF are two bytes, lead first).
constexpr std::array<std::uint16_t, 256> MakeSingleTable() {
  std::array<std::uint16_t, 256> table{};
  for (int b = 'A'; b <= 'Z'; ++b) table[static_cast<std::size_t>(b)] = static_cast<std::uint16_t>(b - 'A' + 'a');
  for (int b = 0xA6; b <= 0xDD; ++b) {
    const char16_t u = kHalfWidthKana[b - 0xA6];
    table[static_cast<std::size_t>(b)] = u == 0 ? 0x815B : KatakanaCode(u);
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kSingle = MakeSingleTable();

// The composed katakana (CP932) for half-width base `b` and mark `mark`, or 0
// when the pair does not compose: ｶ..ﾄ and ﾊ..ﾎ take ﾞ, ﾊ..ﾎ take ﾟ, ｳ takes
// ﾞ (ヴ). Composed forms follow their base by one (ﾞ) or two (ﾟ).
constexpr std::uint16_t Composed(unsigned char b, unsigned char mark) noexcept {
  if (mark == kVoicedMark) {
    if ((b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE)) return static_cast<std::uint16_t>(kSingle[b] + 1);
    if (b == 0xB3) return KatakanaCode(0x30F4);
  } else if (mark == kSemiVoicedMark && b >= 0xCA && b <= 0xCE) {
    return static_cast<std::uint16_t>(kSingle[b] + 2);
  }
  return 0;
}

// What the two-byte character lead * 256 + trail folds to, as in kSingle.
constexpr std::uint16_t FoldDouble(std::uint16_t code) noexcept {
  if (code >= 0x824F && code <= 0x8258) return static_cast<std::uint16_t>('0' + (code - 0x824F));  // ０..９
  if (code >= 0x8260 && code <= 0x8279) return static_cast<std::uint16_t>('a' + (code - 0x8260));  // Ａ..Ｚ
  if (code >= 0x8281 && code <= 0x829A) return static_cast<std::uint16_t>('a' + (code - 0x8281));  // ａ..ｚ
  if (code >= 0x829F && code <= 0x82F1) return KatakanaCode(static_cast<char16_t>(0x30A1 + (code - 0x829F)));  // ぁ..ん
  return 0;
}

char* Put(char* out, std::uint16_t code) noexcept {
  if (code > 0xFF) *out++ = static_cast<char>(code >> 8);
  *out++ = static_cast<char>(code & 0xFF);
  return out;
}

// Folds the character at s[i] (i < n) to `out`; returns the bytes taken and
// moves `out` past what it wrote (at most twice the bytes taken). The one
// place where the folding rules are applied.
inline std::size_t FoldOne(const unsigned char* s, std::size_t i, std::size_t n, char*& out) noexcept {
  const unsigned char b = s[i];
  if (cp932::IsLeadByte(b) && i + 1 < n) {
    const auto code = static_cast<std::uint16_t>(b << 8 | s[i + 1]);
    const std::uint16_t folded = FoldDouble(code);
    out = Put(out, folded != 0 ? folded : code);
    return 2;
  }
  if (i + 1 < n) {
    const std::uint16_t composed = Composed(b, s[i + 1]);
    if (composed != 0) {
      out = Put(out, composed);
      return 2;
    }
  }
  out = Put(out, kSingle[b] != 0 ? kSingle[b] : b);
  return 1;
}

// Decodes one UTF-8 sequence at s[i]: the code point, or -1 when malformed
// (overlong forms, surrogates and values above U+10FFFF included). Moves i.
long NextCodePoint(std::string_view s, std::size_t& i) noexcept {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int more = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
  if (more < 0 || b0 > 0xF4) return -1;
  long cp = b0 & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    if (i >= s.size()) return -1;
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
    ++i;
  }
  static constexpr long kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

bool IsQueryBlank(long cp) noexcept { return cp <= 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x3000; }

}  // namespace

char* FoldInto(char* out, std::string_view cp932) noexcept {
  const auto* s = reinterpret_cast<const unsigned char*>(cp932.data());
  const std::size_t n = cp932.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    // The common characters first: every folding two-byte character has
    // the lead byte 0x82, and ASCII folds only A-Z.
    if (b < 0x80) {
      *out++ = static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
      ++i;
    } else if (b != 0x82 && cp932::IsLeadByte(b) && i + 1 < n) {
      *out++ = static_cast<char>(b);
      *out++ = static_cast<char>(s[i + 1]);
      i += 2;
    } else {
      i += FoldOne(s, i, n, out);
    }
  }
  return out;
}

std::size_t AppendFoldedCharacter(std::string& out, std::string_view cp932, std::size_t i) {
  char buffer[4];
  char* end = buffer;
  const std::size_t used = FoldOne(reinterpret_cast<const unsigned char*>(cp932.data()), i, cp932.size(), end);
  out.append(buffer, static_cast<std::size_t>(end - buffer));
  return used;
}

void AppendFolded(std::string& out, std::string_view cp932) {
  const std::size_t before = out.size();
  out.resize(before + 2 * cp932.size());
  char* end = FoldInto(out.data() + before, cp932);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string Folded(std::string_view cp932) {
  std::string out;
  AppendFolded(out, cp932);
  return out;
}

std::vector<ByteSpan> MatchedSpans(std::string_view cp932, const SearchQuery& query) {
  std::vector<ByteSpan> spans;
  if (query.matchesNothing || query.terms.empty()) return spans;
  // The folded text, with the raw span each folded character came from.
  std::string folded;
  std::vector<ByteSpan> from;  // per folded byte: its character's raw span
  std::vector<bool> starts;    // per folded byte: begins a character
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t before = folded.size();
    const std::size_t used = AppendFoldedCharacter(folded, cp932, i);
    for (std::size_t k = before; k < folded.size(); ++k) {
      from.push_back({i, i + used});
      starts.push_back(k == before);
    }
    i += used;
  }
  std::vector<bool> marked(cp932.size(), false);
  for (const std::string& term : query.terms) {
    for (std::size_t at = folded.find(term); at != std::string::npos; at = folded.find(term, at + 1)) {
      if (!starts[at]) continue;
      for (std::size_t r = from[at].begin; r < from[at + term.size() - 1].end; ++r) marked[r] = true;
    }
  }
  for (std::size_t r = 0; r < marked.size();) {
    if (!marked[r]) {
      ++r;
      continue;
    }
    std::size_t end = r;
    while (end < marked.size() && marked[end]) ++end;
    spans.push_back({r, end});
    r = end;
  }
  return spans;
}

SearchQuery ParseSearchQuery(std::string_view utf8) {
  SearchQuery query;
  std::size_t i = 0;
  while (i < utf8.size()) {
    // One term: from the first non-blank to the next blank.
    std::size_t begin = i;
    long cp = NextCodePoint(utf8, i);
    if (cp >= 0 && IsQueryBlank(cp)) continue;
    bool malformed = cp < 0;
    std::size_t end = i;
    while (i < utf8.size()) {
      std::size_t at = i;
      cp = NextCodePoint(utf8, i);
      if (cp >= 0 && IsQueryBlank(cp)) {
        i = at;
        break;
      }
      malformed = malformed || cp < 0;
      end = i;
    }
    const std::string_view term = utf8.substr(begin, end - begin);
    const std::string encoded = cp932::FromUtf8(term);
    // The code page writes "?" for what it cannot hold; a term that does not
    // come back unchanged had such a character.
    if (malformed || cp932::ToUtf8(encoded) != term) {
      query.matchesNothing = true;
      continue;
    }
    query.terms.push_back(Folded(encoded));
  }
  return query;
}

}  // namespace tavren
