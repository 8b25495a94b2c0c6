#include "webview/ScriptDialogGuard.h"

#include <QCoreApplication>
#include <QWebEnginePage>

namespace tavren {

ScriptDialogGuard::ScriptDialogGuard(QWebEnginePage& page, BrowserDialogs& dialogs)
    : QObject(&page), page_(page), dialogs_(dialogs) {
  // A page that reloads itself between dialogs stays the same page; a move
  // within it (#part) too.
  connect(&page_, &QWebEnginePage::urlChanged, this, [this](const QUrl& address) {
    if (Page(address) == address_) return;
    address_ = Page(address);
    lastClosed_.reset();
    silenced_ = false;
  });
}

bool ScriptDialogGuard::Ask(QWidget* parent, ScriptQuestion& question) {
  using Kind = ScriptQuestion::Kind;
  if (Page(page_.url()) != address_) {
    address_ = Page(page_.url());
    lastClosed_.reset();
    silenced_ = false;
  }
  if (silenced_) {
    question.value.clear();
    return question.kind == Kind::kAlert || question.kind == Kind::kLeavePage;
  }
  const QString host = page_.url().host();
  question.title = host.isEmpty() ? QCoreApplication::applicationName() : host;
  question.offerSilence = lastClosed_.has_value() && std::chrono::steady_clock::now() - *lastClosed_ <= kLoopWindow;
  question.silence = false;
  const QUrl asking = address_;
  const bool answer = dialogs_.AskScript(parent, question);
  // The view may have moved on while the dialog was open; the answer then
  // belongs to a page no longer shown.
  if (address_ != asking) return answer;
  lastClosed_ = std::chrono::steady_clock::now();
  silenced_ = question.offerSilence && question.silence;
  return answer;
}

ScriptQuestion::Kind ScriptDialogGuard::ConfirmKind(const QString& text) {
  static const QString leave = QCoreApplication::translate(
      "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
  return text == leave ? ScriptQuestion::Kind::kLeavePage : ScriptQuestion::Kind::kConfirm;
}

QString ScriptDialogGuard::LeavePageText() {
  return QStringLiteral("このページから移動しますか？ 入力した内容は保存されないことがあります。");
}

}  // namespace tavren
