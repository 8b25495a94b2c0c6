#include "authoring/Html.h"

#include "base/CodePage.h"

#include <algorithm>
#include <charconv>

namespace tavren::html {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == ':';
}
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t FindNoCase(std::string_view text, std::string_view upperNeedle, std::size_t from) {
  auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), upperNeedle.begin(),
                        upperNeedle.end(), [](char a, char b) { return Upper(a) == b; });
  return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

}  // namespace

bool Tag::HasAttribute(std::string_view upperName) const {
  return std::any_of(attributes.begin(), attributes.end(), [&](const auto& a) { return a.first == upperName; });
}

std::string_view Tag::Attribute(std::string_view upperName) const {
  for (const auto& a : attributes)
    if (a.first == upperName) return a.second;
  return {};
}

void Scanner::Advance(std::size_t to) {
  to = std::min(to, text_.size());
  line_ += static_cast<int>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                       text_.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
  pos_ = to;
}

bool Scanner::NextTag(Tag& tag) {
  for (;;) {
    const std::size_t lt = text_.find('<', pos_);
    if (lt == std::string_view::npos) {
      Advance(text_.size());
      return false;
    }
    Advance(lt);
    std::string_view rest = text_.substr(lt);
    if (rest.substr(0, 4) == "<!--") {
      const std::size_t end = text_.find("-->", lt + 4);
      Advance(end == std::string_view::npos ? text_.size() : end + 3);
      continue;
    }
    if (rest.size() > 1 && (rest[1] == '!' || rest[1] == '?')) {
      const std::size_t end = text_.find('>', lt);
      Advance(end == std::string_view::npos ? text_.size() : end + 1);
      continue;
    }
    std::size_t i = lt + 1;
    const bool endTag = i < text_.size() && text_[i] == '/';
    if (endTag) ++i;
    const std::size_t nameStart = i;
    while (i < text_.size() && IsNameChar(text_[i])) ++i;
    if (i == nameStart) {  // "<" as text
      Advance(lt + 1);
      continue;
    }
    tag.line = line_;
    tag.name.assign(endTag ? "/" : "");
    for (std::size_t k = nameStart; k < i; ++k) tag.name += Upper(text_[k]);
    tag.attributes.clear();
    // Attributes, up to the ">" that is outside quotes.
    while (i < text_.size() && text_[i] != '>') {
      if (IsSpace(text_[i]) || text_[i] == '/') {
        ++i;
        continue;
      }
      const std::size_t attrStart = i;
      while (i < text_.size() && !IsSpace(text_[i]) && text_[i] != '=' && text_[i] != '>') ++i;
      std::string name;
      for (std::size_t k = attrStart; k < i; ++k) name += Upper(text_[k]);
      if (i == attrStart) {  // a stray "=": pass it
        ++i;
        continue;
      }
      while (i < text_.size() && IsSpace(text_[i])) ++i;
      std::string_view value;
      if (i < text_.size() && text_[i] == '=') {
        ++i;
        while (i < text_.size() && IsSpace(text_[i])) ++i;
        if (i < text_.size() && (text_[i] == '"' || text_[i] == '\'')) {
          const char quote = text_[i];
          const std::size_t close = text_.find(quote, i + 1);
          const std::size_t end = close == std::string_view::npos ? text_.size() : close;
          value = text_.substr(i + 1, end - i - 1);
          i = close == std::string_view::npos ? text_.size() : close + 1;
        } else {
          const std::size_t valueStart = i;
          while (i < text_.size() && !IsSpace(text_[i]) && text_[i] != '>') ++i;
          value = text_.substr(valueStart, i - valueStart);
        }
      }
      tag.attributes.emplace_back(std::move(name), value);
    }
    Advance(i < text_.size() ? i + 1 : text_.size());
    return true;
  }
}

std::string_view Scanner::TextUntilClose(std::string_view upperName) {
  // Browsers escape every "<" in a title, so the text ends at the next "<";
  // looking no further keeps a file of unclosed tags linear.
  std::size_t end = text_.find('<', pos_);
  if (end == std::string_view::npos) end = text_.size();
  const std::string_view text = text_.substr(pos_, end - pos_);
  Advance(end);
  const std::string_view rest = text_.substr(end);
  if (rest.size() >= upperName.size() + 2 && rest[1] == '/' &&
      FindNoCase(rest.substr(2, upperName.size()), upperName, 0) == 0 &&
      (rest.size() == upperName.size() + 2 || !IsNameChar(rest[upperName.size() + 2]))) {
    const std::size_t close = text_.find('>', end);
    Advance(close == std::string_view::npos ? text_.size() : close + 1);
  }
  return text;
}

std::string_view Scanner::TextUntilTag() {
  std::size_t end = text_.find('<', pos_);
  if (end == std::string_view::npos) end = text_.size();
  std::string_view text = text_.substr(pos_, end - pos_);
  Advance(end);
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::string DecodeText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out += raw[i];
      continue;
    }
    const std::size_t semi = raw.find(';', i + 1);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string_view name = raw.substr(i + 1, semi - i - 1);
    char32_t c = 0;
    if (name == "amp")
      c = '&';
    else if (name == "lt")
      c = '<';
    else if (name == "gt")
      c = '>';
    else if (name == "quot")
      c = '"';
    else if (name == "apos")
      c = '\'';
    else if (name == "nbsp")
      c = 0xA0;
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      std::uint32_t value = 0;
      auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
      if (ec == std::errc() && end == digits.data() + digits.size() && !digits.empty() && value > 0 &&
          value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
        c = value;
    }
    if (c == 0) {
      out += '&';
      continue;
    }
    cp932::AppendUtf8(out, c);
    i = semi;
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  AppendEscaped(out, text);
  return out;
}

void AppendEscaped(std::string& out, std::string_view text) {
  std::size_t lead = 0;
  while (lead < text.size() && text[lead] == ' ') ++lead;
  std::size_t trail = text.size();
  while (trail > lead && text[trail - 1] == ' ') --trail;
  for (std::size_t i = 0; i < lead; ++i) out += "&#32;";
  // Runs without a character to escape are copied whole.
  std::size_t run = lead;
  for (std::size_t i = lead; i < trail; ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      default:
        continue;
    }
    out.append(text.substr(run, i - run));
    out += entity;
    run = i + 1;
  }
  out.append(text.substr(run, trail - run));
  for (std::size_t i = trail; i < text.size(); ++i) out += "&#32;";
}

}  // namespace tavren::html
