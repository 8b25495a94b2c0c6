#include "base/ErrorText.h"

#include "base/CodePage.h"

#include <gtest/gtest.h>

namespace tavren {
namespace {

TEST(ErrorBoxText, AppendsPeriodAfterLettersDigitsAndJapanese) {
  struct Row {
    const char* message;
    const char* expected;
  } rows[] = {
      {"", ""},
      {"ファイルが見つかりません", "ファイルが見つかりません."},
      {"I/O エラー (102)", "I/O エラー (102)"},
      {"HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found."},
      {"Connection Closed Gracefully.", "Connection Closed Gracefully."},
      {"Socket Error # 10061\r\nConnection refused.", "Socket Error # 10061\r\nConnection refused."},
      {"Socket Error # 10\r\n", "Socket Error # 10\r\n"},
      {"abc-", "abc-"},   // 0x2D
      {"abc/", "abc/."},  // 0x2F is the first byte that gets one
      {"abc 7", "abc 7."},
  };
  for (const Row& r : rows) EXPECT_EQ(cp932::ToUtf8(ErrorBoxText(cp932::FromUtf8(r.message))), r.expected) << r.message;
}

TEST(ErrorBoxText, JudgesTheLeadByteOfATwoByteCharacter) {
  // U+FF09 (full-width ")") is 0x81 0x6A: its first byte is above 0x2E.
  EXPECT_EQ(ErrorBoxText("\x81\x6a"), "\x81\x6a.");
  // A damaged last byte 0x29 after a lead byte belongs to that character.
  EXPECT_EQ(ErrorBoxText("x\x83\x29"), "x\x83\x29.");
}

TEST(ApplicationTitle, FileNameCutAtFirstDotFirstCharacterKept) {
  struct Row {
    const char* path;
    const char* title;
  } rows[] = {
      {"/usr/bin/tavren", "tavren"},       {"Tavren.exe", "Tavren"},    {"TAVREN.EXE", "Tavren"},
      {"./build/tavren.v2.bin", "tavren"}, {"/opt/x/MyProg", "Myprog"}, {"", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(ApplicationTitle(r.path), r.title) << r.path;
}

}  // namespace
}  // namespace tavren
