#pragma once
// Just enough JSON writing for tavren-check: strings are UTF-8 and escaped.

#include <string>
#include <string_view>
#include <vector>

namespace tavren::json {

// `text` (valid UTF-8) as a JSON string literal with quotes: quote,
// backslash and control characters are escaped, everything else kept.
std::string Quote(std::string_view text);
// A JSON array of string literals.
std::string Array(const std::vector<std::string>& items);

}  // namespace tavren::json
