#pragma once
// The main window built with fakes for the window tests: a recording web
// view, scripted dialogs, a settable clock and no start-up pause.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "FakeWebView.h"
#include "base/CodePage.h"
#include "ui/GuideListBox.h"
#include "ui/Unit1.h"

namespace tavren::test {

inline std::string Sjis(const char* utf8) { return cp932::FromUtf8(utf8); }

inline QString Qs(const char* utf8) { return QString::fromUtf8(utf8); }

struct MainWindowUnderTest {
  FakeWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  std::unique_ptr<TForm1> form;

  explicit MainWindowUnderTest(std::string siteRoot = "http://127.0.0.1:9/", int bannerIntervalMs = 90000,
                               int startupPauseMs = 0) {
    form = std::make_unique<TForm1>(
        TForm1Parts{web, dialogs, clock, std::move(siteRoot), startupPauseMs, bannerIntervalMs, FetcherLimits{}});
  }
  ~MainWindowUnderTest() { form.reset(); }

  // Items of list box `number` (1..5) decoded to text.
  QStringList Items(int number) const {
    QStringList items;
    const GuideListBox& list = form->ListBox(number);
    for (int i = 0; i < list.Count(); ++i) {
      const std::u16string text = cp932::ToUtf16(list.Item(i));
      items << QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    }
    return items;
  }
};

// Writes `utf8Lines` as a CP932 guide file (CR LF line ends) into `dir` and
// returns its path as bytes.
inline QByteArray WriteGuide(const QDir& dir, const QString& name, const QStringList& utf8Lines) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  for (const QString& line : utf8Lines) {
    const std::string bytes = cp932::FromUtf8(line.toStdString()) + "\r\n";
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  return QFile::encodeName(path);
}

}  // namespace tavren::test
