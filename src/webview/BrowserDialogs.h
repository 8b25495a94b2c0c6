#pragma once
// The dialogs the browser side of the web view asks the user with, behind one
// interface so that tests can script the answers and never block on a real
// dialog. Every call is modal and returns once the user has answered.

#include <QString>

class QPrinter;
class QWidget;

namespace tavren {

// A page's script dialog: what to show and, once answered, what the user
// did.
struct ScriptQuestion {
  enum class Kind { kAlert, kConfirm, kPrompt, kLeavePage };
  Kind kind = Kind::kAlert;
  QString title;  // the page's host
  QString text;   // the page's message, or our leave-page question
  QString value;  // prompt: the page's default in, the text typed out
  // Whether to show the check box "このページのダイアログを今後表示しない".
  bool offerSilence = false;
  bool silence = false;  // out: the check box was ticked
};

// The answers to "このガイドを開きますか？".
enum class GuideLinkAnswer { kOpen, kSave, kCancel };

class BrowserDialogs {
 public:
  virtual ~BrowserDialogs() = default;

  // An error box over `parent` (may be null) with `text` as plain text.
  virtual void ErrorBox(QWidget* parent, const QString& text) = 0;

  // The save dialog, opened on `suggestedPath` (a folder and the server's
  // file name). Asks before replacing an existing file. Returns true with
  // `path` the absolute path chosen; false on cancel, `path` untouched.
  virtual bool AskSavePath(QWidget* parent, const QString& suggestedPath, QString& path) = 0;

  // The login dialog for `host` and `realm`. Returns true with the name and
  // password typed; false on cancel, both untouched.
  virtual bool AskLogin(QWidget* parent, const QString& host, const QString& realm, QString& user,
                        QString& password) = 0;

  // A yes/no question whose default answer is no. True for yes.
  virtual bool AskYesNo(QWidget* parent, const QString& question) = 0;

  // The print dialog for `printer` (which it may set up, PDF output
  // included). True when the user chose to print.
  virtual bool AskPrint(QWidget* parent, QPrinter& printer) = 0;

  // A page's script dialog, titled question.title, the text shown as plain
  // text. True for OK (alert: always; leave page: leave); false for キャンセル.
  // Sets question.value (prompt) and question.silence (when offered).
  virtual bool AskScript(QWidget* parent, ScriptQuestion& question) = 0;

  // "このガイドを開きますか？" for the guide file `fileName`, with 開く (the
  // default), 保存… and キャンセル (also Esc and the close box).
  virtual GuideLinkAnswer AskGuideLink(QWidget* parent, const QString& fileName) = 0;
};

}  // namespace tavren
