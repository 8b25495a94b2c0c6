// The system's error descriptions that the banner file's failure messages
// carry: Japanese for the common file errors, trimmed for use mid-sentence.

#include <gtest/gtest.h>

#include <cerrno>

#include "banner/FileErrorText.h"

namespace tavren {
namespace {

TEST(FileErrorText, CommonFileErrorsAreWordedInJapanese) {
  struct Row {
    int code;
    const char* text;
  };
  const Row rows[] = {
      {EACCES, "アクセスが拒否されました"},
      {EPERM, "アクセスが拒否されました"},
      {EISDIR, "アクセスが拒否されました"},
      {ENOENT, "指定されたファイルが見つかりません"},
      {ENOTDIR, "指定されたパスが見つかりません"},
      {ENOSPC, "ディスクに十分な空き領域がありません"},
      {EMFILE, "開いているファイルが多すぎます"},
      {EROFS, "メディアは書き込み禁止になっています"},
      {EWOULDBLOCK, "プロセスはファイルにアクセスできません。別のプロセスが使用中です"},
  };
  for (const Row& r : rows) EXPECT_EQ(FileErrorTextUtf8(r.code), r.text) << r.code;
  EXPECT_EQ(SharingViolationTextUtf8(), "プロセスはファイルにアクセスできません。別のプロセスが使用中です");
}

TEST(FileErrorText, OtherErrorsUseTheLibrarysTextWithoutTrailingPeriods) {
  const int codes[] = {EBADF, EINVAL, ENOMEM, 9999};
  for (int code : codes) {
    const std::string text = FileErrorTextUtf8(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), '.') << code;
    EXPECT_NE(text.back(), ' ') << code;
    EXPECT_NE(text.back(), '\n') << code;
  }
}

TEST(FileErrorText, TrimmingRemovesOnlyTrailingBlanksBreaksAndPeriods) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"Access denied.", "Access denied"},
      {"Access denied. \r\n", "Access denied"},
      {"a.b.c...", "a.b.c"},
      {"使用中です。", "使用中です"},
      {"使用中です。\r\n。", "使用中です"},
      {"  leading stays", "  leading stays"},
      {"v1.0", "v1.0"},
      {"....", ""},
      {"", ""},
      {"ends in 。 then x", "ends in 。 then x"},
  };
  for (const Row& r : rows) EXPECT_EQ(TrimSystemText(r.in), r.out) << r.in;
}

}  // namespace
}  // namespace tavren
