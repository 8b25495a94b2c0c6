#pragma once
// Browser dialogs that never block: every question is recorded and answered
// from what the test set beforehand.

#include "webview/BrowserDialogs.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace tavren {

class FakeBrowserDialogs : public BrowserDialogs {
 public:
  void ErrorBox(QWidget* parent, const QString& text) override;
  bool AskSavePath(QWidget* parent, const QString& suggestedPath, QString& path) override;
  bool AskLogin(QWidget* parent, const QString& host, const QString& realm, QString& user, QString& password) override;
  bool AskYesNo(QWidget* parent, const QString& question) override;
  bool AskPrint(QWidget* parent, QPrinter& printer) override;
  bool AskScript(QWidget* parent, ScriptQuestion& question) override;
  GuideLinkAnswer AskGuideLink(QWidget* parent, const QString& fileName) override;

  // Answers: the save path (none: cancel), the login (none: cancel), yes/no,
  // and what the print dialog does to the printer (none: cancel).
  std::optional<QString> savePath;
  std::optional<std::pair<QString, QString>> login;
  bool yes = false;
  std::function<void(QPrinter&)> print;
  // Script dialogs: OK or キャンセル, the text a prompt gets, and whether the
  // silence check box is ticked when offered.
  bool scriptAnswer = true;
  QString promptValue;
  bool tickSilence = true;
  GuideLinkAnswer guideLink = GuideLinkAnswer::kOpen;

  QStringList errorBoxes;
  QStringList suggestedPaths;
  QStringList loginPrompts;  // "host realm"
  QStringList questions;
  int printDialogs = 0;
  QList<ScriptQuestion> scriptDialogs;
  QStringList guideLinks;  // the file names asked about
};

}  // namespace tavren
