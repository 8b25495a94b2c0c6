#pragma once
// A CatalogueWindow held in plain memory, for tavren-check, the benchmark and
// the tests: five lists, two scripted selections, the two captions, and a
// scripted open dialog.

#include "catalogue/ByteList.h"
#include "catalogue/CatalogueWindow.h"

#include <optional>
#include <string>
#include <vector>

namespace tavren {

// A StringList kept in a ByteList.
class MemoryStringList : public StringList {
 public:
  void Clear() override { items_.Clear(); }
  void Add(std::string_view item) override { items_.Append(item); }
  int Count() const override { return items_.Size(); }
  // Throws EStringListError(i) when there is no item i.
  std::string Item(int i) const override;
  // Item i without a copy; valid until the list is cleared. i must be valid.
  std::string_view View(int i) const noexcept { return items_.At(i); }
  std::vector<std::string> Items() const;

 private:
  ByteList items_;
};

class MemoryCatalogueWindow : public CatalogueWindow {
 public:
  // Starts with the main window's initial caption and "ガイド名".
  MemoryCatalogueWindow();

  MemoryStringList& MajorList() override { return major_; }
  MemoryStringList& MiddleList() override { return middle_; }
  MemoryStringList& TitleList() override { return title_; }
  MemoryStringList& AddressList() override { return address_; }
  MemoryStringList& NoteList() override { return note_; }

  int MajorSelection() const override { return majorSelection_; }
  int MiddleSelection() const override { return middleSelection_; }
  void SelectMajor(int position) noexcept { majorSelection_ = position; }
  void SelectMiddle(int position) noexcept { middleSelection_ = position; }

  void SetCaption(std::string_view cp932) override { caption_.assign(cp932); }
  void SetGuideButtonCaption(std::string_view cp932) override { guideButton_.assign(cp932); }
  const std::string& Caption() const noexcept { return caption_; }
  const std::string& GuideButtonCaption() const noexcept { return guideButton_; }

  // The next open dialog returns `path` as confirmed, or cancels when unset.
  // The answer is used once; later dialogs cancel until it is set again.
  void ScriptChoice(std::optional<std::string> path) { choice_ = std::move(path); }
  bool ChooseGuideFile(std::string& path) override;
  int DialogCount() const noexcept { return dialogs_; }

 private:
  MemoryStringList major_, middle_, title_, address_, note_;
  int majorSelection_ = -1;
  int middleSelection_ = -1;
  std::string caption_;
  std::string guideButton_;
  std::optional<std::string> choice_;
  int dialogs_ = 0;
};

}  // namespace tavren
