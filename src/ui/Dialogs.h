#pragma once
// The modal dialogs the windows use, behind one interface so that GUI tests
// can script them and never block on a real dialog.

#include <QString>

class QWidget;

namespace tavren {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // The error box: stop icon, the application title, one "OK". `text` is
  // shown as given (the "." rule is the caller's). Returns when dismissed.
  virtual void ErrorBox(const QString& text) = 0;

  // The simple message dialog: application title, no icon, no sound, one
  // "OK" that Enter and Esc both press, centred on the screen.
  virtual void Message(const QString& text) = 0;

  // The open dialog with the one filter "Tavren用ファイル" (*.lst, *.csv).
  // Returns true and sets `path` (native file-name bytes) when the user
  // confirms; returns false and leaves `path` alone on cancel.
  virtual bool OpenGuideFile(QWidget* parent, QByteArray& path) = 0;
};

}  // namespace tavren
