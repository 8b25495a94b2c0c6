#include "base/Failure.h"

#include "base/CodePage.h"

#include <string>

namespace tavren {

namespace {

struct InOutText {
  int number;
  const char* utf8;
};

constexpr InOutText kInOutTexts[] = {
    {io_error::kFileNotFound, "ファイルが見つかりません"},
    {io_error::kPathNotFound, "ファイル名の指定が間違っています"},
    {io_error::kTooManyOpenFiles, "オープンしたファイルが多すぎます"},
    {io_error::kAccessDenied, "ファイルへのアクセスが拒否されました"},
    {io_error::kReadBeyondEnd, "ファイルの末尾以降を読み込みました"},
    {io_error::kDiskFull, "ディスクがいっぱいです"},
    {io_error::kInvalidNumber, "入力値が数値ではありません"},
};

}  // namespace

std::string InOutErrorMessage(int code) {
  for (const InOutText& row : kInOutTexts) {
    if (row.number == code) return cp932::FromUtf8(row.utf8);
  }
  return cp932::FromUtf8("I/O エラー (") + std::to_string(code) + ")";
}

EInOutError::EInOutError(int errorCode) : EFailure(InOutErrorMessage(errorCode)), errorCode_(errorCode) {}

EStringListError::EStringListError(long long index)
    : EFailure(cp932::FromUtf8("リストのインデックスが範囲を超えています (") + std::to_string(index) + ")"),
      index_(index) {}

EConvertError::EConvertError(std::string_view field)
    : EFailure("'" + std::string(field) + cp932::FromUtf8("' は整数ではありません")) {}

}  // namespace tavren
