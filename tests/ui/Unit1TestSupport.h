#pragma once
// The main window built with in-memory twins for the window tests: a
// recording web view, scripted dialogs, a settable clock whose pause returns
// at once, a hand-driven banner timer, a banner file in memory and an
// in-memory site.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

#include "FakeClock.h"
#include "FakeDialogs.h"
#include "FakeTicker.h"
#include "FakeWebView.h"
#include "MemoryBannerFile.h"
#include "MemorySite.h"
#include "Sjis.h"
#include "base/CodePage.h"
#include "base/QtText.h"
#include "ui/GuideListBox.h"
#include "ui/Unit1.h"

namespace tavren::test {

inline QString Qs(const char* utf8) { return QString::fromUtf8(utf8); }

struct MainWindowUnderTest {
  FakeWebView web;
  FakeDialogs dialogs;
  FakeClock clock;
  MemorySite site;
  FakeTicker* timer = nullptr;
  MemoryBannerFile* bannerFile = nullptr;
  std::unique_ptr<TForm1> form;

  // `prepare` runs on the twins before the window is made.
  explicit MainWindowUnderTest(std::string siteRoot = MemorySite::Root(), int startupPauseMs = 0,
                               const std::function<void(MainWindowUnderTest&)>& prepare = {}) {
    if (prepare) prepare(*this);
    auto ticker = std::make_unique<FakeTicker>();
    auto file = std::make_unique<MemoryBannerFile>();
    timer = ticker.get();
    bannerFile = file.get();
    form = std::make_unique<TForm1>(TForm1Parts{.webView = web,
                                                .dialogs = dialogs,
                                                .clock = clock,
                                                .siteRoot = std::move(siteRoot),
                                                .startupPauseMs = startupPauseMs,
                                                .connector = site.NewConnector(),
                                                .bannerTimer = std::move(ticker),
                                                .bannerFile = std::move(file)});
  }
  ~MainWindowUnderTest() { form.reset(); }

  // Items of list box `number` (1..5) decoded to text.
  QStringList Items(int number) const {
    QStringList items;
    const GuideListBox& list = form->ListBox(number);
    for (int i = 0; i < list.Count(); ++i) {
      items << cp932::ToQString(list.Item(i));
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
