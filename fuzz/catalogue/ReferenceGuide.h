#pragma once
// Plain, slow readings of the guide rules, written from the rules and not
// from the fast code, for the fuzzers to compare against: one byte or one
// character at a time, a fresh string per field.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavren::reference {

inline std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  auto atEnd = [&] { return i >= bytes.size() || bytes[i] == '\x1A'; };
  while (!atEnd()) {
    std::string line;
    while (i < bytes.size()) {
      char c = bytes[i];
      if (c == '\x1A') break;
      ++i;
      if (c == '\n') break;
      if (c == '\r') {
        if (i < bytes.size() && bytes[i] == '\n') {
          ++i;
          break;
        }
        continue;
      }
      line += c;
    }
    lines.push_back(line);
  }
  return lines;
}

inline bool Lead(char c) {
  auto b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

inline bool Blank(char c) {
  auto b = static_cast<unsigned char>(c);
  return b >= 1 && b <= 0x20;
}

inline std::vector<std::string> Split(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  // Cut into characters first, then work on whole characters only.
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t len = Lead(line[i]) && i + 1 < line.size() ? 2 : 1;
    chars.emplace_back(line.substr(i, len));
    i += len;
  }
  auto is = [&](std::size_t k, char c) { return k < chars.size() && chars[k].size() == 1 && chars[k][0] == c; };
  auto blank = [&](std::size_t k) { return k < chars.size() && chars[k].size() == 1 && Blank(chars[k][0]); };
  std::vector<std::string> fields;
  std::size_t k = 0;
  while (blank(k)) ++k;
  while (k < chars.size()) {
    std::string field;
    if (is(k, '"')) {
      ++k;
      bool closed = false;
      while (k < chars.size()) {
        if (is(k, '"')) {
          if (is(k + 1, '"')) {
            field += '"';
            k += 2;
            continue;
          }
          closed = true;
          ++k;
          break;
        }
        field += chars[k++];
      }
      if (!closed) k = chars.size();
    } else {
      while (k < chars.size() && !blank(k) && !is(k, ',')) field += chars[k++];
    }
    fields.push_back(field);
    while (blank(k)) ++k;
    if (is(k, ',')) {
      if (k + 1 == chars.size()) fields.emplace_back();
      ++k;
      while (blank(k)) ++k;
    }
  }
  return fields;
}

inline std::optional<std::int32_t> Integer(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  int sign = 1;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
  std::string_view rest = s.substr(i);
  bool hex = false;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hex = true;
    rest.remove_prefix(1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hex = true;
    rest.remove_prefix(2);
  }
  if (rest.empty()) return std::nullopt;
  // Leading zeros never matter; after them the digits must fit.
  std::size_t first = rest.find_first_not_of('0');
  std::string_view digits = first == std::string_view::npos ? std::string_view() : rest.substr(first);
  const std::string_view allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (rest.find_first_not_of(allowed) != std::string_view::npos) return std::nullopt;
  if (hex) {
    if (digits.size() > 8) return std::nullopt;
    std::uint32_t v = digits.empty() ? 0 : static_cast<std::uint32_t>(std::stoul(std::string(digits), nullptr, 16));
    if (sign < 0) v = ~v + 1;
    return static_cast<std::int32_t>(v);
  }
  if (digits.size() > 10) return std::nullopt;
  long long v = digits.empty() ? 0 : std::stoll(std::string(digits)) * sign;
  if (v < -2147483648LL || v > 2147483647LL) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

}  // namespace tavren::reference
