#pragma once
// An ordered list of byte strings (CP932 items, never decoded here), kept in
// fixed-size blocks: appending never moves what is already stored, so a
// hundred thousand items cost a few dozen allocations and each byte is
// copied once. Both the in-memory catalogue window and the main window's
// list model keep their items in one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tavren {

class ByteList {
 public:
  ByteList() = default;
  ByteList(const ByteList&) = delete;
  ByteList& operator=(const ByteList&) = delete;

  // Number of items. Never throws.
  int Size() const noexcept { return size_; }

  // Item i as appended; i must be in [0, Size()). The view stays valid until
  // Clear or the list's end: appending does not move stored items.
  std::string_view At(int i) const noexcept;

  // Appends a copy of `item`. Throws std::bad_alloc when memory runs out or
  // the list would pass 4 GiB (more than a 32-bit list box ever held); the
  // list is unchanged then.
  void Append(std::string_view item);

  // Removes every item. The memory stays with the list for the items that
  // follow (as a string keeps its capacity), except blocks that held items
  // longer than a block.
  void Clear() noexcept;

 private:
  // Items lie in a space of byte positions cut into slots of kSlotBytes. An
  // item never crosses into a slot of another allocation: when it does not
  // fit in the rest of the current slot it starts at the next slot boundary,
  // and an item longer than a slot gets consecutive slots of one allocation
  // of its own. So the index needs only each item's end: its begin is the
  // previous end or the next boundary, whichever the rule above chose.
  static constexpr std::size_t kSlotBytes = std::size_t{1} << 16;
  static constexpr std::size_t kEndsPerBlock = std::size_t{1} << 11;

  // Ends are kept in 32 bits: half the index of a list of short items.
  using End = std::uint32_t;
  std::size_t EndOf(std::size_t i) const noexcept {
    return reinterpret_cast<const End*>(endBlocks_[i / kEndsPerBlock].get())[i % kEndsPerBlock];
  }
  // Where an item of `length` bytes starts when the previous one ends at
  // `cursor`, and the same told from the item's end instead of its length:
  // an item moved to the boundary ends beyond the room left at `cursor`.
  static std::size_t BeginFor(std::size_t cursor, std::size_t length) noexcept {
    const std::size_t used = cursor % kSlotBytes;
    return used == 0 || length <= kSlotBytes - used ? cursor : cursor - used + kSlotBytes;
  }
  static std::size_t BeginOf(std::size_t cursor, std::size_t end) noexcept { return BeginFor(cursor, end - cursor); }

  struct FreeBlock {
    void operator()(char* p) const noexcept;
  };
  struct Block {
    std::unique_ptr<char, FreeBlock> data;  // page-aligned
    std::size_t slotCount;
    bool pooled;  // false: made for one item longer than a slot
  };
  static constexpr std::size_t kSmallBlocks = 8;
  void AddPooledBlock();
  std::vector<Block> blocks_;  // owns the storage; the first usedBlocks_ hold items
  std::size_t usedBlocks_ = 0;
  std::vector<char*> slots_;                                 // slot k starts at slots_[k]
  std::vector<std::unique_ptr<char, FreeBlock>> endBlocks_;  // item ends, kEndsPerBlock a block
  std::size_t cursor_ = 0;                                   // end of the last item
  int size_ = 0;
};

}  // namespace tavren
