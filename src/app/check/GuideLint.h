#pragma once
// tavren-check --lint: finds what in a guide file would stop the load or a
// category click, and what silently goes wrong (fields shifted by an
// unquoted blank, pages that no category shows, a byte-order mark, bytes
// that are not CP932).

#include <string>
#include <vector>

namespace tavren {

struct LintFinding {
  int line = 0;         // 1-based; 0 for the file as a whole
  bool fails = false;   // true when this line stops a command with an error box
  std::string message;  // UTF-8; for a failure, the error box's text first
};

// Lints the guide at `path`, reading it the way the commands do. Findings
// come in line order. An unreadable file gives one failing finding (line 0)
// with the error box text of the failed open.
std::vector<LintFinding> LintGuide(const std::string& path);

// "path:line: エラー: message" / "path:line: 警告: message", one per line.
std::string FormatFindings(const std::string& path, const std::vector<LintFinding>& findings);

}  // namespace tavren
