#include "catalogue/MemoryCatalogueWindow.h"

#include "base/Failure.h"
#include "catalogue/Catalogue.h"

namespace tavren {

void MemoryStringList::Clear() {
  bytes_.clear();
  ends_.clear();
}

void MemoryStringList::Add(std::string_view item) {
  bytes_.append(item);
  ends_.push_back(bytes_.size());
}

std::string_view MemoryStringList::View(int i) const noexcept {
  auto k = static_cast<std::size_t>(i);
  std::size_t begin = k == 0 ? 0 : ends_[k - 1];
  return {bytes_.data() + begin, ends_[k] - begin};
}

std::string MemoryStringList::Item(int i) const {
  if (i < 0 || i >= Count()) throw EStringListError(i);
  return std::string(View(i));
}

std::vector<std::string> MemoryStringList::Items() const {
  std::vector<std::string> items;
  items.reserve(ends_.size());
  for (int i = 0; i < Count(); ++i) items.emplace_back(View(i));
  return items;
}

MemoryCatalogueWindow::MemoryCatalogueWindow()
    : caption_(InitialCaption()), guideButton_(InitialGuideButtonCaption()) {}

bool MemoryCatalogueWindow::ChooseGuideFile(std::string& path) {
  ++dialogs_;
  if (!choice_) return false;
  path = std::move(*choice_);
  choice_.reset();
  return true;
}

}  // namespace tavren
