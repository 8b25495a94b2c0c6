#include "webview/QtBrowserDialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavren {

void QtBrowserDialogs::ErrorBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtBrowserDialogs::AskSavePath(QWidget* parent, const QString& suggestedPath, QString& path) {
  const QString chosen = QFileDialog::getSaveFileName(parent, QStringLiteral("名前を付けて保存"), suggestedPath, {},
                                                      nullptr, QFileDialog::DontUseNativeDialog);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

bool QtBrowserDialogs::AskLogin(QWidget* parent, const QString& host, const QString& realm, QString& user,
                                QString& password) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("LoginDialog"));
  dialog.setWindowTitle(QStringLiteral("ログイン"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* intro = new QLabel(QStringLiteral("%1 がユーザー名とパスワードを求めています。").arg(host), &dialog);
  intro->setTextFormat(Qt::PlainText);
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  auto* realmLabel = new QLabel(realm, &dialog);
  realmLabel->setTextFormat(Qt::PlainText);
  form->addRow(QStringLiteral("領域:"), realmLabel);
  auto* userEdit = new QLineEdit(user, &dialog);
  auto* passwordEdit = new QLineEdit(&dialog);
  passwordEdit->setEchoMode(QLineEdit::Password);
  form->addRow(QStringLiteral("ユーザー名:"), userEdit);
  form->addRow(QStringLiteral("パスワード:"), passwordEdit);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ログイン"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  user = userEdit->text();
  password = passwordEdit->text();
  return true;
}

bool QtBrowserDialogs::AskYesNo(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), question,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool QtBrowserDialogs::AskScript(QWidget* parent, ScriptQuestion& question) {
  using Kind = ScriptQuestion::Kind;
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("ScriptDialog"));
  dialog.setWindowTitle(question.title);
  dialog.setMinimumWidth(360);
  auto* layout = new QVBoxLayout(&dialog);
  auto* text = new QLabel(question.text, &dialog);
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->setAccessibleName(QStringLiteral("ページからのメッセージ"));
  layout->addWidget(text);
  QLineEdit* field = nullptr;
  if (question.kind == Kind::kPrompt) {
    field = new QLineEdit(question.value, &dialog);
    field->setAccessibleName(QStringLiteral("入力欄"));
    layout->addWidget(field);
  }
  QCheckBox* silence = nullptr;
  if (question.offerSilence) {
    silence = new QCheckBox(QStringLiteral("このページのダイアログを今後表示しない"), &dialog);
    silence->setObjectName(QStringLiteral("silence"));
    silence->setAccessibleName(silence->text());
    layout->addWidget(silence);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  buttons->button(QDialogButtonBox::Ok)
      ->setText(question.kind == Kind::kLeavePage ? QStringLiteral("移動する") : QStringLiteral("OK"));
  if (question.kind != Kind::kAlert) {
    buttons->addButton(QDialogButtonBox::Cancel)
        ->setText(question.kind == Kind::kLeavePage ? QStringLiteral("このページにとどまる")
                                                    : QStringLiteral("キャンセル"));
  }
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (field != nullptr && accepted) question.value = field->text();
  question.silence = silence != nullptr && silence->isChecked();
  return accepted || question.kind == Kind::kAlert;
}

GuideLinkAnswer QtBrowserDialogs::AskGuideLink(QWidget* parent, const QString& fileName) {
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                  QStringLiteral("このガイドを開きますか？"), QMessageBox::NoButton, parent);
  box.setObjectName(QStringLiteral("GuideLinkQuestion"));
  box.setTextFormat(Qt::PlainText);
  box.setInformativeText(fileName);
  QPushButton* open = box.addButton(QStringLiteral("開く"), QMessageBox::AcceptRole);
  QPushButton* save = box.addButton(QStringLiteral("保存…"), QMessageBox::ActionRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(open);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == open) return GuideLinkAnswer::kOpen;
  if (box.clickedButton() == save) return GuideLinkAnswer::kSave;
  return GuideLinkAnswer::kCancel;
}

bool QtBrowserDialogs::AskPrint(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace tavren
