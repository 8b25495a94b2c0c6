#include "catalogue/ByteList.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tavren {
namespace {

constexpr std::size_t kPage = 4096;

char* AllocatePages(std::size_t bytes) {
  // Not zeroed: pages the items never reach stay untouched.
  void* p = std::aligned_alloc(kPage, bytes);
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
    constexpr std::size_t kBytes = kEndsPerBlock * sizeof(std::size_t);
    std::unique_ptr<char, FreeBlock> block(AllocatePages(kBytes));
    Prefault(block.get(), kBytes);
    endBlocks_.push_back(std::move(block));
  }
  const std::size_t begin = BeginFor(cursor_, item.size());
  const std::size_t end = begin + item.size();
  // Slots end at a boundary, so a slot is missing only when the item starts
  // on one: one allocation then takes the whole item.
  if (end > slots_.size() * kSlotBytes) {
    const std::size_t count = (end - begin + kSlotBytes - 1) / kSlotBytes;
    slots_.reserve(slots_.size() + count);
    blocks_.reserve(blocks_.size() + 1);
    std::unique_ptr<char, FreeBlock> block(AllocatePages(count * kSlotBytes));
    // The whole slot, which the items after this one fill; of a longer
    // item's slots only the pages it covers.
    Prefault(block.get(), count == 1 ? kSlotBytes : (end - begin + kPage - 1) / kPage * kPage);
    for (std::size_t s = 0; s < count; ++s) slots_.push_back(block.get() + s * kSlotBytes);
    blocks_.push_back(std::move(block));
  }
  if (!item.empty()) std::memcpy(slots_[begin / kSlotBytes] + begin % kSlotBytes, item.data(), item.size());
  reinterpret_cast<std::size_t*>(endBlocks_[k / kEndsPerBlock].get())[k % kEndsPerBlock] = end;
  cursor_ = end;
  ++size_;
}

void ByteList::Clear() noexcept {
  blocks_.clear();
  slots_.clear();
  endBlocks_.clear();
  cursor_ = 0;
  size_ = 0;
}

}  // namespace tavren
