// The page search on arbitrary guides and queries: the load fills the
// index; every query's pages must be those a plain scan finds, character by
// character, in the folded titles and notes.

#include "base/CodePage.h"
#include "base/Failure.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MemoryCatalogueWindow.h"
#include "catalogue/SearchFold.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Whether `term` starts at a character of `field` (both folded).
bool PlainContains(std::string_view field, std::string_view term) {
  for (std::size_t i = 0; i < field.size(); i += tavren::cp932::CharLength(field, i))
    if (field.substr(i, term.size()) == term) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says how long the query is; the rest is the guide.
  const std::size_t queryLength = std::min<std::size_t>(data[0] % 48, size - 1);
  const std::string_view query(reinterpret_cast<const char*>(data + 1), queryLength);
  const std::uint8_t* file = data + 1 + queryLength;
  const std::size_t fileSize = size - 1 - queryLength;

  int fd = ::memfd_create("guide", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  for (std::size_t done = 0; done < fileSize;) {
    ssize_t n = ::write(fd, file + done, fileSize - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  tavren::MemoryCatalogueWindow window;
  tavren::Catalogue catalogue(window);
  try {
    catalogue.LoadFrom("/proc/self/fd/" + std::to_string(fd));
  } catch (const tavren::EFailure&) {
    // The search holds what was read before the failure.
  }
  ::close(fd);

  const tavren::PageIndex& pages = catalogue.Pages();
  const tavren::SearchQuery parsed = tavren::ParseSearchQuery(query);
  const std::vector<int> found = pages.Find(parsed);
  std::vector<int> expected;
  if (!parsed.matchesNothing && !parsed.terms.empty()) {
    for (int p = 0; p < pages.Size(); ++p) {
      const std::string title = tavren::Folded(pages.Title(p));
      const std::string note = tavren::Folded(window.NoteList().View(p));
      bool all = true;
      for (const std::string& term : parsed.terms)
        all = all && (PlainContains(title, term) || PlainContains(note, term));
      if (all) expected.push_back(p);
    }
  }
  if (found != expected) std::abort();
  for (int p : found) (void)tavren::MatchedSpans(pages.Title(p), parsed);
  return 0;
}
