#include "catalogue/GuideRecord.h"

#include "base/CodePage.h"
#include "base/Failure.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavren {
namespace {

constexpr bool IsBlank(char c) noexcept {
  auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

constexpr bool IsLead(char c) noexcept { return cp932::IsLeadByte(static_cast<unsigned char>(c)); }

// Bytes that may end an unquoted run: blanks (and NUL) and the comma.
struct StopTable {
  bool stop[256]{};
  constexpr StopTable() {
    for (int b = 0; b <= 0x20; ++b) stop[b] = true;
    stop[static_cast<unsigned char>(',')] = true;
  }
};
constexpr StopTable kStop;

// Whether the byte at j begins a character, given that `from` (<= j) does.
// The bytes just before j that could be lead bytes pair up from the last
// byte that cannot be one: an even count means j is not taken by a lead byte.
// Blanks, commas and quotes are never lead bytes, so the walk back is short.
bool StartsCharacter(const char* from, const char* j) noexcept {
  const char* k = j;
  while (k > from && IsLead(k[-1])) --k;
  return ((j - k) & 1) == 0;
}

// The first byte at or after q that may end an unquoted run, or end.
const char* FindStop(const char* q, const char* end) noexcept {
#if defined(__SSE2__)
  // Sixteen bytes at a time: a byte is a stop when min(byte, 0x20) == byte
  // (unsigned) or when it is a comma.
  const __m128i blank = _mm_set1_epi8(0x20);
  const __m128i comma = _mm_set1_epi8(',');
  while (end - q >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(v, blank), v), _mm_cmpeq_epi8(v, comma));
    if (int mask = _mm_movemask_epi8(hit)) return q + __builtin_ctz(static_cast<unsigned>(mask));
    q += 16;
  }
#endif
  while (q < end && !kStop.stop[static_cast<unsigned char>(*q)]) ++q;
  return q;
}

const char* SkipBlanks(const char* p, const char* end) noexcept {
  while (p < end && IsBlank(*p)) ++p;
  return p;
}

}  // namespace

std::string_view GuideRecord::Field(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= fields_.size()) throw EStringListError(i);
  return View(fields_[static_cast<std::size_t>(i)]);
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

void SplitGuideLine(std::string_view line, GuideRecord& record, std::size_t maxFields) {
  record.fields_.clear();
  record.storage_.clear();
  record.line_ = line.data();
  if (maxFields == 0) return;
  const char* const begin = line.data();
  const char* p = begin;
  const char* end = p + line.size();
  if (line.empty()) return;
  // The line ends at its first NUL. Runs and blank skips stop at a NUL of
  // their own accord, so the line is searched for one only before a quoted
  // field, which could otherwise run past it.
  bool cut = false;
  auto cutAtNul = [&] {
    if (cut) return;
    if (const void* nul = std::memchr(p, '\0', static_cast<std::size_t>(end - p))) end = static_cast<const char*>(nul);
    cut = true;
  };
  auto inLine = [&](const char* from, const char* to, bool afterComma) {
    record.fields_.push_back({static_cast<std::size_t>(from - begin), static_cast<std::size_t>(to - from), 0,
                              static_cast<std::uint8_t>(afterComma)});
  };
  bool afterComma = true;
  p = SkipBlanks(p, end);
  while (p < end) {
    if (*p == '\0') {
      end = p;
      break;
    }
    if (*p == '"') {
      cutAtNul();
      const char* q = p + 1;
      const char* runStart = q;
      bool paired = false;
      bool closed = false;
      std::size_t storageStart = record.storage_.size();
      for (;;) {
        q = static_cast<const char*>(std::memchr(q, '"', static_cast<std::size_t>(end - q)));
        if (!q) {
          q = end;
          break;
        }
        if (!StartsCharacter(p + 1, q)) {
          ++q;  // the second byte of a two-byte character
          continue;
        }
        if (q + 1 < end && q[1] == '"') {
          // A pair stands for one quote: copy up to and with its first half.
          record.storage_.append(runStart, q + 1);
          paired = true;
          q += 2;
          runStart = q;
          continue;
        }
        closed = true;
        break;
      }
      if (paired) {
        record.storage_.append(runStart, q);
        record.fields_.push_back({static_cast<std::size_t>(storageStart),
                                  static_cast<std::size_t>(record.storage_.size() - storageStart), 1,
                                  static_cast<std::uint8_t>(afterComma)});
      } else {
        inLine(p + 1, q, afterComma);
      }
      // An unterminated quote takes the rest of the line.
      p = closed ? q + 1 : end;
    } else {
      const char* q = p;
      for (;;) {
        q = FindStop(q, end);
        if (q != end && *q == '\0') end = q;  // even right after a lead byte
        if (q == end || StartsCharacter(p, q)) break;
        ++q;  // the second byte of a two-byte character
      }
      inLine(p, q, afterComma);
      p = q;
    }
    if (record.fields_.size() >= maxFields) return;
    afterComma = false;
    p = SkipBlanks(p, end);
    if (p < end && *p == ',') {
      afterComma = true;
      // Only a comma that is the line's very last character adds an empty
      // field; one followed by blanks does not.
      if (p + 1 < end && p[1] == '\0') end = p + 1;
      if (p + 1 == end) {
        inLine(end, end, true);
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
