#include "FakeDialogs.h"

#include <gtest/gtest.h>

namespace tavren {

void FakeDialogs::Record(const QString& entry) {
  if (onShow) onShow(entry);
  log.append(entry);
}

void FakeDialogs::ErrorBox(const QString& text) {
  Record(QStringLiteral("ErrorBox: ") + text);
  errorBoxes.append(text);
}

void FakeDialogs::Message(const QString& text) {
  Record(QStringLiteral("Message: ") + text);
  messages.append(text);
}

bool FakeDialogs::OpenGuideFile(QWidget* parent, QByteArray& path) {
  ++openCalls;
  openParents.append(parent);
  if (openScript_.empty()) {
    ADD_FAILURE() << "open dialog shown with no scripted answer";
    Record(QStringLiteral("OpenGuideFile: cancel"));
    return false;
  }
  const Answer answer = openScript_.front();
  openScript_.pop_front();
  if (!answer.confirm) {
    Record(QStringLiteral("OpenGuideFile: cancel"));
    return false;
  }
  Record(QStringLiteral("OpenGuideFile: ") + QString::fromLocal8Bit(answer.path));
  path = answer.path;
  return true;
}

void FakeDialogs::WillConfirm(const QByteArray& path) { openScript_.push_back({true, path}); }

void FakeDialogs::WillCancel() { openScript_.push_back({false, {}}); }

}  // namespace tavren
