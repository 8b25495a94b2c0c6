#pragma once
// The program's real parts: the Qt dialogs, the notice windows and the main
// window with the Qt WebEngine view, all pointed at the build's site root.

#include "app/Startup.h"

#include <QString>

#include <memory>
#include <string>

namespace tavren {

class QtDialogs;
class QtWebView;
class SystemClock;

// The banner's period in this program, 90 s. It lives in a file of its own
// (BannerInterval.cpp), so that a build for a test of the whole program can
// link a shorter one in its place.
int ProgramBannerIntervalMs() noexcept;

class TavrenParts : public ProgramParts {
 public:
  // `applicationTitle` titles every dialog. Needs the QApplication.
  explicit TavrenParts(const QString& applicationTitle);
  ~TavrenParts() override;

  QString PlatformProblem() override;
  Dialogs& StartupDialogs() override;
  std::unique_ptr<QWidget> MakeNoticeWindow() override;
  std::unique_ptr<QWidget> MakeMainWindow() override;
  void OpenGuide(QWidget& mainWindow, const std::string& path) override;

 private:
  std::unique_ptr<QtDialogs> dialogs_;
  std::unique_ptr<SystemClock> clock_;
  // The main window's web view; its widget lives in the main window, which
  // is destroyed first.
  std::unique_ptr<QtWebView> webView_;
};

}  // namespace tavren
