#include "banner/FileErrorText.h"

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

namespace {

constexpr char kSharingViolationUtf8[] = "プロセスはファイルにアクセスできません。別のプロセスが使用中です。";

struct ErrnoText {
  int errnoValue;
  const char* utf8;
};

// A folder where a file should be is refused access on the original
// platform, hence EISDIR among the access errors.
constexpr ErrnoText kErrnoTexts[] = {
    {EACCES, "アクセスが拒否されました。"},
    {EPERM, "アクセスが拒否されました。"},
    {EISDIR, "アクセスが拒否されました。"},
    {ENOENT, "指定されたファイルが見つかりません。"},
    {ENOTDIR, "指定されたパスが見つかりません。"},
    {EMFILE, "開いているファイルが多すぎます。"},
    {ENFILE, "開いているファイルが多すぎます。"},
    {ENOSPC, "ディスクに十分な空き領域がありません。"},
    {EDQUOT, "ディスクに十分な空き領域がありません。"},
    {EROFS, "メディアは書き込み禁止になっています。"},
    {ENAMETOOLONG, "ファイル名または拡張子が長すぎます。"},
    {EIO, "I/O デバイス エラーが発生したため、要求を実行できませんでした。"},
    {EWOULDBLOCK, kSharingViolationUtf8},
};

}  // namespace

std::string SharingViolationTextUtf8() { return TrimSystemText(kSharingViolationUtf8); }

std::string FileErrorTextUtf8(int errnoValue) {
  for (const ErrnoText& row : kErrnoTexts) {
    if (row.errnoValue == errnoValue) return TrimSystemText(row.utf8);
  }
  char buffer[256] = {};
  // The GNU strerror_r returns the text, which may not be in buffer.
  const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
  return TrimSystemText(text != nullptr ? text : "");
}

}  // namespace tavren
