// Measures the page search on the generated 100,000-page guide: a fixed,
// named set of 20 queries over the titles and notes of every page, against
// the same queries in plain Python over pre-folded titles and notes in the
// same run, and what the search's index adds to the peak resident set.
//
//   search_bench [--runs N] [--python SCRIPT]
//
// Prints one "name value" line per figure: each query's median time over N
// runs (default 31), the median and worst of those, both totals and their
// ratio, the index's growth of the peak resident set, and the time the
// index takes to fill (within the load) and to fold (after it, when idle). Exits 1 when a query
// finds a different number of pages than Python does.

#include "GuideGenerator.h"
#include "base/CodePage.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MemoryCatalogueWindow.h"
#include "catalogue/PageIndex.h"
#include "catalogue/SearchFold.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef TAVREN_SEARCH_REFERENCE
#define TAVREN_SEARCH_REFERENCE "search_reference.py"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// 1 to 4 characters each (all terms together); common and rare; kana, Latin,
// kanji; widths and scripts the folding joins.
struct NamedQuery {
  const char* name;
  const char* utf8;
};
constexpr NamedQuery kQueries[] = {
    {"kana_1_common", "ー"},
    {"kana_2_hiragana", "らー"},
    {"kana_4_hiragana", "らーめん"},
    {"katakana_3", "サイト"},
    {"halfwidth_3", "ｻｲﾄ"},
    {"halfwidth_voiced_2", "ﾀﾞｲ"},
    {"kanji_1_common", "駅"},
    {"kanji_2", "温泉"},
    {"kanji_3", "北海道"},
    {"kanji_4", "露天風呂"},
    {"kanji_1_rare", "鬼"},
    {"kanji_2_absent", "富士"},
    {"latin_1", "n"},
    {"latin_2_fullwidth", "ＮＯ"},
    {"digits_3", "123"},
    {"digit_1_fullwidth", "７"},
    {"mixed_4", "ご注意く"},
    {"terms_2_kanji_kana", "京 らー"},
    {"terms_2_kanji", "駅　徒歩"},
    {"terms_3_mixed", "no 1 号"},
};

double PeakRssMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) * 1024.0 / 1e6;
  }
  return -1;
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5" << std::flush; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 31;
  std::string python = TAVREN_SEARCH_REFERENCE;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--python" && i + 1 < argc) {
      python = argv[++i];
    } else {
      std::fprintf(stderr, "usage: search_bench [--runs N] [--python SCRIPT]\n");
      return 2;
    }
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string stem = "tavren-search-bench-" + std::to_string(::getpid());
  const std::string guide = (dir / (stem + ".lst")).string();
  {
    const std::string bytes = tavren::bench::GenerateGuide({});
    std::ofstream(guide, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  tavren::MemoryCatalogueWindow window;
  tavren::Catalogue catalogue(window);
  catalogue.LoadFrom(guide);
  std::filesystem::remove(guide);
  const tavren::PageIndex& pages = catalogue.Pages();
  while (pages.FoldSome(pages.Size())) {
  }

  // What the index costs: a second one built from the same pages, the peak
  // reset just before.
  ResetPeak();
  const double peakBefore = PeakRssMb();
  double indexGrowth = 0;
  double indexAddMs = 0;
  double indexFoldMs = 0;
  {
    auto start = Clock::now();
    tavren::PageIndex copy;
    for (int p = 0; p < pages.Size(); ++p)
      copy.Add(pages.Line(p), std::to_string(pages.MajorPosition(p).value_or(0)),
               std::to_string(pages.MiddlePosition(p).value_or(0)), pages.Title(p), window.AddressList().View(p),
               window.NoteList().View(p), window.MajorList().Count(), window.MiddleList().Count());
    indexAddMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    start = Clock::now();
    while (copy.FoldSome(copy.Size())) {
    }
    indexFoldMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    indexGrowth = PeakRssMb() - peakBefore;
  }

  std::map<std::string, double> ours;
  std::map<std::string, std::size_t> ourCounts;
  std::vector<double> medians;
  for (const NamedQuery& q : kQueries) {
    const tavren::SearchQuery query = tavren::ParseSearchQuery(q.utf8);
    std::vector<double> times;
    std::size_t found = 0;
    for (int r = 0; r < runs; ++r) {
      const auto start = Clock::now();
      found = pages.Find(query).size();
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    ours[q.name] = Median(times);
    ourCounts[q.name] = found;
    medians.push_back(ours[q.name]);
  }

  // The Python reference, in this run, on the same pre-folded texts.
  const std::string pagesFile = (dir / (stem + "-pages.txt")).string();
  const std::string queriesFile = (dir / (stem + "-queries.txt")).string();
  {
    std::ofstream out(pagesFile, std::ios::binary);
    for (int p = 0; p < pages.Size(); ++p) {
      out << tavren::cp932::ToUtf8(tavren::Folded(pages.Title(p))) << '\0'
          << tavren::cp932::ToUtf8(tavren::Folded(window.NoteList().View(p))) << '\n';
    }
    std::ofstream qs(queriesFile, std::ios::binary);
    for (const NamedQuery& q : kQueries) {
      qs << q.name << '\t';
      const tavren::SearchQuery query = tavren::ParseSearchQuery(q.utf8);
      for (std::size_t t = 0; t < query.terms.size(); ++t) {
        if (t > 0) qs << '\0';
        qs << tavren::cp932::ToUtf8(query.terms[t]);
      }
      qs << '\n';
    }
  }
  const std::string command =
      "python3 '" + python + "' '" + pagesFile + "' '" + queriesFile + "' " + std::to_string(std::max(3, runs / 6));
  std::map<std::string, double> theirs;
  int mismatches = 0;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char name[128];
    double ms = 0;
    std::size_t count = 0;
    while (std::fscanf(pipe, "%127s %lf %zu", name, &ms, &count) == 3) {
      theirs[name] = ms;
      if (ourCounts[name] != count) {
        std::fprintf(stderr, "search_bench: %s: %zu pages here, %zu in Python\n", name, ourCounts[name], count);
        ++mismatches;
      }
    }
    ::pclose(pipe);
  }
  std::filesystem::remove(pagesFile);
  std::filesystem::remove(queriesFile);

  double ourTotal = 0;
  double theirTotal = 0;
  for (const NamedQuery& q : kQueries) {
    std::printf("search_query_%s_ms %.3f\n", q.name, ours[q.name]);
    ourTotal += ours[q.name];
    theirTotal += theirs.count(q.name) ? theirs[q.name] : 0;
  }
  std::printf("search_pages %d\n", pages.Size());
  std::printf("search_query_median_ms %.3f\n", Median(medians));
  std::printf("search_query_worst_ms %.3f\n", *std::max_element(medians.begin(), medians.end()));
  std::printf("search_total_ms %.2f\n", ourTotal);
  if (theirs.size() == std::size(kQueries)) {
    std::printf("python_total_ms %.2f\n", theirTotal);
    std::printf("search_to_python_ratio %.4f\n", ourTotal / theirTotal);
  } else {
    std::fprintf(stderr, "search_bench: the Python reference gave %zu of %zu figures\n", theirs.size(),
                 std::size(kQueries));
  }
  std::printf("search_index_peak_rss_growth_mb %.1f\n", indexGrowth);
  // Adding is the load's share; folding runs in idle steps after it.
  std::printf("search_index_add_ms %.1f\n", indexAddMs);
  std::printf("search_index_fold_ms %.1f\n", indexFoldMs);
  return mismatches > 0 || theirs.size() != std::size(kQueries) ? 1 : 0;
}
