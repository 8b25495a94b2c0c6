// The line reader, the splitter and the record kinds on arbitrary files,
// against the plain readings of the same rules.

#include "ReferenceGuide.h"
#include "base/Failure.h"
#include "catalogue/GuideReader.h"
#include "catalogue/GuideRecord.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The input as a file in memory, reached by a path like any guide.
std::string FileOf(const std::uint8_t* data, std::size_t size, int& fd) {
  fd = ::memfd_create("guide", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  int fd = -1;
  std::string path = FileOf(data, size, fd);
  auto expected = tavren::reference::Lines(bytes);

  // Small reads put line ends, CRs and end marks at the edges of reads; the
  // first byte picks the size.
  tavren::GuideReader reader(size == 0 ? 1 : 1 + data[0] % 32);
  reader.Name(path);
  reader.Open();
  std::size_t n = 0;
  tavren::GuideRecord record;
  while (!reader.AtEnd()) {
    std::string_view line = reader.NextLine();
    if (n >= expected.size() || line != expected[n]) std::abort();
    ++n;
    tavren::SplitGuideLine(line, record);
    auto fields = tavren::reference::Split(line);
    if (static_cast<std::size_t>(record.Count()) != fields.size()) std::abort();
    for (int i = 0; i < record.Count(); ++i)
      if (record.Field(i) != fields[static_cast<std::size_t>(i)]) std::abort();
    try {
      tavren::RecordKind kind = record.Kind();
      const std::string& f0 = fields.at(0);
      tavren::RecordKind want = f0 == "/"   ? tavren::RecordKind::HeaderRecord
                                : f0 == "*" ? tavren::RecordKind::MajorCategoryRecord
                                : f0 == "+" ? tavren::RecordKind::MiddleCategoryRecord
                                            : tavren::RecordKind::PageRecord;
      if (kind != want) std::abort();
    } catch (const tavren::EStringListError& e) {
      if (!fields.empty() || e.Index() != 0) std::abort();
    }
  }
  if (n != expected.size()) std::abort();
  reader.Close();
  ::close(fd);
  return 0;
}
