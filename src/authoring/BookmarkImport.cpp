#include "authoring/BookmarkImport.h"

#include "authoring/Html.h"
#include "base/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_map>

namespace tavren {
namespace {

constexpr std::string_view kUnsorted = "未分類";

std::string CodePointName(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

// Decodes one UTF-8 character at text[i]; returns its length (1 for a
// malformed byte, reported as U+FFFD with `malformed` set).
std::size_t NextChar(std::string_view text, std::size_t i, char32_t& c, bool& malformed) {
  const auto b = static_cast<unsigned char>(text[i]);
  malformed = false;
  std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > text.size()) {
    malformed = true;
    c = 0xFFFD;
    return 1;
  }
  if (len == 1) {
    c = b;
    return 1;
  }
  c = b & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    const auto t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) {
      malformed = true;
      c = 0xFFFD;
      return 1;
    }
    c = (c << 6) | (t & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    malformed = true;
    c = 0xFFFD;
    return 1;
  }
  return len;
}

enum class FieldKind { Text, Address };

class Converter {
 public:
  explicit Converter(std::vector<ImportNotice>& notices) : notices_(notices) {}

  // `utf8` cleaned of control characters and encoded as CP932.
  std::string Convert(std::string_view utf8, FieldKind kind, int line) {
    bool malformed = false;
    std::string clean = Blanked(utf8, malformed);
    std::string cp932 = cp932::FromUtf8(clean);
    // The common case: well-formed, and nothing turned into "?" that was not one already.
    if (!malformed && std::count(cp932.begin(), cp932.end(), '?') == std::count(clean.begin(), clean.end(), '?'))
      return cp932;
    return ConvertEach(clean, kind, line);
  }

 private:
  // Control characters (C0, DEL, C1) become one blank each, CR LF one in all;
  // `malformed` tells whether any byte is not well-formed UTF-8.
  static std::string Blanked(std::string_view text, bool& malformed) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
      char32_t c = 0;
      bool bad = false;
      const std::size_t len = NextChar(text, i, c, bad);
      malformed = malformed || bad;
      if (!bad && (c < 0x20 || (c >= 0x7F && c <= 0x9F))) {
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += ' ';
      } else {
        out.append(text.substr(i, len));
      }
      i += len;
    }
    return out;
  }

  std::string ConvertEach(std::string_view text, FieldKind kind, int line) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
      char32_t c = 0;
      bool malformed = false;
      const std::size_t len = NextChar(text, i, c, malformed);
      const std::string_view one = text.substr(i, len);
      std::string bytes = malformed ? std::string("?") : cp932::FromUtf8(one);
      if (bytes == "?" && c != U'?') {
        const std::string what =
            malformed ? "UTF-8 として正しくないバイト" : CodePointName(c) + " 「" + std::string(one) + "」";
        if (kind == FieldKind::Address) {
          std::string encoded;
          for (unsigned char b : one) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            encoded += hex;
          }
          notices_.push_back({line, "アドレスの " + what + " は Shift-JIS にないため " + encoded + " にしました"});
          out += encoded;
        } else {
          notices_.push_back({line, what + " は Shift-JIS にないため「?」にしました"});
          out += '?';
        }
      } else {
        out += bytes;
      }
      i += len;
    }
    return out;
  }

  std::vector<ImportNotice>& notices_;
};

// One name list of the guide (major or middle categories), each name once.
class NameList {
 public:
  int IndexOf(const std::string& name) {
    auto [it, added] = index_.try_emplace(name, static_cast<int>(names_.size()));
    if (added) names_.push_back(name);
    return it->second;
  }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::unordered_map<std::string, int> index_;
  std::vector<std::string> names_;
};

struct Folder {
  bool category = false;  // false: a container or the file's own lists
  std::string name;       // CP932
};

}  // namespace

