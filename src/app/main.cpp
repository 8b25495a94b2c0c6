// Tavren: the program's entry. Wires the real parts together and runs the
// start-up order; everything else lives in the layers below.

#include "app/CommandLine.h"
#include "app/FontAliases.h"
#include "app/Startup.h"
#include "app/TavrenParts.h"
#include "base/ErrorText.h"
#include "ui/QtDialogs.h"
#include "webview/QtWebView.h"

#include <QApplication>
#include <QIcon>

#include <iostream>
#include <span>

namespace {

QIcon PawIcon() {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1/tavren.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything else: a wrong command line ends the program here, with no
  // window made and nothing asked of the site.
  const std::span<const char* const> words(argv, static_cast<std::size_t>(argc));
  const tavren::CommandLine commandLine = tavren::ParseCommandLine(words.empty() ? words : words.subspan(1));
  if (const std::optional<int> status = tavren::AnswerCommandLine(commandLine, std::cout, std::cerr)) return *status;

  // Qt and the web engine read fontconfig's configuration as they start, so
  // the Windows family names must be mapped before either exists.
  tavren::LoadFontAliases(tavren::FontAliasFile(tavren::ExecutableDir(), TAVREN_BUILD_TREE_FONT_ALIASES));
  tavren::PrepareWebViewPlatform();

  // Qt cannot make a window before its application object, so the application
  // comes first here; the first notice window is still the first thing of the
  // program on screen, made and painted before the main window exists.
  // Qt sees only the program's name: the guide is ours, and Qt's own options
  // have no place on this command line.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  const QString title = QString::fromLocal8Bit(tavren::ApplicationTitle(argc > 0 ? argv[0] : "tavren"));
  QApplication::setApplicationName(title);
  QApplication::setWindowIcon(PawIcon());
  tavren::InstallJapaneseTranslations(app);

  tavren::TavrenParts parts(title);
  return tavren::RunProgram(parts, commandLine.guide);
}
