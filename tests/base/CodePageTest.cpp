#include "base/CodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace tavren::cp932 {
namespace {

struct Row {
  std::string cp932;
  std::string utf8;
};

TEST(CodePage, DecodesAndEncodesBothWays) {
  const Row rows[] = {
      {"", ""},
      {"abc", "abc"},
      {"\x83\x4b\x83\x43\x83\x68", "ガイド"},
      {"\x81\x40", "\u3000"},  // ideographic space
      {"\xb1\xb2", "ｱｲ"},      // half-width katakana are one byte
      {"\x8e\xa9\x95\xaa", "自分"},
      {"\x5c\x7e", "\\~"},  // CP932 keeps ASCII at 0x5C and 0x7E
      {"\x87\x40", "①"},    // NEC extension
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ToUtf8(r.cp932), r.utf8) << r.utf8;
    EXPECT_EQ(FromUtf8(r.utf8), r.cp932) << r.utf8;
  }
}

TEST(CodePage, InvalidBytesBecomeReplacementCharacters) {
  const Row rows[] = {
      {"\x83", "\uFFFD"},        // lead byte at the end
      {"\x83\x0a", "\uFFFD\n"},  // damaged pair: the trail byte survives
      {"a\xfd"
       "b",
       "a\uFFFD"
       "b"},
  };
  for (const Row& r : rows) EXPECT_EQ(ToUtf8(r.cp932), r.utf8);
}

TEST(CodePage, UnmappableTextBecomesQuestionMark) {
  EXPECT_EQ(FromUtf8("a\xF0\x9F\x98\x80"
                     "b"),
            "a?b");                        // emoji
  EXPECT_EQ(FromUtf8("\xC3\xA9"), "?");    // é has no CP932 code
  EXPECT_EQ(FromUtf8("\xFF"), "?");        // not UTF-8
  EXPECT_EQ(FromUtf16(u"\xD800x"), "?x");  // lone surrogate
}

TEST(CodePage, CharacterBoundaries) {
  EXPECT_EQ(LastCharStart("ab"), 1u);
  EXPECT_EQ(LastCharStart("a\x83\x4b"), 1u);
  EXPECT_EQ(LastCharStart("a\x83"), 1u);
  EXPECT_EQ(LastCharStart("\x83\x5c\x5c"), 2u);  // 0x5C after a lead byte is a trail byte
  EXPECT_EQ(ToUtf16("\x83\x4b"), u"ガ");
}

}  // namespace
}  // namespace tavren::cp932
