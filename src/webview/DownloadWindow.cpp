#include "webview/DownloadWindow.h"

#include "webview/BrowserDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>

#include <cstdio>

namespace tavren {
namespace {

QString ReasonText(QWebEngineDownloadRequest::DownloadInterruptReason reason) {
  const int kind = static_cast<int>(reason) / 10;
  if (kind <= 1) return QStringLiteral("ファイルに書き込めませんでした");
  if (kind == 2) return QStringLiteral("ネットワークの接続が切れました");
  if (kind == 3) return QStringLiteral("サーバーとのやり取りが途中で失敗しました");
  return QStringLiteral("原因がわかりません");
}

}  // namespace

DownloadWindow::DownloadWindow(QWebEngineDownloadRequest* download, QString target, BrowserDialogs& dialogs)
    : QWidget(nullptr, Qt::Dialog),
      download_(download),
      target_(std::move(target)),
      dialogs_(dialogs),
      status_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      button_(new QPushButton(QStringLiteral("キャンセル"), this)) {
  setObjectName(QStringLiteral("DownloadWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  const QString name = QFileInfo(target_).fileName();
  setWindowTitle(QStringLiteral("ダウンロード - %1").arg(name));
  auto* layout = new QVBoxLayout(this);
  auto* nameLabel = new QLabel(name, this);
  nameLabel->setTextFormat(Qt::PlainText);
  layout->addWidget(nameLabel);
  layout->addWidget(bar_);
  auto* row = new QHBoxLayout;
  row->addWidget(status_, 1);
  row->addWidget(button_);
  layout->addLayout(row);
  setMinimumWidth(360);
  connect(button_, &QPushButton::clicked, this, [this] {
    if (over_) {
      close();
    } else if (download_) {
      download_->cancel();
    }
  });
  Follow(download);
}

void DownloadWindow::Follow(QWebEngineDownloadRequest* download) {
  download_ = download;
  connect(download, &QWebEngineDownloadRequest::receivedBytesChanged, this, &DownloadWindow::ShowProgress);
  connect(download, &QWebEngineDownloadRequest::totalBytesChanged, this, &DownloadWindow::ShowProgress);
  connect(
      download, &QWebEngineDownloadRequest::stateChanged, this, [this](QWebEngineDownloadRequest::DownloadState state) {
        if (state == QWebEngineDownloadRequest::DownloadCompleted) {
          Finish();
        } else if (state == QWebEngineDownloadRequest::DownloadCancelled) {
          EndWithoutFile(QStringLiteral("「%1」のダウンロードを取り消しました。").arg(QFileInfo(target_).fileName()));
        } else if (state == QWebEngineDownloadRequest::DownloadInterrupted) {
          EndWithoutFile(QStringLiteral("「%1」をダウンロードできませんでした: %2。")
                             .arg(QFileInfo(target_).fileName(), ReasonText(download_->interruptReason())));
        }
      });
  ShowProgress();
}

bool DownloadWindow::Follows(quint32 id) const { return Running() && download_->id() == id; }

void DownloadWindow::Restart(QWebEngineDownloadRequest* restart) {
  restart->setDownloadDirectory(download_->downloadDirectory());
  restart->setDownloadFileName(download_->downloadFileName());
  download_->disconnect(this);
  restart->accept();
  Follow(restart);
}

DownloadWindow::~DownloadWindow() {
  if (over_ || !download_) return;
  const QString working = WorkingPath();
  download_->disconnect(this);
  download_->cancel();
  QFile::remove(working);
}

QString DownloadWindow::StatusText() const { return status_->text(); }

QString DownloadWindow::WorkingName(const QDir& folder, const QString& fileName) {
  // NAME_MAX, less room for the engine's own suffix (".download") and for
  // our tail (".xxxxxxxx.part").
  constexpr qsizetype kStemBytes = 255 - 16 - 14;
  QString stem = fileName;
  while (!stem.isEmpty() && QFile::encodeName(stem).size() > kStemBytes) {
    stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
  }
  for (;;) {
    const QString tag = QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, u'0');
    const QString name = QStringLiteral("%1.%2.part").arg(stem, tag);
    if (!QFileInfo::exists(folder.filePath(name))) return name;
  }
}

QString DownloadWindow::WorkingPath() const {
  return QDir(download_->downloadDirectory()).filePath(download_->downloadFileName());
}

void DownloadWindow::ShowProgress() {
  if (over_ || !download_) return;
  const qint64 total = download_->totalBytes();
  const qint64 received = download_->receivedBytes();
  const QLocale locale(QLocale::Japanese);
  if (total > 0) {
    bar_->setRange(0, 1000);
    bar_->setValue(static_cast<int>(received * 1000 / total));
    status_->setText(
        QStringLiteral("%1 / %2").arg(locale.formattedDataSize(received), locale.formattedDataSize(total)));
  } else {
    bar_->setRange(0, 0);  // size unknown: a busy bar
    status_->setText(locale.formattedDataSize(received));
  }
}

void DownloadWindow::Finish() {
  over_ = true;
  const QString working = WorkingPath();
  // The user agreed to replace the chosen file when choosing it. One
  // rename(2) replaces it or leaves both as they were (QFile::rename never
  // replaces a file, and removing first could lose both).
  if (::rename(QFile::encodeName(working).constData(), QFile::encodeName(target_).constData()) != 0) {
    BrowserDialogs& dialogs = dialogs_;
    close();
    dialogs.ErrorBox(nullptr,
                     QStringLiteral("「%1」を保存できませんでした。\nダウンロードしたファイルは「%2」にあります。")
                         .arg(target_, working));
    return;
  }
  bar_->setRange(0, 1);
  bar_->setValue(1);
  status_->setText(QStringLiteral("完了しました"));
  button_->setText(QStringLiteral("閉じる"));
}

void DownloadWindow::EndWithoutFile(const QString& message) {
  over_ = true;
  if (download_) QFile::remove(WorkingPath());
  BrowserDialogs& dialogs = dialogs_;
  close();
  dialogs.ErrorBox(nullptr, message);
}

}  // namespace tavren
