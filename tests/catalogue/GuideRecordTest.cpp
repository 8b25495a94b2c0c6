#include "catalogue/GuideRecord.h"

#include "base/CodePage.h"
#include "base/Failure.h"

#include <gtest/gtest.h>

#include "Sjis.h"

#include <random>
#include <vector>

namespace tavren {
namespace {

using Fields = std::vector<std::string>;

Fields FieldsOf(const GuideRecord& record) {
  Fields fields;
  for (int i = 0; i < record.Count(); ++i) fields.emplace_back(record.Field(i));
  return fields;
}

using test::Sjis;

TEST(SplitGuideLine, SplitsAsTheWorkedExamplesSay) {
  struct Row {
    std::string line;
    Fields fields;
  } rows[] = {
      {"", {}},
      {"   ", {}},
      {"a,b,c", {"a", "b", "c"}},
      {"  a  ,  b  ", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {"a, ,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"a,", {"a", ""}},
      {"a, ", {"a"}},
      {",", {"", ""}},
      {"a b", {"a", "b"}},
      {"a\tb", {"a", "b"}},
      {"\"a b\",c", {"a b", "c"}},
      {"a,\"b,c\",d", {"a", "b,c", "d"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"\",x", {"", "x"}},
      {"\"ab\"cd,e", {"ab", "cd", "e"}},
      {"\"a\" ,b", {"a", "b"}},
      {"ab\"cd\",e", {"ab\"cd\"", "e"}},
      {"\"abc", {"abc"}},
      {"\"a\"\"b", {"a\"b"}},
      {std::string("a,b\0c,d", 7), {"a", "b"}},
      {"0,1,My Page,addr,note", {"0", "1", "My", "Page", "addr", "note"}},
      // Further rows from the rules around them.
      {std::string("\0a,b", 4), {}},
      {"\x01\x1F"
       "a\x7F"
       "b",
       {"a\x7F"
        "b"}},
      {"a,\t", {"a"}},
      {"a\t,\tb,", {"a", "b", ""}},
      {"\"a,b\"", {"a,b"}},
      {"\"\"\"\"", {"\""}},
      {"\"\"", {""}},
      {"\"", {""}},
      {"a,\"b\"\"", {"a", "b\""}},
      {"\"x\"\"y\"z", {"x\"y", "z"}},
      {" , ,", {"", "", ""}},
  };
  for (const Row& row : rows) EXPECT_EQ(FieldsOf(SplitGuideLine(row.line)), row.fields) << "line: " << row.line;
}

TEST(SplitGuideLine, TestsWholeCp932Characters) {
  struct Row {
    const char* what;
    std::string line;
    Fields fields;
  } rows[] = {
      {"ideographic space is not a blank", Sjis("温泉　めぐり,x"), {Sjis("温泉　めぐり"), "x"}},
      {"second byte 0x5C stays", Sjis("表示,能"), {Sjis("表示"), Sjis("能")}},
      {"lead byte takes a comma", "\x81,a,b", {"\x81,a", "b"}},
      {"lead byte takes a blank", "\x9F b,c", {"\x9F b", "c"}},
      {"lead byte takes a quote", "\"\x81\"x\",y", {"\x81\"x", "y"}},
      {"lead byte at the very end", "a,\xE0", {"a", "\xE0"}},
      {"lead byte last inside quotes", "\"\xFC", {"\xFC"}},
      {"0xA0 and 0xFD are one-byte", "\xA0,\xFD,\xFF", {"\xA0", "\xFD", "\xFF"}},
      {"lead byte before NUL", std::string("a\x81\0,b", 5), {"a\x81"}},
      {"two-byte character before a tab", Sjis("湯") + "\tb", {Sjis("湯"), "b"}},
  };
  for (const Row& row : rows) EXPECT_EQ(FieldsOf(SplitGuideLine(row.line)), row.fields) << row.what;
}

TEST(GuideRecord, KindByFieldZero) {
  struct Row {
    std::string line;
    RecordKind kind;
  } rows[] = {
      {"/,x,y,z", RecordKind::HeaderRecord},      {"\"/\",x,y,z", RecordKind::HeaderRecord},
      {" /,x,y,z", RecordKind::HeaderRecord},     {"/", RecordKind::HeaderRecord},
      {"*,0,a", RecordKind::MajorCategoryRecord}, {"+,0,b", RecordKind::MiddleCategoryRecord},
      {"/x,y,z,w", RecordKind::PageRecord},       {"//,a", RecordKind::PageRecord},
      {"*1,a", RecordKind::PageRecord},           {"\xEF\xBB\xBF/,a,b,c", RecordKind::PageRecord},
      {"0,0,t,a,n", RecordKind::PageRecord},      {",*", RecordKind::PageRecord},
      {"+ x", RecordKind::MiddleCategoryRecord},  {"-", RecordKind::PageRecord},
  };
  for (const Row& row : rows) EXPECT_EQ(SplitGuideLine(row.line).Kind(), row.kind) << row.line;
}

TEST(GuideRecord, MissingFieldsFailNamingThePosition) {
  struct Row {
    std::string line;
    int position;
    const char* message;
  } rows[] = {
      {"", 0, "リストのインデックスが範囲を超えています (0)"},
      {"   ", 0, "リストのインデックスが範囲を超えています (0)"},
      {"*,0", 2, "リストのインデックスが範囲を超えています (2)"},
      {"0,0,t,a", 4, "リストのインデックスが範囲を超えています (4)"},
      {"a", -1, "リストのインデックスが範囲を超えています (-1)"},
  };
  for (const Row& row : rows) {
    GuideRecord record = SplitGuideLine(row.line);
    try {
      if (row.position == 0)
        record.Kind();
      else
        record.Field(row.position);
      ADD_FAILURE() << row.line;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Index(), row.position);
      EXPECT_EQ(cp932::ToUtf8(e.Message()), row.message);
    }
  }
}

TEST(GuideRecord, FieldsSeparatedWithoutACommaAreMarked) {
  struct Row {
    std::string line;
    std::vector<bool> afterComma;
  } rows[] = {
      {"a,b,c", {true, true, true}},
      {"0,1,My Page,addr", {true, true, true, false, true}},
      {"\"ab\"cd,e", {true, false, true}},
      {"a ,b", {true, true}},
      {"a,", {true, true}},
  };
  for (const Row& row : rows) {
    GuideRecord record = SplitGuideLine(row.line);
    ASSERT_EQ(static_cast<std::size_t>(record.Count()), row.afterComma.size()) << row.line;
    for (int i = 0; i < record.Count(); ++i)
      EXPECT_EQ(record.FollowsComma(i), row.afterComma[static_cast<std::size_t>(i)]) << row.line << " field " << i;
  }
}

TEST(GuideRecord, ReusedRecordForgetsTheEarlierLine) {
  GuideRecord record;
  SplitGuideLine("\"long \"\"quoted\"\" field\",b,c,d,e,f", record);
  SplitGuideLine("x", record);
  EXPECT_EQ(FieldsOf(record), Fields{"x"});
  SplitGuideLine("", record);
  EXPECT_EQ(record.Count(), 0);
}

// Lines built from the bytes that matter to the splitter, so that every rule
// meets every other one.
std::string HostileLine(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {",",     " ",    "\t",       "\"",     "\"\"",
                                                  "0",     "1",    "-1",       "$0",     "x1",
                                                  "/",     "*",    "+",        "ab",     std::string(1, '\0'),
                                                  "\r",    "\x81", "\x81\x40", "\x81\"", "\x81,",
                                                  "\xE0 ", "\xFC", "\xA0",     "\xFF",   "\x1A",
                                                  "7 "};
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 14);
  std::string line;
  for (int n = length(rng); n > 0; --n) line += pieces[pick(rng)];
  return line;
}

TEST(SplitGuideLine, FirstFieldsAloneEqualTheFullSplit) {
  std::mt19937 rng(20261209);
  GuideRecord full, prefix;
  for (int n = 0; n < 50000; ++n) {
    std::string line = HostileLine(rng);
    SplitGuideLine(line, full);
    for (std::size_t want : {0u, 1u, 2u, 3u, 5u}) {
      SplitGuideLine(line, prefix, want);
      ASSERT_EQ(static_cast<std::size_t>(prefix.Count()), std::min<std::size_t>(want, full.Count())) << line;
      for (int i = 0; i < prefix.Count(); ++i) ASSERT_EQ(prefix.Field(i), full.Field(i)) << line;
    }
  }
}

}  // namespace
}  // namespace tavren
