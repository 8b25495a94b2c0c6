#pragma once
// The page search's folding of CP932 text and its reading of a query.
//
// Folding maps each CP932 character to the form the search compares:
//  - ASCII letters and full-width Latin letters to lower-case ASCII, and
//    full-width digits to ASCII digits (Ｍａｃ = mac, １２ = 12);
//  - half-width katakana to full-width katakana, a following voiced or
//    semi-voiced mark (ﾞ ﾟ) composed with it where CP932 has the composed
//    character (ｶﾞ = ガ, ﾊﾟ = パ, ｳﾞ = ヴ), and ｰ to ー;
//  - hiragana to katakana (らーめん = ラーメン).
// Every other character stays as it is: kanji, punctuation of either width,
// iteration marks, a voiced mark that composes with nothing, bytes that are
// not CP932. A lead byte takes the next byte with it (the splitter's rule),
// so a trail byte is never folded; a lead byte that ends the text is a
// character of its own. Folded text never holds a NUL unless the input did.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavren {

// Appends the folded form of `cp932` to `out`. Never throws except
// std::bad_alloc.
void AppendFolded(std::string& out, std::string_view cp932);

// The folded form of `cp932`.
std::string Folded(std::string_view cp932);

// Writes the folded form of `cp932` at `out`, which must have room for
// twice its size (a half-width katakana becomes two bytes), and returns the
// end of what it wrote. Never throws.
char* FoldInto(char* out, std::string_view cp932) noexcept;

// Folds the character at cp932[i] (i < size) onto `out` and returns how many
// bytes of `cp932` it took (1 or 2; a composed half-width pair takes 2).
std::size_t AppendFoldedCharacter(std::string& out, std::string_view cp932, std::size_t i);

// A query read into terms: the text is cut at blanks (ASCII space, the
// ideographic space U+3000 and every control character, tabs included), each
// term encoded to CP932 and folded. A term holding a character that CP932
// cannot encode (or malformed UTF-8) can match nothing, and neither can the
// query then.
struct SearchQuery {
  std::vector<std::string> terms;  // folded CP932, none empty, in query order
  bool matchesNothing = false;     // a term could not be encoded

  // True when there is nothing to look for: no terms.
  bool Empty() const noexcept { return terms.empty() && !matchesNothing; }
};

// A run of bytes [begin, end) of a text.
struct ByteSpan {
  std::size_t begin;
  std::size_t end;
  bool operator==(const ByteSpan&) const = default;
};

// The parts of `cp932` (a title as stored) where a term of `query` matches,
// as the search matches it: ascending, merged, on whole characters, so each
// part decodes on its own. Meant for the few rows on screen. Never throws
// except std::bad_alloc.
std::vector<ByteSpan> MatchedSpans(std::string_view cp932, const SearchQuery& query);

// Reads `utf8` (the text typed into the search box or given on the command
// line). Never throws except std::bad_alloc.
SearchQuery ParseSearchQuery(std::string_view utf8);

}  // namespace tavren