void AppendGuideField(std::string& out, std::string_view cp932) {
  const bool quote = cp932.empty() || std::any_of(cp932.begin(), cp932.end(), [](char ch) {
                       const auto b = static_cast<unsigned char>(ch);
                       return (b >= 0x01 && b <= 0x20) || b == ',' || b == '"';
                     });
  if (!quote) {
    out += cp932;
    return;
  }
  out += '"';
  for (char ch : cp932) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

ImportResult ImportBookmarks(std::string_view html, const GuideHeaderUtf8& header) {
  ImportResult result;
  Converter convert(result.notices);
  NameList majors, middles;
  std::string pages;

  std::vector<Folder> folders;
  std::optional<Folder> pendingFolder;  // an H3 waiting for its <DL>
  std::string pageFields;               // the page being built (without note)
  const std::string unsorted = cp932::FromUtf8(kUnsorted);
  bool pageOpen = false;

  auto closePage = [&](std::string_view noteCp932) {
    if (!pageOpen) return;
    pages += pageFields;
    pages += ',';
    AppendGuideField(pages, noteCp932);
    pages += "\r\n";
    pageOpen = false;
  };

  html::Scanner scanner(html);
  html::Tag tag;
  while (scanner.NextTag(tag)) {
    if (tag.name == "H3") {
      closePage({});
      Folder folder;
      folder.category = !tag.HasAttribute("PERSONAL_TOOLBAR_FOLDER") && !tag.HasAttribute("UNFILED_BOOKMARKS_FOLDER");
      folder.name = convert.Convert(html::DecodeText(scanner.TextUntilClose("H3")), FieldKind::Text, tag.line);
      pendingFolder = std::move(folder);
    } else if (tag.name == "DL") {
      closePage({});
      folders.push_back(pendingFolder.value_or(Folder{}));
      pendingFolder.reset();
    } else if (tag.name == "/DL") {
      closePage({});
      if (!folders.empty()) folders.pop_back();
      pendingFolder.reset();
    } else if (tag.name == "A") {
      closePage({});
      pendingFolder.reset();
      const std::string* categories[2] = {nullptr, nullptr};
      int depth = 0;
      for (const Folder& f : folders)
        if (f.category && depth < 2) categories[depth++] = &f.name;
      const int major = majors.IndexOf(categories[0] ? *categories[0] : unsorted);
      const int middle = middles.IndexOf(categories[1] ? *categories[1] : unsorted);
      const std::string title =
          convert.Convert(html::DecodeText(scanner.TextUntilClose("A")), FieldKind::Text, tag.line);
      const std::string address =
          convert.Convert(html::DecodeText(tag.Attribute("HREF")), FieldKind::Address, tag.line);
      pageFields = std::to_string(major) + ',' + std::to_string(middle) + ',';
      AppendGuideField(pageFields, title);
      pageFields += ',';
      AppendGuideField(pageFields, address);
      pageOpen = true;
      ++result.pages;
    } else if (tag.name == "DD") {
      if (pageOpen) closePage(convert.Convert(html::DecodeText(scanner.TextUntilTag()), FieldKind::Text, tag.line));
    } else if (tag.name == "DT" || tag.name == "HR") {
      closePage({});
    }
  }
  closePage({});

  std::string& guide = result.guide;
  guide += "/,";
  AppendGuideField(guide, convert.Convert(header.subject, FieldKind::Text, 0));
  guide += ',';
  AppendGuideField(guide, convert.Convert(header.author, FieldKind::Text, 0));
  guide += ',';
  AppendGuideField(guide, convert.Convert(header.url, FieldKind::Address, 0));
  guide += "\r\n";
  for (const std::string& name : majors.Names()) {
    guide += "*,,";
    AppendGuideField(guide, name);
    guide += "\r\n";
  }
  for (const std::string& name : middles.Names()) {
    guide += "+,,";
    AppendGuideField(guide, name);
    guide += "\r\n";
  }
  guide += pages;
  std::stable_sort(result.notices.begin(), result.notices.end(),
                   [](const ImportNotice& a, const ImportNotice& b) { return a.line < b.line; });
  return result;
}

}  // namespace tavren
