#include "authoring/BookmarkExport.h"

#include "authoring/Html.h"
#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "catalogue/GuideInteger.h"
#include "catalogue/GuideReader.h"
#include "catalogue/GuideRecord.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavren {
namespace {

// A page's texts live in one shared arena, so that a guide of 100,000 pages
// costs no allocation per field.
struct Page {
  std::int32_t major = -1;
  std::int32_t middle = -1;
  std::size_t offset = 0;  // title, address and note, one after another
  std::uint32_t titleSize = 0, addressSize = 0, noteSize = 0;
};

struct PageTexts {
  std::string_view title, address, note;
};

PageTexts TextsOf(const std::string& arena, const Page& p) {
  const std::string_view all(arena);
  return {all.substr(p.offset, p.titleSize), all.substr(p.offset + p.titleSize, p.addressSize),
          all.substr(p.offset + p.titleSize + p.addressSize, p.noteSize)};
}

std::optional<std::int32_t> Position(std::string_view field) {
  try {
    return ParseGuideInteger(field);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

void Text(std::string& out, std::string_view cp932) {
  // ASCII reads the same in CP932 and UTF-8; most addresses are ASCII.
  if (std::all_of(cp932.begin(), cp932.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    html::AppendEscaped(out, cp932);
  else
    html::AppendEscaped(out, cp932::ToUtf8(cp932));
}

void OpenFolder(std::string& out, int depth, std::string_view nameCp932) {
  out.append(depth * 4, ' ');
  out += "<DT><H3>";
  Text(out, nameCp932);
  out += "</H3>\n";
  out.append(depth * 4, ' ');
  out += "<DL><p>\n";
}

void CloseFolder(std::string& out, int depth) {
  out.append(depth * 4, ' ');
  out += "</DL><p>\n";
}

void WritePage(std::string& out, const PageTexts& page) {
  out += "            <DT><A HREF=\"";
  Text(out, page.address);
  out += "\">";
  Text(out, page.title);
  out += "</A>\n";
  if (!page.note.empty()) {
    out += "            <DD>";
    Text(out, page.note);
    out += '\n';
  }
}

}  // namespace

ExportResult ExportGuide(const std::string& path) {
  ExportResult result;
  std::vector<std::string> majors, middles;
  std::vector<Page> pages;
  std::string arena;
  std::string subject;
  GuideReader reader;
  reader.Name(path);
  int lineNo = 0;
  try {
    reader.Open();
    GuideReaderCloser closer(reader);
    GuideRecord record;
    while (!reader.AtEnd()) {
      ++lineNo;
      SplitGuideLine(reader.NextLine(), record);
      switch (record.Kind()) {
        case RecordKind::HeaderRecord:
          // The load reads the author's name and address too; a header
          // short of them ends it there.
          subject = record.Field(1);
          record.Field(3);
          break;
        case RecordKind::MajorCategoryRecord:
          majors.emplace_back(record.Field(2));
          break;
        case RecordKind::MiddleCategoryRecord:
          middles.emplace_back(record.Field(2));
          break;
        case RecordKind::PageRecord: {
          // Fields in the load's order: a record short of its note adds nothing.
          const std::string_view title = record.Field(2);
          const std::string_view address = record.Field(3);
          const std::string_view note = record.Field(4);
          Page page;
          page.offset = arena.size();
          page.titleSize = static_cast<std::uint32_t>(title.size());
          page.addressSize = static_cast<std::uint32_t>(address.size());
          page.noteSize = static_cast<std::uint32_t>(note.size());
          arena.append(title).append(address).append(note);
          page.major = Position(record.Field(0)).value_or(-1);
          page.middle = Position(record.Field(1)).value_or(-1);
          pages.push_back(std::move(page));
          break;
        }
      }
    }
    reader.Close();
  } catch (const EFailure& failure) {
    result.failureUtf8 = cp932::ToUtf8(ErrorBoxText(failure.Message()));
    result.failureLine = lineNo;
  }

  // Pages by category pair, each list in file order.
  const std::size_t majorCount = majors.size();
  const std::size_t middleCount = middles.size();
  auto placed = [&](const Page& p) {
    return p.major >= 0 && static_cast<std::size_t>(p.major) < majorCount && p.middle >= 0 &&
           static_cast<std::size_t>(p.middle) < middleCount;
  };
  std::vector<std::vector<const Page*>> byMajor(majorCount);
  std::vector<const Page*> unplaced;
  for (const Page& p : pages) (placed(p) ? byMajor[static_cast<std::size_t>(p.major)] : unplaced).push_back(&p);

  std::string& out = result.html;
  // Two-byte characters grow to three in UTF-8; the markup adds about 60 bytes a page.
  out.reserve(arena.size() * 3 / 2 + pages.size() * 64 + 4096);
  const std::string title = subject.empty() ? std::string("Bookmarks") : html::Escape(cp932::ToUtf8(subject));
  out +=
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- This is an automatically generated file.\n"
      "     It will be read and overwritten.\n"
      "     DO NOT EDIT! -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>";
  out += title + "</TITLE>\n<H1>" + title + "</H1>\n<DL><p>\n";
  std::vector<std::vector<const Page*>> byMiddle(middleCount);
  for (std::size_t m = 0; m < majorCount; ++m) {
    OpenFolder(out, 1, majors[m]);
    for (auto& list : byMiddle) list.clear();
    for (const Page* p : byMajor[m]) byMiddle[static_cast<std::size_t>(p->middle)].push_back(p);
    for (std::size_t k = 0; k < middleCount; ++k) {
      if (byMiddle[k].empty()) continue;
      OpenFolder(out, 2, middles[k]);
      for (const Page* p : byMiddle[k]) WritePage(out, TextsOf(arena, *p));
      CloseFolder(out, 2);
    }
    CloseFolder(out, 1);
  }
  if (!unplaced.empty()) {
    OpenFolder(out, 1, cp932::FromUtf8("未分類"));
    OpenFolder(out, 2, cp932::FromUtf8("未分類"));
    for (const Page* p : unplaced) WritePage(out, TextsOf(arena, *p));
    CloseFolder(out, 2);
    CloseFolder(out, 1);
  }
  out += "</DL><p>\n";
  result.pages = static_cast<int>(pages.size());
  return result;
}

}  // namespace tavren
