#include "catalogue/Catalogue.h"

#include "base/CodePage.h"
#include "catalogue/GuideInteger.h"
#include "catalogue/GuideReader.h"
#include "catalogue/Maker.h"

namespace tavren {
namespace {

// The fixed texts of the captions, converted once.
const std::string& SubjectTail() {
  static const std::string text = cp932::FromUtf8("のホームページガイドブックです。　");
  return text;
}
const std::string& AuthorTail() {
  static const std::string text =
      cp932::FromUtf8(" が、ご案内します。　　　　　　（ｃ）") + cp932::FromUtf8(maker::kName);
  return text;
}
const std::string& ButtonHead() {
  static const std::string text = cp932::FromUtf8("ガイド : ");
  return text;
}
const std::string& ButtonTail() {
  static const std::string text = cp932::FromUtf8("のページ");
  return text;
}

}  // namespace

std::string HeaderCaption(std::string_view subject, std::string_view author) {
  std::string caption(subject);
  caption += SubjectTail();
  caption += author;
  caption += AuthorTail();
  return caption;
}

std::string GuideButtonCaption(std::string_view author) {
  std::string caption = ButtonHead();
  caption += author;
  caption += ButtonTail();
  return caption;
}

std::string InitialCaption() {
  return cp932::FromUtf8(maker::kProductLine) + std::string(88, ' ') + cp932::FromUtf8(maker::kCopyright);
}

std::string InitialGuideButtonCaption() { return cp932::FromUtf8("ガイド名"); }

void Catalogue::ApplyHeader(const GuideRecord& header) {
  std::string_view subject = header.Field(1);
  std::string_view author = header.Field(2);
  window_.SetCaption(HeaderCaption(subject, author));
  window_.SetGuideButtonCaption(GuideButtonCaption(header.Field(2)));
  guideUrl_.assign(header.Field(3));
}

void Catalogue::ClearLists() {
  window_.MajorList().Clear();
  window_.MiddleList().Clear();
  window_.TitleList().Clear();
  window_.AddressList().Clear();
  window_.NoteList().Clear();
  pages_.Clear();
  guideOpened_ = false;
}

void Catalogue::Load() {
  ClearLists();
  std::string chosen;
  if (window_.ChooseGuideFile(chosen)) {
    guideFile_ = chosen;
    dialogFileName_ = std::move(chosen);
  }
  ReadGuideFile();
}

void Catalogue::LoadFrom(std::string path) {
  ClearLists();
  guideFile_ = path;
  dialogFileName_ = std::move(path);
  ReadGuideFile();
}

void Catalogue::ReadGuideFile() {
  GuideReader reader;
  if (guideFile_) reader.Name(*guideFile_);
  reader.Open();
  guideOpened_ = true;
  GuideReaderCloser closer(reader);
  GuideRecord record;
  StringList& majors = window_.MajorList();
  StringList& middles = window_.MiddleList();
  StringList& titles = window_.TitleList();
  StringList& addresses = window_.AddressList();
  StringList& notes = window_.NoteList();
  std::uint32_t line = 0;
  while (!reader.AtEnd()) {
    ++line;
    SplitGuideLine(reader.NextLine(), record);
    switch (record.Kind()) {
      case RecordKind::HeaderRecord:
        ApplyHeader(record);
        break;
      case RecordKind::MajorCategoryRecord:
        majors.Add(record.Field(2));
        break;
      case RecordKind::MiddleCategoryRecord:
        middles.Add(record.Field(2));
        break;
      case RecordKind::PageRecord:
        // One field at a time: a short record leaves what it had appended.
        titles.Add(record.Field(2));
        addresses.Add(record.Field(3));
        notes.Add(record.Field(4));
        // Only a whole page is found by the search.
        pages_.Add(line, record.Field(0), record.Field(1), record.Field(2), record.Field(3), record.Field(4),
                   majors.Count(), middles.Count());
        break;
    }
  }
  reader.Close();
}

void Catalogue::FilterByPair(std::int32_t major, std::int32_t middle) {
  majorIndex_ = major;
  middleIndex_ = middle;
  Filter();
}

void Catalogue::FilterByMajor() {
  majorIndex_ = window_.MajorSelection();
  Filter();
}

void Catalogue::FilterByMiddle() {
  middleIndex_ = window_.MiddleSelection();
  Filter();
}

FilterStep ClassifyForFilter(std::string_view line, std::int32_t majorIndex, std::int32_t middleIndex,
                             GuideRecord& record) {
  SplitGuideLine(line, record, 2);
  switch (record.Kind()) {
    case RecordKind::HeaderRecord:
      SplitGuideLine(line, record);
      return FilterStep::Header;
    case RecordKind::MajorCategoryRecord:
    case RecordKind::MiddleCategoryRecord:
      return FilterStep::Skip;
    case RecordKind::PageRecord:
      break;
  }
  if (ParseGuideInteger(record.Field(0)) != majorIndex) return FilterStep::Skip;
  if (ParseGuideInteger(record.Field(1)) != middleIndex) return FilterStep::Skip;
  SplitGuideLine(line, record);
  return FilterStep::Page;
}

void Catalogue::Filter() {
  StringList& titles = window_.TitleList();
  StringList& addresses = window_.AddressList();
  StringList& notes = window_.NoteList();
  titles.Clear();
  addresses.Clear();
  notes.Clear();

  GuideReader reader;
  reader.Name(dialogFileName_);
  reader.Open();
  GuideReaderCloser closer(reader);
  GuideRecord record;
  while (!reader.AtEnd()) {
    switch (ClassifyForFilter(reader.NextLine(), majorIndex_, middleIndex_, record)) {
      case FilterStep::Skip:
        break;
      case FilterStep::Header:
        ApplyHeader(record);
        break;
      case FilterStep::Page:
        titles.Add(record.Field(2));
        addresses.Add(record.Field(3));
        notes.Add(record.Field(4));
        break;
    }
  }
  reader.Close();
}

}  // namespace tavren
