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

// A record refers to the bytes of the line it was split from: the line must
// stay alive and unchanged while the record's fields are read. Only a quoted
// field with doubled quotes is copied, into the record's own storage.
class GuideRecord {
 public:
  // Number of fields; 0 for an empty line or a line of blanks.
  int Count() const noexcept { return static_cast<int>(fields_.size()); }

  // The bytes of field i (from 0). The view stays valid while the line lives
  // and the record is not split into again. Throws EStringListError(i) when
  // the record has no field i.
  std::string_view Field(int i) const;

  // The kind by field 0, compared byte for byte with "/", "*" and "+";
  // anything else is a page. Throws EStringListError(0) on a record without
  // fields.
  RecordKind Kind() const;

  // Whether field i was separated from the one before it by a comma (always
  // true for field 0). False means only blanks or a closing quote stood
  // between them, which is how an unquoted title with an ASCII blank shifts
  // the fields after it. i must be < Count().
  bool FollowsComma(int i) const noexcept { return fields_[static_cast<std::size_t>(i)].afterComma != 0; }

 private:
  friend void SplitGuideLine(std::string_view line, GuideRecord& record, std::size_t maxFields);
  struct Span {
    std::size_t offset;
    std::size_t length;
    std::uint8_t inStorage;  // 1: in storage_, 0: in the line
    std::uint8_t afterComma;
  };
  std::string_view View(const Span& span) const noexcept {
    return {(span.inStorage ? storage_.data() : line_) + span.offset, span.length};
  }

  const char* line_ = nullptr;
  std::string storage_;  // unescaped texts of quoted fields with doubled quotes
  std::vector<Span> fields_;
};

// Splits `line` into `record`, reusing its storage. Splitting stops after
// `maxFields` fields; the fields it gives are byte for byte the first fields
// of a full split, which lets a reader look at a record's first fields
// without paying for the rest. Never fails.
void SplitGuideLine(std::string_view line, GuideRecord& record, std::size_t maxFields = SIZE_MAX);

// The record of `line`; never fails.
GuideRecord SplitGuideLine(std::string_view line);

}  // namespace tavren
