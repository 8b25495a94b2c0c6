#pragma once
// What tavren-check does with a guide: the commands the window would run and
// what the window would show afterwards, as UTF-8 for people and programs.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavren {

struct CheckOptions {
  std::string file;                    // the guide, as the confirmed dialog choice
  std::optional<std::int32_t> major;   // a click on major-category row N
  std::optional<std::int32_t> middle;  // then a click on middle-category row M
};

// The window's state after the commands, decoded from CP932 to UTF-8 (bytes
// that are not CP932 become U+FFFD).
struct CheckResult {
  std::string caption;
  std::string guideButton;
  std::string guideUrl;
  std::vector<std::string> major, middle, titles, addresses, notes;
  std::int32_t majorIndex = 0;
  std::int32_t middleIndex = 0;
  // The error box texts of the commands that failed, in order ("." rule applied).
  std::vector<std::string> errors;
};

// Runs the load command with `file` chosen in the dialog; then, if asked,
// selects major row N and runs FilterByMajor; then selects middle row M and
// runs FilterByMiddle. A failing command is recorded and the next still runs.
CheckResult RunCheck(const CheckOptions& options);

// The result as one JSON object (keys caption, guideButton, guideUrl, major,
// middle, titles, addresses, notes, majorIndex, middleIndex, errors).
std::string ToJson(const CheckResult& result);
// The result for people, one item per line.
std::string ToText(const CheckResult& result);

}  // namespace tavren
