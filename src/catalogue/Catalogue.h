#pragma once
// The catalogue commands: the load command ("読込") and the category filter
// (a click in the major- or middle-category list), with the header record's
// effects on the window. Every command reads the file from disk, and the
// window's lists are the only store the commands read. The load's pass also
// fills the page search's index (Pages()), which the filter never reads.

#include "catalogue/CatalogueWindow.h"
#include "catalogue/GuideRecord.h"
#include "catalogue/PageIndex.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavren {

class Catalogue {
 public:
  // The window must outlive the catalogue.
  explicit Catalogue(CatalogueWindow& window) noexcept : window_(window) {}

  // The load command: clears the five lists, shows the open dialog (a
  // confirmed choice becomes GuideFile and the dialog's file name; a cancel
  // keeps the earlier file), then reads GuideFile and fills the category
  // lists and the three page lists with every record, applying headers.
  // Throws the reading failures (EInOutError, EStringListError); whatever was
  // added before a failure stays. The file is closed on every path.
  void Load();

  // The load command with `path` (native file-name bytes) in place of the
  // dialog's answer, as when the user confirms it there: clears the five
  // lists, makes `path` GuideFile and the dialog's file name, then reads it
  // as Load() does, with the same failures. Never shows the dialog.
  void LoadFrom(std::string path);

  // A click in the major-category list: MajorIndex := the list's selected
  // position, then Filter().
  void FilterByMajor();
  // A click in the middle-category list: MiddleIndex := its selected
  // position, then Filter().
  void FilterByMiddle();

  // Re-reads the file named by the dialog's file name and fills the three
  // page lists with the pages of (MajorIndex, MiddleIndex), in file order,
  // applying headers again. Throws EInOutError, EStringListError and
  // EConvertError; pages added before a failure stay.
  void Filter();

  // A found page opened by the page search: MajorIndex := major, MiddleIndex
  // := middle, then one Filter(), with its failures. The end state is that
  // of the major click followed by the middle click.
  void FilterByPair(std::int32_t major, std::int32_t middle);

  // Every page the last load read, up to a failure if it failed; empty
  // before a load and while a load has not opened its file.
  const PageIndex& Pages() const noexcept { return pages_; }
  // True once the last load has opened its file (whatever came after).
  bool GuideOpened() const noexcept { return guideOpened_; }

  // The header record's effects, reading fields 1, 2, 2, 3 in that order:
  // the caption, the guide button's caption, then GuideUrl. A missing field
  // throws EStringListError after the effects before it took place.
  void ApplyHeader(const GuideRecord& header);

  // The path of the last confirmed open-dialog choice, unset before one.
  std::int32_t MajorIndex() const noexcept { return majorIndex_; }
  std::int32_t MiddleIndex() const noexcept { return middleIndex_; }
  // The guide author's address from the last header read; empty before one.
  const std::string& GuideUrl() const noexcept { return guideUrl_; }

 private:
  void ClearLists();
  void ReadGuideFile();

  CatalogueWindow& window_;
  std::optional<std::string> guideFile_;
  // The open dialog's current file name (empty before a confirmed choice):
  // what the category filters read.
  std::string dialogFileName_;
  std::int32_t majorIndex_ = 0;
  std::int32_t middleIndex_ = 0;
  std::string guideUrl_;
  PageIndex pages_;
  bool guideOpened_ = false;
};

// The caption texts, in CP932, as the header effects build them.
std::string HeaderCaption(std::string_view subject, std::string_view author);
std::string GuideButtonCaption(std::string_view author);
// The main window's caption before any header: the product line, 88 ASCII
// blanks and the copyright line.
std::string InitialCaption();
// The guide button's caption before any header: "ガイド名".
std::string InitialGuideButtonCaption();

// What a filter does with one line, found from as few fields as it can:
// kind first, then field 0 as a major position and field 1 as a middle
// position; the rest of a page line is split only when both match. The
// outcome is the one a full split of the line would give.
enum class FilterStep { Skip, Header, Page };
FilterStep ClassifyForFilter(std::string_view line, std::int32_t majorIndex, std::int32_t middleIndex,
                             GuideRecord& record);

}  // namespace tavren
