#include "ui/SystemErrorText.h"

#include <cerrno>
#include <cstring>

namespace tavren {

std::string TrimSystemText(std::string_view text) {
  static constexpr std::string_view kIdeographicPeriod = "。";
  for (;;) {
    if (text.empty()) break;
    const char last = text.back();
    if (last == ' ' || last == '\t' || last == '\r' || last == '\n' || last == '.') {
      text.remove_suffix(1);
    } else if (text.size() >= kIdeographicPeriod.size() &&
               text.substr(text.size() - kIdeographicPeriod.size()) == kIdeographicPeriod) {
      text.remove_suffix(kIdeographicPeriod.size());
    } else {
      break;
    }
  }
  return std::string(text);
}

std::string SharingViolationText() {
  return TrimSystemText("プロセスはファイルにアクセスできません。別のプロセスが使用中です。");
}

std::string SystemErrorText(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
    case EISDIR:  // a folder where the file should be: the original platform refuses access
      return TrimSystemText("アクセスが拒否されました。");
    case ENOENT:
      return TrimSystemText("指定されたファイルが見つかりません。");
    case ENOTDIR:
      return TrimSystemText("指定されたパスが見つかりません。");
    case EMFILE:
    case ENFILE:
      return TrimSystemText("開いているファイルが多すぎます。");
    case ENOSPC:
    case EDQUOT:
      return TrimSystemText("ディスクに十分な空き領域がありません。");
    case EROFS:
      return TrimSystemText("メディアは書き込み禁止になっています。");
    case ENAMETOOLONG:
      return TrimSystemText("ファイル名または拡張子が長すぎます。");
    case EIO:
      return TrimSystemText("I/O デバイス エラーが発生したため、要求を実行できませんでした。");
    case EWOULDBLOCK:
      return SharingViolationText();
    default:
      break;
  }
  char buffer[256] = {};
  // The GNU strerror_r returns the text, which may not be in buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return TrimSystemText(text != nullptr ? text : "");
}

}  // namespace tavren
