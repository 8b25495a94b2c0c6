// tavren-guide import and export: browser bookmarks into a guide and back.

#include "app/guide/GuideCommands.h"
#include "authoring/BookmarkExport.h"
#include "authoring/BookmarkImport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

namespace tavren::guide {
namespace {

constexpr const char kImportUsage[] =
    "usage: tavren-guide import BOOKMARKS.html [--subject S] [--author A] [--url U] [-o FILE]\n"
    "  Turns a browser's exported bookmark file into a guide (Shift-JIS), on stdout or in FILE.\n"
    "  First-level folders become major categories, second-level folders middle categories.\n"
    "  --subject S   the guide's subject (default: the bookmark file's name without extension)\n"
    "  --author A    the guide author's name (default: empty)\n"
    "  --url U       the guide author's page (default: empty)\n"
    "  -o FILE       write the guide to FILE instead of stdout\n";

constexpr const char kExportUsage[] =
    "usage: tavren-guide export GUIDE [-o FILE]\n"
    "  Turns a guide into a bookmark file (UTF-8 HTML) that browsers import, on stdout or in FILE.\n"
    "  -o FILE       write the bookmark file to FILE instead of stdout\n";

std::string Stem(std::string_view path) {
  if (auto slash = path.rfind('/'); slash != std::string_view::npos) path.remove_prefix(slash + 1);
  if (auto dot = path.rfind('.'); dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
  return std::string(path);
}

// The whole file; false with errno set when it cannot be read (a folder
// included, which opens but does not read).
bool ReadWhole(const char* path, std::string& bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char buffer[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  errno = error;
  return !failed;
}

}  // namespace

int Import(int argc, char** argv) {
  const char* input = nullptr;
  const char* output = nullptr;
  GuideHeaderUtf8 header;
  bool subjectGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    std::string* field = arg == "--subject"  ? &header.subject
                         : arg == "--author" ? &header.author
                         : arg == "--url"    ? &header.url
                                             : nullptr;
    if (field || arg == "-o") {
      const char* value = Arg(argc, argv, i);
      if (!value) return UsageError(kImportUsage, (std::string(arg) + " needs a value").c_str());
      if (field)
        *field = value;
      else
        output = value;
      subjectGiven = subjectGiven || arg == "--subject";
    } else if (const int status = OtherArg(kImportUsage, "BOOKMARKS file", argv[i], input); status >= 0) {
      return status;
    }
  }
  if (!input) return UsageError(kImportUsage, "no BOOKMARKS file");
  std::string html;
  if (!ReadWhole(input, html)) {
    std::cerr << "tavren-guide: " << input << " を読めません: " << std::strerror(errno) << "\n";
    return 2;
  }
  if (!subjectGiven) header.subject = Stem(input);
  const ImportResult result = ImportBookmarks(html, header);
  for (const ImportNotice& notice : result.notices) {
    if (notice.line == 0)
      std::cerr << "tavren-guide: --subject/--author/--url: " << notice.messageUtf8 << "\n";
    else
      std::cerr << "tavren-guide: " << input << ':' << notice.line << ": " << notice.messageUtf8 << "\n";
  }
  if (!WriteOutput(output, result.guide.data(), result.guide.size())) return 1;
  if (output) std::cerr << "tavren-guide: " << result.pages << " 件のページを " << output << " に書きました\n";
  return 0;
}

int Export(int argc, char** argv) {
  const char* input = nullptr;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-o") {
      output = Arg(argc, argv, i);
      if (!output) return UsageError(kExportUsage, "-o needs a FILE");
    } else if (const int status = OtherArg(kExportUsage, "GUIDE", argv[i], input); status >= 0) {
      return status;
    }
  }
  if (!input) return UsageError(kExportUsage, "no GUIDE");
  const ExportResult result = ExportGuide(input);
  if (!result.failureUtf8.empty() && result.failureLine == 0) {
    std::cerr << "tavren-guide: " << input << ": " << result.failureUtf8 << "\n";
    return 2;
  }
  if (!WriteOutput(output, result.html.data(), result.html.size())) return 1;
  if (!result.failureUtf8.empty()) {
    std::cerr << "tavren-guide: " << input << ':' << result.failureLine << ": " << result.failureUtf8 << " (ここまでの "
              << result.pages << " 件を書き出しました)\n";
    return 1;
  }
  if (output) std::cerr << "tavren-guide: " << result.pages << " 件のページを " << output << " に書きました\n";
  return 0;
}

}  // namespace tavren::guide
