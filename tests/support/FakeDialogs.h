#pragma once
// Dialogs that never block: the error box and the message dialog record
// their texts, the open dialog answers from a script the test writes.

#include "ui/Dialogs.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

class QWidget;

namespace tavren {

class FakeDialogs : public Dialogs {
 public:
  void ErrorBox(const QString& text) override;
  void Message(const QString& text) override;
  // Takes the next scripted answer. With the script empty the test failed
  // to say what the user does: that is reported as a test failure and
  // answered as a cancel.
  bool OpenGuideFile(QWidget* parent, QByteArray& path) override;

  // Script the open dialog: the user confirms `path` / cancels.
  void WillConfirm(const QByteArray& path);
  void WillCancel();
  // Answers not yet used.
  std::size_t PendingAnswers() const { return openScript_.size(); }

  QStringList errorBoxes;  // texts of every error box, in order
  QStringList messages;    // texts of every message dialog, in order
  // Every dialog in the order shown: "ErrorBox: <text>", "Message: <text>",
  // "OpenGuideFile: <path>" or "OpenGuideFile: cancel".
  QStringList log;
  int openCalls = 0;
  QList<QWidget*> openParents;  // the parent given to each open dialog

  // Called when any dialog is shown, before it is recorded (e.g. to check
  // the window's state at that moment).
  std::function<void(const QString& logEntry)> onShow;

 private:
  struct Answer {
    bool confirm;
    QByteArray path;
  };
  void Record(const QString& entry);
  std::deque<Answer> openScript_;
};

}  // namespace tavren
