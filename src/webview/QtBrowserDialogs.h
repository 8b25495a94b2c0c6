#pragma once
// The real browser dialogs, built on Qt widgets.

#include "webview/BrowserDialogs.h"

namespace tavren {

class QtBrowserDialogs : public BrowserDialogs {
 public:
  // A QMessageBox with the stop icon, titled with the application name.
  void ErrorBox(QWidget* parent, const QString& text) override;
  // Qt's own file dialog, so that it looks the same on every desktop; the
  // overwrite question is the dialog's own.
  bool AskSavePath(QWidget* parent, const QString& suggestedPath, QString& path) override;
  // A small dialog showing the host and the realm, with a user name field
  // and a hidden password field.
  bool AskLogin(QWidget* parent, const QString& host, const QString& realm, QString& user, QString& password) override;
  bool AskYesNo(QWidget* parent, const QString& question) override;
  // QPrintDialog: the desktop's printers and printing to a PDF file.
  bool AskPrint(QWidget* parent, QPrinter& printer) override;
  // A small dialog: the text, a field for prompt(), the silence check box
  // when offered, and OK (with キャンセル but for alert()).
  bool AskScript(QWidget* parent, ScriptQuestion& question) override;
  // A question box naming the file.
  GuideLinkAnswer AskGuideLink(QWidget* parent, const QString& fileName) override;
};

}  // namespace tavren
