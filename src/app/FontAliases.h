#pragma once
// The fontconfig alias file that maps the Windows families of the layouts
// (and of many Japanese web pages) to Debian's Japanese faces. It has to be
// loaded into the process's fontconfig configuration before the application
// object exists, because Qt and the web engine read that configuration when
// they start.

#include <string>
#include <string_view>

namespace tavren {

// Where the alias file lies for a program in `executableDir`: the installed
// copy "<executableDir>/../share/tavren/fonts/tavren-fonts.conf" when that
// file exists, otherwise `buildTreeFile` (the source tree's copy, for a
// program run from its build directory). Never throws except bad_alloc.
std::string FontAliasFile(std::string_view executableDir, std::string_view buildTreeFile);

// The directory of the running executable (from /proc/self/exe), or an empty
// string when it cannot be read.
std::string ExecutableDir();

// Parses `path` into fontconfig's current configuration and rebuilds its
// font set. Returns false when the file is missing or does not parse; the
// program then runs with the system's own substitutions.
bool LoadFontAliases(const std::string& path);

}  // namespace tavren
