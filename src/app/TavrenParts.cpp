#include "app/TavrenParts.h"

#include "base/Clock.h"
#include "net/SiteAddresses.h"
#include "ui/QtDialogs.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "webview/BrowserProfile.h"
#include "webview/ProgramExit.h"
#include "webview/QtBrowserDialogs.h"
#include "webview/QtWebView.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

#include <string>
#include <utility>

namespace tavren {

TavrenParts::TavrenParts(const QString& applicationTitle)
    : dialogs_(std::make_unique<QtDialogs>(applicationTitle)), clock_(std::make_unique<SystemClock>()) {}

TavrenParts::~TavrenParts() {
  // A pop-up still printing outlives its print job, the program's end
  // included.
  if (profile_) ClosePopupsForExit(*profile_);
}

QString TavrenParts::PlatformProblem() { return WebViewPlatformProblem(); }

Dialogs& TavrenParts::StartupDialogs() { return *dialogs_; }

std::unique_ptr<QWidget> TavrenParts::MakeNoticeWindow() {
  return std::make_unique<TForm2>(*dialogs_, std::string(SiteRoot()));
}

std::unique_ptr<QWidget> TavrenParts::MakeMainWindow() {
  browserDialogs_ = std::make_unique<QtBrowserDialogs>();
  profile_ = std::make_unique<BrowserProfile>(*browserDialogs_, StandardProfileFolders());
  webView_ = std::make_unique<QtWebView>(*profile_);
  TForm1Parts parts{.webView = *webView_,
                    .dialogs = *dialogs_,
                    .clock = *clock_,
                    .siteRoot = std::string(SiteRoot()),
                    .bannerIntervalMs = ProgramBannerIntervalMs(),
                    .mayClose = [this] { return MayEndProgram(*profile_, QApplication::activeWindow()); }};
  auto window = std::make_unique<TForm1>(std::move(parts));
  profile_->Guides().SetOpener(StandardGuideFolder(), [form = QPointer<TForm1>(window.get())](const QString& path) {
    if (form) form->LoadGuide(QFile::encodeName(path).toStdString());
  });
  return window;
}

void TavrenParts::OpenGuide(QWidget& mainWindow, const std::string& path) {
  if (auto* form = qobject_cast<TForm1*>(&mainWindow)) form->LoadGuide(path);
}

}  // namespace tavren
