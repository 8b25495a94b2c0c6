#include "authoring/LinkCheck.h"

#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "base/QtText.h"
#include "catalogue/GuideReader.h"
#include "catalogue/GuideRecord.h"

#include <QUrl>

#include <unordered_map>

namespace tavren {

GuideAddresses ReadGuideAddresses(const std::string& path) {
  GuideAddresses result;
  std::unordered_map<std::string, std::size_t> seen;
  GuideReader reader;
  reader.Name(path);
  reader.Open();
  GuideReaderCloser closer(reader);
  GuideRecord record;
  int lineNo = 0;
  try {
    while (!reader.AtEnd()) {
      ++lineNo;
      SplitGuideLine(reader.NextLine(), record, 4);
      if (record.Count() < 4) continue;
      const RecordKind kind = record.Kind();
      if (kind != RecordKind::PageRecord && kind != RecordKind::HeaderRecord) continue;
      std::string address(record.Field(3));
      auto [it, added] = seen.try_emplace(std::move(address), result.addresses.size());
      if (added) result.addresses.push_back({it->first, {}});
      result.addresses[it->second].lines.push_back(lineNo);
    }
  } catch (const EFailure& failure) {
    result.readFailureUtf8 = cp932::ToUtf8(ErrorBoxText(failure.Message()));
  }
  return result;
}

std::string CheckableUrl(const std::string& cp932Address) {
  if (cp932Address.empty()) return {};
  const QUrl url(cp932::ToQString(cp932Address), QUrl::TolerantMode);
  const QString scheme = url.scheme();
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) return {};
  return url.toEncoded().toStdString();
}

}  // namespace tavren
