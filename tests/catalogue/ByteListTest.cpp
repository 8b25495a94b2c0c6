#include "catalogue/ByteList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavren {
namespace {

constexpr std::size_t kSlot = 65536;  // the list's block size, where items change blocks

// Item n of a sequence: its own bytes, so a wrong offset shows.
std::string MakeItem(std::size_t n, std::size_t length) {
  std::string item(length, '\0');
  for (std::size_t i = 0; i < length; ++i) item[i] = static_cast<char>('A' + (n * 7 + i) % 50);
  return item;
}

// Appends items of the given lengths to the list and to a plain vector, and
// checks every item against the vector after the last append, the first
// item's bytes never having moved.
void CheckAgainstVector(ByteList& list, const std::vector<std::size_t>& lengths) {
  std::vector<std::string> expected;
  const char* first = nullptr;
  for (std::size_t n = 0; n < lengths.size(); ++n) {
    expected.push_back(MakeItem(n, lengths[n]));
    list.Append(expected.back());
    if (n == 0) first = list.At(0).data();
  }
  ASSERT_EQ(list.Size(), static_cast<int>(expected.size()));
  for (int i = 0; i < list.Size(); ++i) ASSERT_EQ(list.At(i), expected[static_cast<std::size_t>(i)]) << "item " << i;
  if (!expected.empty()) {
    EXPECT_EQ(list.At(0).data(), first);
  }
}

// Many short items with one long item among them.
std::vector<std::size_t> LongAmongShort(std::size_t shortItems) {
  std::vector<std::size_t> lengths(shortItems, 50);
  lengths.insert(lengths.begin() + static_cast<std::ptrdiff_t>(shortItems / 2), 3 * kSlot + 5);
  return lengths;
}

TEST(ByteList, HoldsWhatAVectorOfStringsHolds) {
  struct Row {
    const char* name;
    std::vector<std::size_t> lengths;
  } rows[] = {
      {"nothing", {}},
      {"empty items only", {0, 0, 0}},
      {"an empty item at a block edge", {kSlot, 0, 1, 0}},
      {"small items over many blocks", std::vector<std::size_t>(5000, 97)},
      {"an item filling the room left exactly", {kSlot - 10, 10, 1}},
      {"an item one byte over the room left", {kSlot - 10, 11, 1}},
      {"items longer than a block", {1, 3 * kSlot + 5, 3, kSlot - 1, kSlot, kSlot + 1, 2}},
      {"more items than one index block", std::vector<std::size_t>(20000, 1)},
      {"a long item among short ones in small blocks", LongAmongShort(500)},
      {"a long item among short ones in large blocks", LongAmongShort(60000)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ByteList list;
    CheckAgainstVector(list, row.lengths);
  }
}

TEST(ByteList, ClearEmptiesAndTheListFillsAgain) {
  ByteList list;
  CheckAgainstVector(list, {5, kSlot + 7, 9});
  list.Clear();
  EXPECT_EQ(list.Size(), 0);
  CheckAgainstVector(list, {kSlot - 1, 2, 2 * kSlot, 0, 4, kSlot, 3});
  list.Clear();
  CheckAgainstVector(list, LongAmongShort(60000));
  list.Clear();
  CheckAgainstVector(list, std::vector<std::size_t>(70000, 50));
}

}  // namespace
}  // namespace tavren
