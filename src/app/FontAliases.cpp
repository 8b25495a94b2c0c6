#include "app/FontAliases.h"

#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <system_error>

namespace tavren {

std::string FontAliasFile(std::string_view executableDir, std::string_view buildTreeFile) {
  if (!executableDir.empty()) {
    const std::filesystem::path installed =
        std::filesystem::path(executableDir) / ".." / "share" / "tavren" / "fonts" / "tavren-fonts.conf";
    std::error_code error;
    if (std::filesystem::is_regular_file(installed, error)) return installed.lexically_normal().string();
  }
  return std::string(buildTreeFile);
}

std::string ExecutableDir() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return self.parent_path().string();
}

bool LoadFontAliases(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  FcConfig* config = FcConfigGetCurrent();
  if (config == nullptr) return false;
  if (FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(path.c_str()), FcTrue) != FcTrue) return false;
  // The aliases change how patterns are substituted, not which fonts exist,
  // but the configuration must be current for everyone who asks later.
  return FcConfigSetCurrent(config) == FcTrue;
}

}  // namespace tavren
