#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>

#include <utility>

namespace tavren {
namespace {

const QString kOk = QStringLiteral("OK");

// Places `dialog` (already laid out) in the middle of the primary screen.
void CentreOnScreen(QWidget& dialog) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = dialog.frameGeometry();
  frame.moveCenter(screen->geometry().center());
  dialog.move(frame.topLeft());
}

}  // namespace

QtDialogs::QtDialogs(QString applicationTitle) : title_(std::move(applicationTitle)) {}

void QtDialogs::ErrorBox(const QString& text) {
  QMessageBox box(QMessageBox::Critical, title_, text, QMessageBox::Ok, QApplication::activeWindow());
  box.setObjectName(QStringLiteral("ErrorBox"));
  box.setTextFormat(Qt::PlainText);
  // The caption is fixed, whatever translation is installed.
  box.button(QMessageBox::Ok)->setText(kOk);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

void QtDialogs::Message(const QString& text) {
  QDialog dialog(QApplication::activeWindow(),
                 Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  dialog.setObjectName(QStringLiteral("MessageDialog"));
  dialog.setWindowTitle(title_);
  dialog.setModal(true);

  auto* label = new QLabel(&dialog);
  label->setObjectName(QStringLiteral("MessageText"));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setText(text);
  // QLabel's own size hint for wrapped text is a guess; measure the text
  // against the limit instead so the dialog is exactly as wide as it needs.
  QScreen* screen = QGuiApplication::primaryScreen();
  const int limit = screen != nullptr ? screen->geometry().width() / 2 : 400;
  const QRect bounds =
      QFontMetrics(label->font()).boundingRect(QRect(0, 0, limit, 1 << 20), Qt::TextWordWrap | Qt::AlignLeft, text);
  label->setFixedSize(qMin(bounds.width(), limit), bounds.height());

  auto* ok = new QPushButton(kOk, &dialog);
  ok->setObjectName(QStringLiteral("MessageOk"));
  ok->setDefault(true);
  ok->setMinimumWidth(75);
  // Enter presses the default button; Esc rejects the dialog. Either way it
  // closes, which is all the button does.
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(&dialog);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(label);
  layout->addLayout(buttons);
  ok->setFocus();

  dialog.adjustSize();
  CentreOnScreen(dialog);
  // The window frame is known only once the dialog is on screen; centre it
  // again with the frame counted.
  QTimer::singleShot(0, &dialog, [&dialog] { CentreOnScreen(dialog); });
  dialog.exec();
}

bool QtDialogs::OpenGuideFile(QWidget* parent, QByteArray& path) {
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  // Qt's own dialog filters names through QFileSystemModel without regard
  // to case; a platform dialog might not (GTK matches "*.lst" case-sensitively).
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name of a file that does not exist is accepted; opening it is
  // the reader's business, which reports the missing file.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(GuideFileFilter());
  // The filter box shows the description alone; the patterns still apply.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (!lastPath_.isEmpty()) dialog.selectFile(lastPath_);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  lastPath_ = chosen.front();
  path = QFile::encodeName(lastPath_);
  return true;
}

QString GuideFileFilter() { return QStringLiteral("Tavren用ファイル (*.lst *.csv)"); }

bool InstallJapaneseTranslations(QCoreApplication& app) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qt_ja"), folder) || translator->load(QStringLiteral("qtbase_ja"), folder)) {
    return QCoreApplication::installTranslator(translator);
  }
  delete translator;
  return false;
}

}  // namespace tavren
