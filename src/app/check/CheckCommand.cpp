// tavren-check's command line, shared by tavren-check and `tavren-guide check`:
// runs the catalogue commands on a guide file the way the window does, or
// lints it. Output is UTF-8.
//
//   tavren-check [--major N] [--middle M] [--json] FILE
//   tavren-check --lint FILE
//   tavren-check --find QUERY FILE
//
// Exit status: 0 when no command failed (no line would fail, with --lint;
// a page matched, with --find), 1 when one did (nothing matched), 2 for a
// usage error (and, with --find, a guide that could not be read whole).

#include "app/check/CheckCommand.h"
#include "app/check/CheckRun.h"
#include "app/check/FindRun.h"
#include "app/check/GuideLint.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char kUsage[] =
    "usage: tavren-check [--major N] [--middle M] [--json] FILE\n"
    "       tavren-check --lint FILE\n"
    "       tavren-check --find QUERY FILE\n";

// The program name that errors and the usage show ("tavren-check" or
// "tavren-guide check").
std::string program = "tavren-check";

std::string UsageText() {
  std::string text = kUsage;
  for (std::size_t at = 0; (at = text.find("tavren-check", at)) != std::string::npos; at += program.size())
    text.replace(at, 12, program);
  return text;
}

int Usage(const std::string& why) {
  std::cerr << program.substr(0, program.find(' ')) << ": " << why << "\n" << UsageText();
  return 2;
}

bool ParseRow(std::string_view text, std::int32_t& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

int tavren::CheckCommand(std::string_view programName, int argc, char** argv) {
  program = std::string(programName);
  tavren::CheckOptions options;
  bool json = false;
  bool lint = false;
  std::optional<std::string> query;
  bool haveFile = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (!optionsEnded && (arg == "--major" || arg == "--middle")) {
      if (i + 1 >= argc) return Usage(std::string(arg) + " needs a row number");
      std::int32_t row = 0;
      if (!ParseRow(argv[++i], row)) return Usage(std::string(arg) + ": not a row number: " + argv[i]);
      (arg == "--major" ? options.major : options.middle) = row;
    } else if (!optionsEnded && arg == "--json") {
      json = true;
    } else if (!optionsEnded && arg == "--find") {
      if (i + 1 >= argc) return Usage("--find needs a QUERY");
      if (query) return Usage("only one --find");
      query = argv[++i];
    } else if (!optionsEnded && arg == "--lint") {
      lint = true;
    } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
      std::cout << UsageText();
      return 0;
    } else if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + std::string(arg));
    } else {
      if (haveFile) return Usage("only one FILE");
      options.file = std::string(arg);
      haveFile = true;
    }
  }
  if (!haveFile) return Usage("no FILE");
  if (lint && (json || options.major || options.middle)) return Usage("--lint takes only FILE");
  if (query && (lint || json || options.major || options.middle)) return Usage("--find takes only QUERY and FILE");
  if (query) return tavren::RunFind(*query, options.file, std::cout, std::cerr);

  if (lint) {
    auto findings = tavren::LintGuide(options.file);
    std::cout << tavren::FormatFindings(options.file, findings);
    bool fails = false;
    for (const auto& f : findings) fails = fails || f.fails;
    if (findings.empty()) std::cout << options.file << ": 問題は見つかりませんでした\n";
    return fails ? 1 : 0;
  }

  tavren::CheckResult result = tavren::RunCheck(options);
  std::cout << (json ? tavren::ToJson(result) : tavren::ToText(result));
  std::cout.flush();
  return result.errors.empty() ? 0 : 1;
}
