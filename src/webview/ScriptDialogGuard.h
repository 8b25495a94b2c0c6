#pragma once
// Keeps a page's script dialogs (alert, confirm, prompt, the leave-page
// question) from holding the user for ever: from the second dialog a page
// opens within 3 s of the previous one's closing, the dialog offers
// "このページのダイアログを今後表示しない"; once that is ticked, the page's
// further dialogs are answered at once without showing (alert: OK, confirm:
// false, prompt: none, leave page: leave) until the view shows another
// address. The dialogs are Japanese and titled with the page's host.

#include "webview/BrowserDialogs.h"

#include <QObject>
#include <QUrl>

#include <chrono>
#include <optional>

class QWebEnginePage;

namespace tavren {

class ScriptDialogGuard : public QObject {
 public:
  // How close a dialog must follow the previous one to offer silence.
  static constexpr std::chrono::seconds kLoopWindow{3};

  // Guards the dialogs of `page` asked through `dialogs`, as a child of the
  // page. `dialogs` must outlive it.
  ScriptDialogGuard(QWebEnginePage& page, BrowserDialogs& dialogs);

  // Asks `question` (its kind, text and value set; the title and the
  // offer are the guard's) over `parent`, or answers it at once while the
  // page is silenced. Returns as BrowserDialogs::AskScript.
  bool Ask(QWidget* parent, ScriptQuestion& question);

  // The kind of a confirm() call: the engine asks its leave-page question
  // through confirm, in English.
  static ScriptQuestion::Kind ConfirmKind(const QString& text);
  // Our words for the leave-page question.
  static QString LeavePageText();

 private:
  static QUrl Page(const QUrl& address) { return address.adjusted(QUrl::RemoveFragment); }

  QWebEnginePage& page_;
  BrowserDialogs& dialogs_;
  QUrl address_;  // the page the state below belongs to
  std::optional<std::chrono::steady_clock::time_point> lastClosed_;
  bool silenced_ = false;
};

}  // namespace tavren
