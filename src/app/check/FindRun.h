#pragma once
// tavren-check --find: the page search of the main window's search box, run
// on a guide from a terminal.

#include <ostream>
#include <string>
#include <string_view>

namespace tavren {

// Loads `file` as the load command does and prints each page that
// `queryUtf8` finds, in file order, one JSON object a line:
//   {"line": N, "title": ..., "address": ..., "note": ..., "major": ..., "middle": ...}
// (UTF-8; "major"/"middle" are the category names, null when the page's
// position names no category). A load failure is reported on `err` as the
// error box would show it; the pages read before it are still searched.
// Returns 0 when a page matched and the load succeeded, 1 when nothing
// matched, 2 when the load failed (as grep counts a read error).
int RunFind(std::string_view queryUtf8, const std::string& file, std::ostream& out, std::ostream& err);

}  // namespace tavren
