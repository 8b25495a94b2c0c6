#pragma once
// The real modal dialogs: the error box, the simple message dialog and the
// guide file open dialog, built on Qt widgets.

#include "ui/Dialogs.h"

#include <QByteArray>
#include <QString>

class QCoreApplication;

namespace tavren {

class QtDialogs : public Dialogs {
 public:
  // `applicationTitle` titles the error box and the message dialog.
  explicit QtDialogs(QString applicationTitle);

  // QMessageBox with the stop (critical) icon, the application title and
  // one button captioned "OK" (Enter and Esc both press it). The text is
  // shown as plain text: a "<" in a message is never read as markup.
  // Application-modal; returns when dismissed.
  void ErrorBox(const QString& text) override;

  // A plain dialog (not a QMessageBox, which raises an accessibility alert
  // that platforms may answer with a sound): no icon, no sound, the
  // application title, the text as plain text word-wrapped to at most half
  // the primary screen's width, one "OK" button that Enter and Esc both
  // press, centred on the primary screen. Application-modal.
  void Message(const QString& text) override;

  // Qt's own (non-native) file dialog, so that the one filter
  // "Tavren用ファイル (*.lst *.csv)" matches without regard to case on every
  // platform; its box shows the description alone, "Tavren用ファイル". Opens on the last confirmed path; a typed name
  // of a file that does not exist is accepted. On confirm returns true with `path` the chosen file as native file-name
  // bytes (QFile::encodeName) and remembers it; on cancel returns false and changes nothing.
  bool OpenGuideFile(QWidget* parent, QByteArray& path) override;

  // The path of the last confirmed choice, empty before any.
  const QString& LastConfirmedPath() const { return lastPath_; }

 private:
  QString title_;
  QString lastPath_;
};

// The open dialog's one filter entry.
QString GuideFileFilter();

// Installs Qt's Japanese translations (qt_ja, else qtbase_ja, from Qt's
// translations folder) so that the dialogs' own texts are Japanese. Returns
// false, installing nothing, when neither file can be loaded.
bool InstallJapaneseTranslations(QCoreApplication& app);

}  // namespace tavren
