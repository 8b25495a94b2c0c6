#include "catalogue/ByteList.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace tavren {
namespace {

constexpr std::size_t kPage = 4096;

// Large blocks come in huge pages where the system has them: one fault for
// two megabytes instead of five hundred.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

char* AllocateAligned(std::size_t alignment, std::size_t bytes) {
  // Not zeroed: pages the items never reach stay untouched.
  void* p = std::aligned_alloc(alignment, bytes);
  if (p == nullptr) throw std::bad_alloc();
  return static_cast<char*>(p);
}

// Writing fresh memory costs a page fault per page; asking the system for a
// run of pages at once is several times cheaper. `p` is page-aligned; a
// refusal (an older kernel) leaves the faults to happen as before.
void Prefault(char* p, std::size_t bytes) noexcept { ::madvise(p, bytes, MADV_POPULATE_WRITE); }

}  // namespace

void ByteList::FreeBlock::operator()(char* p) const noexcept { std::free(p); }

std::string_view ByteList::At(int i) const noexcept {
  const auto k = static_cast<std::size_t>(i);
  const std::size_t end = EndOf(k);
  const std::size_t begin = k == 0 ? 0 : BeginOf(EndOf(k - 1), end);
  if (begin == end) return {};
  return {slots_[begin / kSlotBytes] + begin % kSlotBytes, end - begin};
}

void ByteList::Append(std::string_view item) {
  const auto k = static_cast<std::size_t>(size_);
  if (k % kEndsPerBlock == 0 && k / kEndsPerBlock == endBlocks_.size()) {
    constexpr std::size_t kBytes = kEndsPerBlock * sizeof(End);
    std::unique_ptr<char, FreeBlock> block(AllocateAligned(kPage, kBytes));
    Prefault(block.get(), kBytes);
    endBlocks_.push_back(std::move(block));
  }
  const std::size_t begin = BeginFor(cursor_, item.size());
  const std::size_t end = begin + item.size();
  if (end > std::numeric_limits<End>::max() || end < begin) throw std::bad_alloc();
  // Slots end at a boundary, so a slot is missing only when the item starts
  // on one. A one-slot item takes the next pooled block (kept from before
  // Clear, or new); a longer item gets one allocation of its own, placed
  // right at the boundary: slots of a pooled block after it stay unused.
  if (end > slots_.size() * kSlotBytes) {
    const std::size_t count = (end - begin + kSlotBytes - 1) / kSlotBytes;
    if (count == 1) {
      if (usedBlocks_ == blocks_.size()) AddPooledBlock();
      const Block& block = blocks_[usedBlocks_];
      slots_.reserve(slots_.size() + block.slotCount);
      for (std::size_t s = 0; s < block.slotCount; ++s) slots_.push_back(block.data.get() + s * kSlotBytes);
      ++usedBlocks_;
    } else {
      blocks_.reserve(blocks_.size() + 1);
      slots_.reserve(begin / kSlotBytes + count);
      Block block{std::unique_ptr<char, FreeBlock>(AllocateAligned(kPage, count * kSlotBytes)), count, false};
      // Only the pages the item covers.
      Prefault(block.data.get(), (end - begin + kPage - 1) / kPage * kPage);
      slots_.resize(begin / kSlotBytes);
      for (std::size_t s = 0; s < count; ++s) slots_.push_back(block.data.get() + s * kSlotBytes);
      blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(usedBlocks_), std::move(block));
      ++usedBlocks_;
    }
  }
  if (!item.empty()) std::memcpy(slots_[begin / kSlotBytes] + begin % kSlotBytes, item.data(), item.size());
  reinterpret_cast<End*>(endBlocks_[k / kEndsPerBlock].get())[k % kEndsPerBlock] = static_cast<End>(end);
  cursor_ = end;
  ++size_;
}

void ByteList::AddPooledBlock() {
  // A short list keeps to a few small blocks; one that grows past them gets
  // blocks of a huge page each.
  const bool huge = blocks_.size() >= kSmallBlocks;
  const std::size_t slots = huge ? kHugePage / kSlotBytes : 1;
  blocks_.reserve(blocks_.size() + 1);
  Block block{std::unique_ptr<char, FreeBlock>(AllocateAligned(huge ? kHugePage : kPage, slots * kSlotBytes)), slots,
              true};
  if (huge) ::madvise(block.data.get(), kHugePage, MADV_HUGEPAGE);
  Prefault(block.data.get(), slots * kSlotBytes);
  blocks_.push_back(std::move(block));
}

void ByteList::Clear() noexcept {
  // Pooled blocks stay for the items that follow, already in memory: a list
  // refilled again and again (every category click) costs no allocation.
  // Blocks that held one long item each go.
  const auto longBlocks =
      std::partition(blocks_.begin(), blocks_.end(), [](const Block& block) { return block.pooled; });
  blocks_.erase(longBlocks, blocks_.end());
  usedBlocks_ = 0;
  slots_.clear();
  cursor_ = 0;
  size_ = 0;
}

}  // namespace tavren
