#include "base/Failure.h"

#include "base/CodePage.h"

#include <gtest/gtest.h>

namespace tavren {
namespace {

TEST(Failure, InOutMessagesByNumber) {
  struct Row {
    int code;
    const char* message;
  } rows[] = {
      {2, "ファイルが見つかりません"},
      {3, "ファイル名の指定が間違っています"},
      {4, "オープンしたファイルが多すぎます"},
      {5, "ファイルへのアクセスが拒否されました"},
      {100, "ファイルの末尾以降を読み込みました"},
      {101, "ディスクがいっぱいです"},
      {106, "入力値が数値ではありません"},
      {102, "I/O エラー (102)"},
      {-7, "I/O エラー (-7)"},
      {1005, "I/O エラー (1005)"},
  };
  for (const Row& r : rows) {
    EInOutError e(r.code);
    EXPECT_EQ(cp932::ToUtf8(e.Message()), r.message);
    EXPECT_EQ(e.ErrorCode(), r.code);
  }
}

TEST(Failure, ListIndexAndConvertMessages) {
  EXPECT_EQ(cp932::ToUtf8(EStringListError(4).Message()), "リストのインデックスが範囲を超えています (4)");
  EXPECT_EQ(cp932::ToUtf8(EStringListError(-1).Message()), "リストのインデックスが範囲を超えています (-1)");
  // The field goes in as bytes, unchanged, even when it is not valid text.
  EXPECT_EQ(EConvertError("x\x83").Message(), "'x\x83" + cp932::FromUtf8("' は整数ではありません"));
}

}  // namespace
}  // namespace tavren
