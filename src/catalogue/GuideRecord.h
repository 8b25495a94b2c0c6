#pragma once
// One line of a guide file split into fields, and the splitter.
//
// Splitting works on CP932 characters: a lead byte (0x81-0x9F, 0xE0-0xFC)
// takes the next byte with it, so the second byte of a two-byte character is
// never taken for a blank, comma or quote. Outside quotes the bytes
// 0x01-0x20 are blanks: they separate fields like a comma and are dropped
// around them. A field that begins with a quote runs to the next lone quote,
// with each pair of quotes standing for one. The line is cut at its first NUL.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavren {

enum class RecordKind { HeaderRecord, MajorCategoryRecord, MiddleCategoryRecord, PageRecord };

class GuideRecord {
 public:
  // Number of fields; 0 for an empty line or a line of blanks.
  int Count() const noexcept { return static_cast<int>(ends_.size()); }

  // The bytes of field i (from 0). The view stays valid until the record is
  // split into again or destroyed. Throws EStringListError(i) when the record
  // has no field i.
  std::string_view Field(int i) const;

  // The kind by field 0, compared byte for byte with "/", "*" and "+";
  // anything else is a page. Throws EStringListError(0) on a record without
  // fields.
  RecordKind Kind() const;

  // Whether field i was separated from the one before it by a comma (always
  // true for field 0). False means only blanks or a closing quote stood
  // between them, which is how an unquoted title with an ASCII blank shifts
  // the fields after it. i must be < Count().
  bool FollowsComma(int i) const noexcept { return afterComma_[static_cast<std::size_t>(i)] != 0; }

  friend bool operator==(const GuideRecord& a, const GuideRecord& b) noexcept {
    return a.bytes_ == b.bytes_ && a.ends_ == b.ends_;
  }

 private:
  friend void SplitGuideLine(std::string_view line, GuideRecord& record, std::size_t maxFields);
  void Clear() noexcept {
    bytes_.clear();
    ends_.clear();
    afterComma_.clear();
  }
  void Append(const char* begin, const char* end, bool afterComma);

  std::string bytes_;                // the fields' texts, one after the other
  std::vector<std::uint32_t> ends_;  // end of field i in bytes_
  std::vector<std::uint8_t> afterComma_;
};

// Splits `line` into `record`, reusing its storage. Splitting stops after
// `maxFields` fields; the fields it gives are byte for byte the first fields
// of a full split, which lets a reader look at a record's first fields
// without paying for the rest. Never fails.
void SplitGuideLine(std::string_view line, GuideRecord& record, std::size_t maxFields = SIZE_MAX);

// The record of `line`; never fails.
GuideRecord SplitGuideLine(std::string_view line);

}  // namespace tavren
