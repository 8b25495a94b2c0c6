#include "app/CommandLine.h"

#include <ostream>
#include <string_view>
#include <utility>

namespace tavren {
namespace {

constexpr std::string_view kUsage = "Usage: tavren [GUIDE]\n       tavren --help | --version\n";

constexpr std::string_view kHelp =
    "Opens the guide file GUIDE (*.lst, *.csv) once the program has started,\n"
    "as the \"読込\" button does. Without GUIDE the program starts as usual.\n"
    "\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n";

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> arguments) {
  const auto usage = [](std::string problem) {
    return CommandLine{CommandLine::Action::Usage, std::nullopt, std::move(problem)};
  };
  CommandLine result;
  bool optionsEnded = false;
  for (const std::string_view argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
      const bool help = argument == "--help" || argument == "-h";
      if (!help && argument != "--version") return usage("unknown option " + std::string(argument));
      if (arguments.size() != 1) return usage(std::string(argument) + " takes no other argument");
      result.action = help ? CommandLine::Action::Help : CommandLine::Action::Version;
    } else if (result.guide) {
      return usage("only one guide file can be opened");
    } else {
      result.guide = std::string(argument);
    }
  }
  return result;
}

std::optional<int> AnswerCommandLine(const CommandLine& commandLine, std::ostream& out, std::ostream& err) {
  switch (commandLine.action) {
    case CommandLine::Action::Run:
      return std::nullopt;
    case CommandLine::Action::Help:
      out << kUsage << '\n' << kHelp;
      return 0;
    case CommandLine::Action::Version:
      out << "tavren " << TAVREN_VERSION << '\n';
      return 0;
    case CommandLine::Action::Usage:
      err << "tavren: " << commandLine.problem << '\n' << kUsage;
      return 2;
  }
  return 2;
}

}  // namespace tavren
