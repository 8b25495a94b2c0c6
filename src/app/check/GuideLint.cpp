#include "app/check/GuideLint.h"

#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "catalogue/GuideInteger.h"
#include "catalogue/GuideReader.h"
#include "catalogue/GuideRecord.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>

namespace tavren {
namespace {

std::string BoxText(const EFailure& failure) { return cp932::ToUtf8(ErrorBoxText(failure.Message())); }

// Offset of the first byte that does not begin a valid CP932 character.
std::optional<std::size_t> FirstInvalidByte(std::string_view line, std::size_t from) {
  if (cp932::ToUtf16(line.substr(from)).find(u'\uFFFD') == std::u16string::npos) return std::nullopt;
  for (std::size_t i = from; i < line.size();) {
    std::size_t len = cp932::CharLength(line, i);
    if (cp932::ToUtf16(line.substr(i, len)).find(u'\uFFFD') != std::u16string::npos) return i;
    i += len;
  }
  return std::nullopt;
}

struct PagePositions {
  int line;
  std::int32_t major;
  std::int32_t middle;
};

}  // namespace

std::vector<LintFinding> LintGuide(const std::string& path) {
  std::vector<LintFinding> findings;
  auto fail = [&findings](int line, std::string text) { findings.push_back({line, true, std::move(text)}); };
  auto warn = [&findings](int line, std::string text) { findings.push_back({line, false, std::move(text)}); };

  GuideReader reader;
  reader.Name(path);
  try {
    reader.Open();
  } catch (const EFailure& failure) {
    fail(0, BoxText(failure));
    return findings;
  }
  GuideReaderCloser closer(reader);

  int lineNo = 0;
  int majors = 0;
  int middles = 0;
  std::vector<PagePositions> pages;
  GuideRecord record;
  try {
    while (!reader.AtEnd()) {
      std::string_view line = reader.NextLine();
      ++lineNo;
      const bool bom = lineNo == 1 && line.substr(0, 3) == "\xEF\xBB\xBF";
      if (bom)
        warn(lineNo,
             "UTF-8 の BOM (EF BB BF) で始まっています。最初の項目の先頭に 3 バイトが付くため、"
             "1 行目のヘッダーや分類はページとして読まれます。BOM なしの Shift-JIS で保存してください");
      if (auto bad = FirstInvalidByte(line, bom ? 3 : 0))
        warn(lineNo, "Shift-JIS (CP932) として正しくないバイトがあります (" + std::to_string(*bad + 1) +
                         " バイト目)。画面では「?」などに化けます");
      if (line.find('\0') != std::string_view::npos)
        warn(lineNo, "NUL バイトがあります。その位置から行末までは読まれません");

      SplitGuideLine(line, record);
      if (record.Count() == 0) {
        fail(lineNo, BoxText(EStringListError(0)) + " — 空行です。読込も分類の選択もここで止まります");
        continue;
      }
      RecordKind kind = record.Kind();
      int lastRead = 4;
      int minFields = 5;
      const char* what = "ページ";
      switch (kind) {
        case RecordKind::HeaderRecord:
          lastRead = 3;
          minFields = 4;
          what = "ヘッダー";
          break;
        case RecordKind::MajorCategoryRecord:
          ++majors;
          lastRead = 2;
          minFields = 3;
          what = "大分類";
          break;
        case RecordKind::MiddleCategoryRecord:
          ++middles;
          lastRead = 2;
          minFields = 3;
          what = "中分類";
          break;
        case RecordKind::PageRecord:
          break;
      }
      for (int i = 1; i <= std::min(lastRead, record.Count() - 1); ++i) {
        if (!record.FollowsComma(i)) {
          warn(lineNo, std::string(what) + "の項目 " + std::to_string(i) +
                           " の前にカンマがありません。引用符で囲まれていない半角空白 (または閉じ引用符の直後の文字) "
                           "が区切りになり、それより後の項目が 1 つずつずれます。半角空白を含む項目は \"...\" "
                           "で囲んでください");
          break;
        }
        if (i == std::min(lastRead, record.Count() - 1) && lastRead + 1 < record.Count() &&
            !record.FollowsComma(lastRead + 1)) {
          // Everything read is in place, but the last field read was cut at a
          // blank and its rest is silently dropped.
          warn(lineNo, std::string(what) + "の項目 " + std::to_string(lastRead) +
                           " が引用符で囲まれていない半角空白で切れ、その後ろは読まれません。半角空白を含む項目は "
                           "\"...\" で囲んでください");
        }
      }
      if (record.Count() < minFields) {
        // The first field the load reads and does not find.
        int missing = kind == RecordKind::PageRecord     ? std::max(record.Count(), 2)
                      : kind == RecordKind::HeaderRecord ? std::max(record.Count(), 1)
                                                         : 2;
        fail(lineNo, BoxText(EStringListError(missing)) + " — " + what + "の項目が " + std::to_string(record.Count()) +
                         " 個しかありません (" + std::to_string(minFields) + " 個必要)。読込が止まります");
      }
      if (kind != RecordKind::PageRecord) continue;
      std::optional<std::int32_t> major, middle;
      try {
        major = ParseGuideInteger(record.Field(0));
      } catch (const EConvertError& e) {
        fail(lineNo, BoxText(e) + " — 大分類の番号が整数ではありません。分類を選ぶとここで止まります");
      }
      // Field 1 is read only when field 0 matched, which needs an integer there.
      if (major && record.Count() > 1) {
        try {
          middle = ParseGuideInteger(record.Field(1));
        } catch (const EConvertError& e) {
          fail(lineNo, BoxText(e) + " — 中分類の番号が整数ではありません。この大分類を選ぶとここで止まります");
        }
      }
      if (major && middle) pages.push_back({lineNo, *major, *middle});
    }
  } catch (const EFailure& failure) {
    fail(lineNo + 1, BoxText(failure) + " — ファイルを読めませんでした");
  }
  reader.CloseQuietly();

  // Positions can only be judged once every category record is counted.
  for (const auto& page : pages) {
    if (page.major < 0 || page.major >= majors)
      warn(page.line, "大分類 " + std::to_string(page.major) + " はありません (大分類は " + std::to_string(majors) +
                          " 個)。このページはどの分類を選んでも表示されません");
    else if (page.middle < 0 || page.middle >= middles)
      warn(page.line, "中分類 " + std::to_string(page.middle) + " はありません (中分類は " + std::to_string(middles) +
                          " 個)。このページはどの分類を選んでも表示されません");
  }

  // The end mark stops reading; say so when something follows it.
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (auto mark = bytes.find('\x1A'); mark != std::string::npos && mark + 1 < bytes.size())
    warn(static_cast<int>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(mark), '\n')) + 1,
         "終端記号 0x1A があります。その後の " + std::to_string(bytes.size() - mark - 1) + " バイトは読まれません");

  std::stable_sort(findings.begin(), findings.end(),
                   [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
  return findings;
}

std::string FormatFindings(const std::string& path, const std::vector<LintFinding>& findings) {
  std::string out;
  for (const auto& f : findings)
    out += path + ":" + std::to_string(f.line) + ": " + (f.fails ? "エラー: " : "警告: ") + f.message + "\n";
  return out;
}

}  // namespace tavren
