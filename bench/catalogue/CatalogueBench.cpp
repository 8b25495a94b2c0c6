// Measures the catalogue on a generated 100,000-page guide: reading the file
// into memory, the load command into in-memory lists, and one filter click.
//
//   catalogue_bench [--keep FILE] [--runs N]
//
// Each figure is the best of N runs (default 9), so the file sits in the page
// cache and the numbers show the code, not the disk. Prints one "name value"
// line per figure (milliseconds, MB/s); --keep leaves the guide in FILE.

#include "GuideGenerator.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GuideReader.h"
#include "catalogue/MemoryCatalogueWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double BestSeconds(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

std::size_t ReadWhole(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) std::abort();
  static std::string bytes;
  bytes.resize(static_cast<std::size_t>(std::filesystem::file_size(path)));
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return got;
}

}  // namespace

int main(int argc, char** argv) {
  std::string keep;
  int runs = 9;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: catalogue_bench [--keep FILE] [--runs N]\n");
      return 2;
    }
  }

  tavren::bench::GuideShape shape;
  std::string bytes = tavren::bench::GenerateGuide(shape);
  std::string path =
      keep.empty()
          ? (std::filesystem::temp_directory_path() / ("tavren-bench-" + std::to_string(::getpid()) + ".lst")).string()
          : keep;
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const double mb = static_cast<double>(bytes.size()) / 1e6;

  tavren::MemoryCatalogueWindow window;
  tavren::Catalogue catalogue(window);

  std::size_t read = 0;
  double readTime = BestSeconds(runs, [&] { read = ReadWhole(path); });

  double loadTime = BestSeconds(runs, [&] {
    window.ScriptChoice(path);
    catalogue.Load();
  });
  int pages = window.TitleList().Count();

  // A click on a middle category of major 7, as a user would after loading.
  window.SelectMajor(7);
  catalogue.FilterByMajor();
  window.SelectMiddle(73);
  double filterTime = BestSeconds(runs, [&] { catalogue.FilterByMiddle(); });
  int matched = window.TitleList().Count();

  // For comparison: the same walk with every line split in full.
  double fullSplitTime = BestSeconds(runs, [&] {
    tavren::GuideReader reader;
    reader.Name(path);
    reader.Open();
    tavren::GuideRecord record;
    while (!reader.AtEnd()) tavren::SplitGuideLine(reader.NextLine(), record);
    reader.Close();
  });

  std::printf("guide_mb %.1f\n", mb);
  std::printf("guide_pages %d\n", pages);
  std::printf("runs %d\n", runs);
  std::printf("read_ms %.2f\n", readTime * 1e3);
  std::printf("read_bytes %zu\n", read);
  std::printf("load_ms %.2f\n", loadTime * 1e3);
  std::printf("load_mb_per_s %.0f\n", mb / loadTime);
  std::printf("filter_ms %.2f\n", filterTime * 1e3);
  std::printf("filter_pages_shown %d\n", matched);
  std::printf("full_split_ms %.2f\n", fullSplitTime * 1e3);
  if (keep.empty()) std::filesystem::remove(path);
  return 0;
}
