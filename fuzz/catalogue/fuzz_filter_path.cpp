// The filter's early look at a page line's first fields against the full
// split: same step, same fields, same failure. The first two input bytes pick
// the selected positions (-1 to 2), the rest is the line.

#include "base/Failure.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GuideInteger.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Outcome {
  std::string failure;
  tavren::FilterStep step = tavren::FilterStep::Skip;
  std::vector<std::string> fields;
  bool operator==(const Outcome&) const = default;
};

std::vector<std::string> FieldsOf(const tavren::GuideRecord& record) {
  std::vector<std::string> fields;
  for (int i = 0; i < record.Count(); ++i) fields.emplace_back(record.Field(i));
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int major = data[0] % 4 - 1;
  const int middle = data[1] % 4 - 1;
  std::string_view line(reinterpret_cast<const char*>(data) + 2, size - 2);

  Outcome fast;
  tavren::GuideRecord record;
  try {
    fast.step = tavren::ClassifyForFilter(line, major, middle, record);
    if (fast.step != tavren::FilterStep::Skip) fast.fields = FieldsOf(record);
  } catch (const tavren::EFailure& e) {
    fast.failure = e.Message();
  }

  Outcome full;
  tavren::GuideRecord whole = tavren::SplitGuideLine(line);
  try {
    switch (whole.Kind()) {
      case tavren::RecordKind::HeaderRecord:
        full.step = tavren::FilterStep::Header;
        break;
      case tavren::RecordKind::MajorCategoryRecord:
      case tavren::RecordKind::MiddleCategoryRecord:
        break;
      case tavren::RecordKind::PageRecord:
        if (tavren::ParseGuideInteger(whole.Field(0)) == major && tavren::ParseGuideInteger(whole.Field(1)) == middle)
          full.step = tavren::FilterStep::Page;
    }
    if (full.step != tavren::FilterStep::Skip) full.fields = FieldsOf(whole);
  } catch (const tavren::EFailure& e) {
    full.failure = e.Message();
  }
  if (!(fast == full)) std::abort();
  return 0;
}
