// Arbitrary bytes as a browser's bookmark file: the import must give a guide
// whose every record reads back field for field, with one page per link.

#include "authoring/BookmarkImport.h"
#include "catalogue/GuideRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  const tavren::ImportResult result = tavren::ImportBookmarks(html, {"s", "a", "u"});
  std::string_view guide = result.guide;
  int pages = 0;
  tavren::GuideRecord record;
  while (!guide.empty()) {
    const std::size_t end = guide.find("\r\n");
    if (end == std::string_view::npos) std::abort();  // every line ends in CR LF
    const std::string_view line = guide.substr(0, end);
    guide.remove_prefix(end + 2);
    if (line.find('\n') != std::string_view::npos || line.find('\r') != std::string_view::npos ||
        line.find('\0') != std::string_view::npos)
      std::abort();
    tavren::SplitGuideLine(line, record);
    const tavren::RecordKind kind = record.Kind();
    const int fields = kind == tavren::RecordKind::PageRecord ? 5 : kind == tavren::RecordKind::HeaderRecord ? 4 : 3;
    if (record.Count() != fields) std::abort();
    for (int i = 0; i < fields; ++i)
      if (!record.FollowsComma(i)) std::abort();
    pages += kind == tavren::RecordKind::PageRecord;
  }
  if (pages != result.pages) std::abort();
  return 0;
}
