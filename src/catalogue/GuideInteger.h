#pragma once
// The integer conversion of a guide file's category positions.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavren {

// Converts a field to a signed 32-bit integer. Accepts leading spaces (0x20
// only), one optional sign directly before the number, then either decimal
// digits whose value lies in the int32 range, or a hexadecimal number
// ("$", "x", "X", "0x" or "0X" before one or more hex digits) built in 32 bits,
// read as two's complement and negated modulo 2^32 by "-". Nothing may follow
// the digits. Throws EConvertError carrying the whole field otherwise.
std::int32_t ParseGuideInteger(std::string_view field);

// The same conversion without the failure: no value where ParseGuideInteger
// would throw. Never throws.
std::optional<std::int32_t> TryParseGuideInteger(std::string_view field) noexcept;

}  // namespace tavren
