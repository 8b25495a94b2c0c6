#pragma once
// What the catalogue commands need of the window that shows them: five lists
// of CP932 byte strings, the selected positions of the two category lists,
// the caption, the guide button's caption and the open dialog. The main
// window implements it with its list controls; tavren-check and the tests
// with plain vectors.

#include <string>
#include <string_view>

namespace tavren {

// An ordered list of CP932 items, never sorted.
class StringList {
 public:
  virtual ~StringList() = default;
  virtual void Clear() = 0;
  virtual void Add(std::string_view item) = 0;
  virtual int Count() const = 0;
  // Item i; throws EStringListError(i) when the list has no such item.
  virtual std::string Item(int i) const = 0;
};

class CatalogueWindow {
 public:
  virtual ~CatalogueWindow() = default;

  virtual StringList& MajorList() = 0;    // ListBox1
  virtual StringList& MiddleList() = 0;   // ListBox2
  virtual StringList& TitleList() = 0;    // ListBox3
  virtual StringList& AddressList() = 0;  // ListBox4
  virtual StringList& NoteList() = 0;     // ListBox5

  // Selected position of the category lists, 0-based, -1 when none.
  virtual int MajorSelection() const = 0;
  virtual int MiddleSelection() const = 0;

  virtual void SetCaption(std::string_view cp932) = 0;
  virtual void SetGuideButtonCaption(std::string_view cp932) = 0;

  // Shows the open dialog. True and `path` set (native file-name bytes) when
  // the user confirms; false and `path` untouched on cancel.
  virtual bool ChooseGuideFile(std::string& path) = 0;
};

}  // namespace tavren
