#pragma once
// Just enough HTML for bookmark files: a forgiving tag scanner, character
// references, and escaping for writing. Works on UTF-8 bytes.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavren::html {

struct Tag {
  std::string name;                                                  // upper case; "/DL" for an end tag
  int line = 0;                                                      // line of the "<", from 1
  std::vector<std::pair<std::string, std::string_view>> attributes;  // names upper case, values raw

  bool HasAttribute(std::string_view upperName) const;
  // The raw value (character references not decoded); empty when missing.
  std::string_view Attribute(std::string_view upperName) const;
};

class Scanner {
 public:
  explicit Scanner(std::string_view text) noexcept : text_(text) {}

  // Moves to the next start or end tag and reads it into `tag`; comments,
  // declarations and text are passed over. False at the end of the text.
  // A "<" that begins no tag is text. Never throws except std::bad_alloc.
  bool NextTag(Tag& tag);
  // The raw text from here up to the next "<"; when that "<" begins the end
  // tag `upperName` (any case), the end tag is passed over too.
  std::string_view TextUntilClose(std::string_view upperName);
  // The raw text from here up to the next "<", with blanks at both ends cut.
  std::string_view TextUntilTag();

 private:
  void Advance(std::size_t to);

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// Decodes character references (&amp; &lt; &gt; &quot; &apos; &nbsp; &#N;
// &#xH;); an unknown or malformed one stays as written. Never throws except
// std::bad_alloc.
std::string DecodeText(std::string_view raw);
// Escapes &, <, > and " for text and attribute values; blanks at either end
// are written as &#32; so that a reader that trims them keeps them.
std::string Escape(std::string_view text);
// Escape's result appended to `out`.
void AppendEscaped(std::string& out, std::string_view text);

}  // namespace tavren::html
