#pragma once
// Every page of the loaded guide, kept for the page search: the folded title
// and note of all pages in one buffer (each field ended by a NUL, which no
// field holds), one end offset per page, the page's own title, its category
// positions, its line number and a fingerprint of its address and note. The
// address and note themselves are kept only for a page whose positions named
// no category when it was read: the lists cannot give them back for it.
// Filled by the load command's own pass over the file, so the search always
// finds what the lists were loaded with; the folding of titles and notes is
// left to idle moments after the load (FoldSome). Plain C++; tavren-check
// and the search box share it.

#include "catalogue/ByteList.h"
#include "catalogue/SearchFold.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavren {

class PageIndex {
 public:
  PageIndex();
  PageIndex(const PageIndex&) = delete;
  PageIndex& operator=(const PageIndex&) = delete;

  // Forgets every page. Never throws.
  void Clear() noexcept;

  // Adds a page record: `line` counts the file's lines from 1; the field
  // arguments are fields 0 to 4 as split; `majors` and `middles` are the
  // sizes of the category lists so far. The category fields are converted
  // here and a field that is not an integer gives no position. Nothing
  // throws but std::bad_alloc (then the index is left as before the call).
  void Add(std::uint32_t line, std::string_view majorField, std::string_view middleField, std::string_view title,
           std::string_view address, std::string_view note, int majors, int middles);

  // Number of pages, in file order from 0.
  int Size() const noexcept { return static_cast<int>(meta_.size()); }

  // Page p's fields and numbers; p must be in [0, Size()). The views stay
  // valid until Clear.
  std::string_view Title(int p) const noexcept { return raw_.At(p); }
  std::uint32_t Line(int p) const noexcept { return meta_[Slot(p)].line; }
  // The fingerprint of page p's address and note; equal to
  // Fingerprint(address, note) of the same two fields.
  std::uint32_t Fingerprint(int p) const noexcept { return meta_[Slot(p)].fingerprint; }
  static std::uint32_t Fingerprint(std::string_view address, std::string_view note) noexcept;
  // Page p's address and note when they were kept (its positions named no
  // category as it was read); false otherwise. A page that names no
  // category once the load has ended always has them.
  bool KeptAddressAndNote(int p, std::string_view& address, std::string_view& note) const noexcept;
  // Field 0 / field 1 as ParseGuideInteger reads it; none when it is not an
  // integer.
  std::optional<std::int32_t> MajorPosition(int p) const noexcept;
  std::optional<std::int32_t> MiddlePosition(int p) const noexcept;

  // How many pages before p have p's two positions, both integers: where p
  // stands in the page list that filtering by its category pair gives.
  // p must be in [0, Size()) with both positions.
  int RankInPair(int p) const noexcept;

  // Folds the titles and notes of up to `pages` more pages into the search
  // buffer. The load only records each page; folding is left to the idle
  // moments after it (the window runs this in small steps) or to the first
  // Find, which finishes it. True while pages remain to fold. Throws only
  // std::bad_alloc.
  bool FoldSome(int pages) const;

  // The pages whose folded title or folded note holds each term of `query`
  // (each term in either field, on its own), in file order. An empty query
  // or one that matches nothing gives none. Never throws but std::bad_alloc.
  std::vector<int> Find(const SearchQuery& query) const;

 private:
  struct Meta {
    std::uint32_t fingerprint;
    std::int32_t major;
    std::int32_t middle;
    std::uint32_t line : 30;
    std::uint32_t flags : 2;  // kHasMajor | kHasMiddle
  };
  struct Kept {
    int page;
    std::string address;
    std::string note;
  };
  static std::size_t Slot(int p) noexcept { return static_cast<std::size_t>(p); }
  static constexpr std::uint32_t kHasMajor = 1;
  static constexpr std::uint32_t kHasMiddle = 2;

  // Folded pages only (p < ends_.size()).
  std::size_t PageBegin(int p) const noexcept { return p == 0 ? 1 : ends_[static_cast<std::size_t>(p) - 1]; }
  std::size_t PageEnd(int p) const noexcept { return ends_[static_cast<std::size_t>(p)]; }
  // Appends to out the pages of [first, last] whose region holds `term` at a
  // character start.
  void MatchRun(std::string_view term, int first, int last, std::vector<int>& out) const;
  void Reserve(std::size_t bytes) const;

  struct FreeBytes {
    void operator()(char* p) const noexcept;
  };
  // Folded fields: a NUL at 0, then per page its title, NUL, note, NUL.
  // Grown with realloc, which moves large blocks by remapping pages rather
  // than copying them, so growth never holds two copies.
  // The folded part is filled after the pages are added (FoldSome), by
  // searches too: a cache of the pages, hence mutable.
  mutable std::unique_ptr<char, FreeBytes> folded_;
  mutable std::size_t foldedSize_ = 0;
  mutable std::size_t foldedCapacity_ = 0;
  mutable std::vector<std::uint32_t> ends_;  // end of page p's region, for the pages folded so far
  // The notes of pages from pendingFirst_ on, raw, until they are folded.
  mutable ByteList pendingNotes_;
  int pendingFirst_ = 0;
  std::vector<Meta> meta_;
  ByteList raw_;            // per page its title
  std::vector<Kept> kept_;  // ascending by page
};

}  // namespace tavren
