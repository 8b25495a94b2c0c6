#pragma once
// tavren-check's command line as a function, so that `tavren-guide check`
// runs exactly the same options, output and exit status.

#include <string_view>

namespace tavren {

// Runs tavren-check with argv[1..argc-1]. `programName` ("tavren-check" or
// "tavren-guide check") appears in the usage; errors on stderr begin with its
// first word and ": ". Writes the result to stdout. Returns the exit status:
// 0 when no command failed (no line would fail, with --lint), 1 when one did,
// 2 for a usage error.
int CheckCommand(std::string_view programName, int argc, char** argv);

}  // namespace tavren
