#include "catalogue/GuideInteger.h"

#include "base/Failure.h"

namespace tavren {
namespace {

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::int32_t> TryParseGuideInteger(std::string_view field) noexcept {
  std::size_t i = 0;
  const std::size_t n = field.size();
  // The common case first: a short run of decimal digits.
  if (n > 0 && n <= 9) {
    std::int32_t v = 0;
    for (; i < n && field[i] >= '0' && field[i] <= '9'; ++i) v = v * 10 + (field[i] - '0');
    if (i == n) return v;
    i = 0;
  }
  while (i < n && field[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (field[i] == '$' || field[i] == 'x' || field[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return std::nullopt;
  if (hex) {
    std::uint32_t v = 0;
    for (; i < n; ++i) {
      int d = HexDigit(field[i]);
      if (d < 0 || (v >> 28) != 0) return std::nullopt;
      v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    if (negative) v = 0u - v;
    return static_cast<std::int32_t>(v);
  }
  std::uint64_t v = 0;
  const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  for (; i < n; ++i) {
    if (field[i] < '0' || field[i] > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(field[i] - '0');
    if (v > limit) return std::nullopt;
  }
  return negative ? static_cast<std::int32_t>(0 - static_cast<std::int64_t>(v)) : static_cast<std::int32_t>(v);
}

std::int32_t ParseGuideInteger(std::string_view field) {
  if (std::optional<std::int32_t> value = TryParseGuideInteger(field)) return *value;
  throw EConvertError(field);
}

}  // namespace tavren
