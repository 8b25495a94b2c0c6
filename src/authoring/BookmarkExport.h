#pragma once
// A guide into browser bookmarks: a UTF-8 "Netscape bookmark file" that
// browsers import. Each major category becomes a folder holding a folder per
// middle category that has pages under it, pages in file order; pages whose
// positions name no category go to "未分類" > "未分類" at the end.

#include <string>

namespace tavren {

struct ExportResult {
  std::string html;  // the bookmark file, UTF-8
  int pages = 0;     // pages written
  // Empty when the whole guide was read; otherwise the failure that ended the
  // reading, as the error box would show it (UTF-8), and the line it names
  // (0 when the file could not be opened).
  std::string failureUtf8;
  int failureLine = 0;
};

// Reads the guide at `path` the way the load command does (an empty line, a
// short record or a read error ends it) and writes what was read before the
// failure. Positions that are not integers or name no category count as no
// category. Never throws except std::bad_alloc.
ExportResult ExportGuide(const std::string& path);

}  // namespace tavren
