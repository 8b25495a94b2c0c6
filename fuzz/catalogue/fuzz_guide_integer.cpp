// ParseGuideInteger against a plain reading of the integer rules.

#include "ReferenceGuide.h"
#include "base/Failure.h"
#include "catalogue/GuideInteger.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view field(reinterpret_cast<const char*>(data), size);
  auto expected = tavren::reference::Integer(field);
  try {
    std::int32_t value = tavren::ParseGuideInteger(field);
    if (!expected || *expected != value) std::abort();
  } catch (const tavren::EConvertError& e) {
    if (expected) std::abort();
    // The message carries the whole field, unchanged.
    if (e.Message().compare(1, field.size(), field) != 0) std::abort();
  }
  return 0;
}
