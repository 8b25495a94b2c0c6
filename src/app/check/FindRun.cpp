#include "app/check/FindRun.h"

#include "app/check/Json.h"
#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MemoryCatalogueWindow.h"
#include "catalogue/SearchFold.h"

#include <optional>

namespace tavren {
namespace {

// The JSON value for the category named by `position` in `list`: its name,
// or null when the position is not an integer or names no item.
std::string CategoryName(const MemoryStringList& list, std::optional<std::int32_t> position) {
  if (!position || *position < 0 || *position >= list.Count()) return "null";
  return json::Quote(cp932::ToUtf8(list.View(*position)));
}

}  // namespace

int RunFind(std::string_view queryUtf8, const std::string& file, std::ostream& out, std::ostream& err) {
  MemoryCatalogueWindow window;
  Catalogue catalogue(window);
  bool failed = false;
  try {
    catalogue.LoadFrom(file);
  } catch (const EFailure& failure) {
    err << "tavren-check: " << cp932::ToUtf8(ErrorBoxText(failure.Message())) << "\n";
    failed = true;
  }
  const PageIndex& pages = catalogue.Pages();
  const std::vector<int> found = pages.Find(ParseSearchQuery(queryUtf8));
  std::string line;
  for (int p : found) {
    line = "{\"line\": " + std::to_string(pages.Line(p));
    line += ", \"title\": " + json::Quote(cp932::ToUtf8(pages.Title(p)));
    // The load's page lists hold every page read, in the index's order.
    line += ", \"address\": " + json::Quote(cp932::ToUtf8(window.AddressList().View(p)));
    line += ", \"note\": " + json::Quote(cp932::ToUtf8(window.NoteList().View(p)));
    line += ", \"major\": " + CategoryName(window.MajorList(), pages.MajorPosition(p));
    line += ", \"middle\": " + CategoryName(window.MiddleList(), pages.MiddlePosition(p));
    line += "}\n";
    out << line;
  }
  out.flush();
  if (failed) return 2;
  return found.empty() ? 1 : 0;
}

}  // namespace tavren
