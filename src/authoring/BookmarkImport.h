#pragma once
// Browser bookmarks into a guide: the "Netscape bookmark file" that Firefox,
// Chrome, Edge and Safari export (HTML with <DT><H3> folders, <DT><A HREF>
// links and <DD> descriptions) becomes a guide file in CP932.
//
// Folders: a browser's own containers (an H3 marked PERSONAL_TOOLBAR_FOLDER
// or UNFILED_BOOKMARKS_FOLDER) are not categories, their contents count as
// the top level. First-level folders are major categories, second-level
// folders middle categories (one flat list, each name once); deeper folders
// fold into their second-level ancestor. Links directly in a first-level
// folder get the middle category "未分類", links outside any folder the major
// and middle category "未分類". Pages keep the file's order, categories the
// order in which they first appear; a folder that holds no link anywhere
// below it makes no category.

#include <string>
#include <string_view>
#include <vector>

namespace tavren {

// The header record's fields, UTF-8.
struct GuideHeaderUtf8 {
  std::string subject;
  std::string author;
  std::string url;
};

// Something the conversion changed that the author should know of.
struct ImportNotice {
  int line = 0;             // line of the bookmark file, from 1; 0 for the header's texts
  std::string messageUtf8;  // Japanese, names the character and what became of it
};

struct ImportResult {
  std::string guide;  // the guide file's bytes: CP932, CR LF line ends
  int pages = 0;
  std::vector<ImportNotice> notices;  // in line order of the bookmark file
};

// Converts the bookmark file `html` (UTF-8, as browsers write it; malformed
// UTF-8 bytes count as characters CP932 lacks) into a guide headed by
// `header`. Control characters (line breaks, tabs, ...) in a title, note,
// address or folder name become one blank each (CR LF counts as one); a
// character CP932 lacks becomes "?" in a title, note or name and is
// percent-encoded (UTF-8) in an address, each reported in `notices`. Fields
// are quoted as the guide format needs, so the guide reads back field for
// field. Never throws except std::bad_alloc; any input gives a guide.
ImportResult ImportBookmarks(std::string_view html, const GuideHeaderUtf8& header);

// One guide field, CP932, quoted when splitting would otherwise change it
// (empty, or holding a blank 0x01-0x20, a comma or a quote). Appended to `out`.
void AppendGuideField(std::string& out, std::string_view cp932);

}  // namespace tavren
