#include "catalogue/MemoryCatalogueWindow.h"

#include "base/Failure.h"
#include "catalogue/Catalogue.h"

namespace tavren {

std::string MemoryStringList::Item(int i) const {
  if (i < 0 || i >= Count()) throw EStringListError(i);
  return std::string(View(i));
}

std::vector<std::string> MemoryStringList::Items() const {
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(Count()));
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
