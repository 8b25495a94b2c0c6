// Tavren: the program's entry. Wires the real parts together and runs the
// start-up order; everything else lives in the layers below.

#include "app/FontAliases.h"
#include "app/Startup.h"
#include "app/TavrenParts.h"
#include "base/ErrorText.h"
#include "ui/QtDialogs.h"
#include "webview/QtWebView.h"

#include <QApplication>
#include <QIcon>

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
  // Qt and the web engine read fontconfig's configuration as they start, so
  // the Windows family names must be mapped before either exists.
  tavren::LoadFontAliases(tavren::FontAliasFile(tavren::ExecutableDir(), TAVREN_BUILD_TREE_FONT_ALIASES));
  tavren::PrepareWebViewPlatform();

  // Qt cannot make a window before its application object, so the application
  // comes first here; the first notice window is still the first thing of the
  // program on screen, made and painted before the main window exists.
  QApplication app(argc, argv);
  const QString title = QString::fromLocal8Bit(tavren::ApplicationTitle(argc > 0 ? argv[0] : "tavren"));
  QApplication::setApplicationName(title);
  QApplication::setWindowIcon(PawIcon());
  tavren::InstallJapaneseTranslations(app);

  tavren::TavrenParts parts(title);
  return tavren::RunProgram(parts);
}
