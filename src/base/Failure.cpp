#include "base/Failure.h"

#include "base/CodePage.h"

#include <string>

namespace tavren {

std::string InOutErrorMessage(int code) {
  switch (code) {
    case 2:
      return cp932::FromUtf8("ファイルが見つかりません");
    case 3:
      return cp932::FromUtf8("ファイル名の指定が間違っています");
    case 4:
      return cp932::FromUtf8("オープンしたファイルが多すぎます");
    case 5:
      return cp932::FromUtf8("ファイルへのアクセスが拒否されました");
    case 100:
      return cp932::FromUtf8("ファイルの末尾以降を読み込みました");
    case 101:
      return cp932::FromUtf8("ディスクがいっぱいです");
    case 106:
      return cp932::FromUtf8("入力値が数値ではありません");
    default:
      return cp932::FromUtf8("I/O エラー (") + std::to_string(code) + ")";
  }
}

EInOutError::EInOutError(int errorCode) : EFailure(InOutErrorMessage(errorCode)), errorCode_(errorCode) {}

EStringListError::EStringListError(long long index)
    : EFailure(cp932::FromUtf8("リストのインデックスが範囲を超えています (") + std::to_string(index) + ")"),
      index_(index) {}

EConvertError::EConvertError(std::string_view field)
    : EFailure("'" + std::string(field) + cp932::FromUtf8("' は整数ではありません")) {}

}  // namespace tavren
