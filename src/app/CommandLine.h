#pragma once
// The program's command line: `tavren [GUIDE]`, or --help, or --version.
// Read before the application object exists, so that a wrong command line
// ends the program before any window is made or the site is asked anything.

#include <iosfwd>
#include <optional>
#include <span>
#include <string>

namespace tavren {

struct CommandLine {
  enum class Action { Run, Help, Version, Usage };
  Action action = Action::Run;
  // Run: the guide file to load once the program has started (native
  // file-name bytes, as given), or nothing for a plain start.
  std::optional<std::string> guide;
  // Usage: what was wrong with the command line, in English.
  std::string problem;
};

// Reads the arguments after the program's name. Run with no argument or one
// GUIDE (an argument after "--" is a GUIDE even when it starts with "-");
// Help for "--help" or "-h", Version for "--version" alone; Usage for any
// other option or a second GUIDE.
CommandLine ParseCommandLine(std::span<const char* const> arguments);

// Carries out Help, Version and Usage: the help or the version on `out`, or
// the problem and a short usage on `err`, and returns the exit status (0, 0
// or 2). Returns nothing for Run, having written nothing.
std::optional<int> AnswerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err);

}  // namespace tavren
