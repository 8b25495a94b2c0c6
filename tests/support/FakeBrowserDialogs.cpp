#include "FakeBrowserDialogs.h"

namespace tavren {

void FakeBrowserDialogs::ErrorBox(QWidget*, const QString& text) { errorBoxes.append(text); }

bool FakeBrowserDialogs::AskSavePath(QWidget*, const QString& suggestedPath, QString& path) {
  suggestedPaths.append(suggestedPath);
  if (!savePath) return false;
  path = *savePath;
  return true;
}

bool FakeBrowserDialogs::AskLogin(QWidget*, const QString& host, const QString& realm, QString& user,
                                  QString& password) {
  loginPrompts.append(host + u' ' + realm);
  if (!login) return false;
  user = login->first;
  password = login->second;
  return true;
}

bool FakeBrowserDialogs::AskYesNo(QWidget*, const QString& question) {
  questions.append(question);
  return yes;
}

bool FakeBrowserDialogs::AskPrint(QWidget*, QPrinter& printer) {
  ++printDialogs;
  if (!print) return false;
  print(printer);
  return true;
}

bool FakeBrowserDialogs::AskScript(QWidget*, ScriptQuestion& question) {
  question.value = promptValue;
  question.silence = question.offerSilence && tickSilence;
  scriptDialogs.append(question);
  return scriptAnswer || question.kind == ScriptQuestion::Kind::kAlert;
}

GuideLinkAnswer FakeBrowserDialogs::AskGuideLink(QWidget*, const QString& fileName) {
  guideLinks.append(fileName);
  return guideLink;
}

}  // namespace tavren
