#pragma once
// A large, realistic guide for measuring: CP932, CR LF, a header, the
// category records first, then pages spread over every category pair, with
// quoted fields, blanks around separators and two-byte text throughout.

#include <cstdint>
#include <string>

namespace tavren::bench {

struct GuideShape {
  int pages = 100000;
  int majors = 20;
  int middles = 200;  // one flat list; each major uses its own ten
  std::uint32_t seed = 1;
};

// The whole file's bytes.
std::string GenerateGuide(const GuideShape& shape);

}  // namespace tavren::bench
