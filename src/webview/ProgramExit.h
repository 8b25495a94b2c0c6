#pragma once
// The end of the program as the browser sees it: a download still running
// is not dropped without a word, and a pop-up window still printing is not
// destroyed under its print job.

class QWidget;

namespace tavren {

class BrowserProfile;

// The question asked before the program ends while a download runs.
inline constexpr char16_t kDownloadRunningQuestion[] = u"ダウンロード中のファイルがあります。終了しますか？";

// True when no download of `profile` is running; else the user's answer to
// kDownloadRunningQuestion over `parent` (default いいえ).
bool MayEndProgram(BrowserProfile& profile, QWidget* parent);

// Closes every pop-up window of `profile` and returns once they are gone. A
// pop-up that is printing stays until its print job ends; this waits for
// it, running the event loop, at most `limitMs`.
void ClosePopupsForExit(BrowserProfile& profile, int limitMs = 120000);

}  // namespace tavren
