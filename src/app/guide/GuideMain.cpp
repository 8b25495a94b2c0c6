// tavren-guide: the guide author's tool. One command, four subcommands:
// check (tavren-check's checks), links (the link check), import (browser
// bookmarks into a guide) and export (a guide into browser bookmarks).

#include "app/check/CheckCommand.h"
#include "app/guide/GuideCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

namespace {

constexpr const char kUsage[] =
    "usage: tavren-guide COMMAND [OPTIONS] ...\n"
    "\n"
    "commands:\n"
    "  check [--json] [--major N] [--middle M] GUIDE   the catalogue commands on GUIDE, as tavren-check\n"
    "  check --lint GUIDE                              what would stop or spoil GUIDE\n"
    "  links [--json] [OPTIONS] GUIDE                  check every address of GUIDE\n"
    "  import BOOKMARKS.html [--subject S] [--author A] [--url U] [-o FILE]\n"
    "                                                  a browser's bookmark file into a guide\n"
    "  export GUIDE [-o FILE]                          GUIDE into a browser bookmark file\n"
    "\n"
    "tavren-guide COMMAND --help shows a command's options; man tavren-guide tells more.\n"
    "Exit status: 0 all well, 1 findings (a dead link, a failed read, a lint finding),\n"
    "2 usage, or input that cannot be read at all.\n";

}  // namespace

namespace tavren::guide {

int UsageError(const char* usage, const char* why) {
  std::cerr << "tavren-guide: " << why << "\n" << usage;
  return 2;
}

bool WriteOutput(const char* outputPath, const void* data, unsigned long size) {
  if (!outputPath) {
    std::cout.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::cout.flush();
    return static_cast<bool>(std::cout);
  }
  std::FILE* file = std::fopen(outputPath, "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
    std::cerr << "tavren-guide: " << outputPath << " を書き込めません: " << std::strerror(errno) << "\n";
    if (file) std::fclose(file);
    return false;
  }
  return true;
}

const char* Arg(int argc, char** argv, int& i) { return i + 1 < argc ? argv[++i] : nullptr; }

int OtherArg(const char* usage, const char* what, const char* arg, const char*& file) {
  const std::string_view text = arg;
  if (text == "-h" || text == "--help") {
    std::cout << usage;
    return 0;
  }
  if (text.size() > 1 && text[0] == '-') return UsageError(usage, ("unknown option " + std::string(text)).c_str());
  if (file) return UsageError(usage, ("only one " + std::string(what)).c_str());
  file = arg;
  return -1;
}

}  // namespace tavren::guide

int main(int argc, char** argv) {
  if (argc < 2) return tavren::guide::UsageError(kUsage, "no COMMAND");
  const std::string_view command = argv[1];
  if (command == "-h" || command == "--help" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "--version") {
    std::cout << "tavren-guide " TAVREN_VERSION "\n";
    return 0;
  }
  if (command == "check") return tavren::CheckCommand("tavren-guide check", argc - 1, argv + 1);
  if (command == "links") return tavren::guide::Links(argc - 1, argv + 1);
  if (command == "import") return tavren::guide::Import(argc - 1, argv + 1);
  if (command == "export") return tavren::guide::Export(argc - 1, argv + 1);
  const std::string why = "unknown command " + std::string(command);
  return tavren::guide::UsageError(kUsage, why.c_str());
}
