#include "catalogue/GuideRecord.h"

#include "base/CodePage.h"
#include "base/Failure.h"

#include <cstring>

namespace tavren {
namespace {

constexpr bool IsBlank(char c) noexcept {
  auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

constexpr bool IsLead(char c) noexcept { return cp932::IsLeadByte(static_cast<unsigned char>(c)); }

// A table for the unquoted run: 1 for a byte that ends it (blank or comma),
// 2 for a lead byte (which takes the next byte with it), 0 for the rest.
struct RunTable {
  std::uint8_t kind[256]{};
  constexpr RunTable() {
    for (int b = 1; b <= 0x20; ++b) kind[b] = 1;
    kind[static_cast<unsigned char>(',')] = 1;
    for (int b = 0x81; b <= 0x9F; ++b) kind[b] = 2;
    for (int b = 0xE0; b <= 0xFC; ++b) kind[b] = 2;
  }
};
constexpr RunTable kRun;

const char* SkipBlanks(const char* p, const char* end) noexcept {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

}  // namespace

std::string_view GuideRecord::Field(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= ends_.size()) throw EStringListError(i);
  std::size_t begin = i == 0 ? 0 : ends_[static_cast<std::size_t>(i) - 1];
  return {bytes_.data() + begin, ends_[static_cast<std::size_t>(i)] - begin};
}

RecordKind GuideRecord::Kind() const {
  std::string_view f0 = Field(0);
  if (f0.size() == 1) {
    if (f0[0] == '/') return RecordKind::HeaderRecord;
    if (f0[0] == '*') return RecordKind::MajorCategoryRecord;
    if (f0[0] == '+') return RecordKind::MiddleCategoryRecord;
  }
  return RecordKind::PageRecord;
}

void GuideRecord::Append(const char* begin, const char* end, bool afterComma) {
  bytes_.append(begin, end);
  ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
  afterComma_.push_back(afterComma ? 1 : 0);
}

void SplitGuideLine(std::string_view line, GuideRecord& record, std::size_t maxFields) {
  record.Clear();
  if (maxFields == 0) return;
  const char* p = line.data();
  const char* end = p + line.size();
  if (const void* nul = std::memchr(p, '\0', line.size())) end = static_cast<const char*>(nul);

  bool afterComma = true;
  p = SkipBlanks(p, end);
  while (p < end) {
    if (*p == '"') {
      // Quoted: copy runs between quote pairs, each pair giving one quote.
      const char* q = p + 1;
      const char* runStart = q;
      bool closed = false;
      while (q < end) {
        if (*q == '"') {
          if (q + 1 < end && q[1] == '"') {
            record.bytes_.append(runStart, q + 1);
            q += 2;
            runStart = q;
            continue;
          }
          closed = true;
          break;
        }
        q += (IsLead(*q) && q + 1 < end) ? 2 : 1;
      }
      record.bytes_.append(runStart, q);
      record.ends_.push_back(static_cast<std::uint32_t>(record.bytes_.size()));
      record.afterComma_.push_back(afterComma ? 1 : 0);
      // An unterminated quote takes the rest of the line.
      p = closed ? q + 1 : end;
    } else {
      const char* q = p;
      while (q < end) {
        std::uint8_t k = kRun.kind[static_cast<unsigned char>(*q)];
        if (k == 1) break;
        q += (k == 2 && q + 1 < end) ? 2 : 1;
      }
      record.Append(p, q, afterComma);
      p = q;
    }
    if (record.ends_.size() >= maxFields) return;
    afterComma = false;
    p = SkipBlanks(p, end);
    if (p < end && *p == ',') {
      afterComma = true;
      // Only a comma that is the line's very last character adds an empty
      // field; one followed by blanks does not.
      if (p + 1 == end) {
        record.Append(end, end, true);
        return;
      }
      p = SkipBlanks(p + 1, end);
    }
  }
}

GuideRecord SplitGuideLine(std::string_view line) {
  GuideRecord record;
  SplitGuideLine(line, record);
  return record;
}

}  // namespace tavren
