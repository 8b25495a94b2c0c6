#include "catalogue/GuideInteger.h"

#include "base/CodePage.h"
#include "base/Failure.h"

#include <gtest/gtest.h>

#include <string>

namespace tavren {
namespace {

TEST(ParseGuideInteger, AcceptsTheTableRows) {
  struct Row {
    std::string field;
    std::int32_t value;
  } rows[] = {
      {"7", 7},
      {"007", 7},
      {"+7", 7},
      {"-7", -7},
      {"  7", 7},
      {"$1F", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"0x1F", 31},
      {"0X1F", 31},
      {"$FFFFFFFF", -1},
      {"-$1", -1},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"0", 0},
      {"-0", 0},
      {"$0", 0},
      {"x0", 0},
      {"$000000000001", 1},
      {"$80000000", -2147483647 - 1},
      {"-$80000000", -2147483647 - 1},
      {"-$FFFFFFFF", 1},
      {"+$7fffffff", 2147483647},
      {"0000000000000000000042", 42},
      {"123456789", 123456789},
      {"1234567890", 1234567890},
      {" -12", -12},
      {"0x0", 0},
  };
  for (const Row& row : rows) {
    try {
      EXPECT_EQ(ParseGuideInteger(row.field), row.value) << row.field;
    } catch (const EConvertError&) {
      ADD_FAILURE() << "rejected " << row.field;
    }
  }
}

TEST(ParseGuideInteger, RejectsWithTheWholeField) {
  const std::string rows[] = {
      "7 ",   "- 7",         "\t7",      "++7",  "1.0",  "$100000000", "2147483648", "-2147483649",
      "",     "-",           "$",        "0x",   "+",    "x",          "X",          "+-7",
      "0x$1", "$-1",         "--1",      "1e3",  "0b1",  "$G",         "1 2",        " ",
      "7\n",  "99999999999", "\xA3\xB1", "0xx1", "$1F ", "00x1",       "$FFFFFFFF0", "1,",
  };
  for (const std::string& field : rows) {
    try {
      ParseGuideInteger(field);
      ADD_FAILURE() << "accepted " << field;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + field + cp932::FromUtf8("' は整数ではありません")) << field;
    }
  }
}

TEST(ParseGuideInteger, FullWidthDigitsAreNotDigits) {
  std::string field = cp932::FromUtf8("１２");
  EXPECT_THROW(ParseGuideInteger(field), EConvertError);
}

}  // namespace
}  // namespace tavren
