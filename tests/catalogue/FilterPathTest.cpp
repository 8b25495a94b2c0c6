// The filter looks at a page line's first two fields before splitting the
// rest. Its outcome must be exactly what a full split of the line gives.

#include "base/Failure.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GuideInteger.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tavren {
namespace {

struct Outcome {
  std::string failure;  // message of the failure, empty when none
  FilterStep step = FilterStep::Skip;
  std::vector<std::string> fields;  // the record's fields for Header and Page
  bool operator==(const Outcome&) const = default;
};

std::vector<std::string> FieldsOf(const GuideRecord& record) {
  std::vector<std::string> fields;
  for (int i = 0; i < record.Count(); ++i) fields.emplace_back(record.Field(i));
  return fields;
}

Outcome FastPath(std::string_view line, int major, int middle) {
  Outcome out;
  GuideRecord record;
  try {
    out.step = ClassifyForFilter(line, major, middle, record);
    if (out.step != FilterStep::Skip) out.fields = FieldsOf(record);
  } catch (const EFailure& e) {
    out.failure = e.Message();
  }
  return out;
}

// The filter's rule written out on the whole record.
Outcome FullSplit(std::string_view line, int major, int middle) {
  Outcome out;
  GuideRecord record = SplitGuideLine(line);
  try {
    switch (record.Kind()) {
      case RecordKind::HeaderRecord:
        out.step = FilterStep::Header;
        break;
      case RecordKind::MajorCategoryRecord:
      case RecordKind::MiddleCategoryRecord:
        out.step = FilterStep::Skip;
        break;
      case RecordKind::PageRecord:
        out.step = ParseGuideInteger(record.Field(0)) == major && ParseGuideInteger(record.Field(1)) == middle
                       ? FilterStep::Page
                       : FilterStep::Skip;
    }
    if (out.step != FilterStep::Skip) out.fields = FieldsOf(record);
  } catch (const EFailure& e) {
    out.failure = e.Message();
  }
  return out;
}

TEST(FilterPath, AgreesWithTheFullSplitOnHostileLines) {
  const std::string rows[] = {
      "",
      "   ",
      "0",
      "0,",
      "0, ",
      "0 0 t a n",
      "\"0\"\"\",0,t,a,n",
      "\"0\"0,t",
      "$0,x0,t,a,n",
      "0,0",
      "0,1",
      "1",
      "x,0",
      "0,x",
      "\"0 \",0",
      "0,\"0\",\"t\"",
      "\x81,0,0",
      "0\x81,0,t",
      "/,a",
      "/,a,b,c",
      "*",
      "+,",
      "\"*\",0,0",
      "0\t0\tt",
      "-0,+0,t,a,n",
      "0,0,\"unterminated",
      std::string("0,0\0,t", 6),
      "0,00000000000000000000,t,a,n",
  };
  for (const std::string& line : rows)
    for (int major : {0, 1, -1})
      for (int middle : {0, 1}) EXPECT_EQ(FastPath(line, major, middle), FullSplit(line, major, middle)) << line;
}

TEST(FilterPath, AgreesWithTheFullSplitOnGeneratedLines) {
  static const std::vector<std::string> pieces = {",",
                                                  ",",
                                                  " ",
                                                  "\t",
                                                  "\"",
                                                  "\"\"",
                                                  "0",
                                                  "1",
                                                  "-1",
                                                  "$0",
                                                  "x1",
                                                  "0x1",
                                                  "/",
                                                  "*",
                                                  "+",
                                                  "ab",
                                                  std::string(1, '\0'),
                                                  "\x81",
                                                  "\x81\x40",
                                                  "\x81\"",
                                                  "\x81,",
                                                  "\xE0 ",
                                                  "\xFC",
                                                  "\xFF",
                                                  "7 ",
                                                  "2147483648",
                                                  "+"};
  std::mt19937 rng(97);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 12);
  for (int n = 0; n < 20000; ++n) {
    std::string line;
    for (int k = length(rng); k > 0; --k) line += pieces[pick(rng)];
    for (int major : {0, 1})
      for (int middle : {0, 1}) ASSERT_EQ(FastPath(line, major, middle), FullSplit(line, major, middle)) << line;
  }
}

}  // namespace
}  // namespace tavren
