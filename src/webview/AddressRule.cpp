#include "webview/AddressRule.h"

#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace tavren {

bool ShownInView(const QString& scheme) {
  static const QStringList shown{QStringLiteral("http"),      QStringLiteral("https"),       QStringLiteral("file"),
                                 QStringLiteral("about"),     QStringLiteral("data"),        QStringLiteral("blob"),
                                 QStringLiteral("qrc"),       QStringLiteral("view-source"), QStringLiteral("chrome"),
                                 QStringLiteral("filesystem")};
  return shown.contains(scheme);
}

Opener OpenerOf(const QUrl& address, Asker asker) {
  const QString scheme = address.scheme().toLower();
  if (asker == Asker::kUserForDesktopBrowser) {
    const bool web =
        scheme == QStringLiteral("http") || scheme == QStringLiteral("https") || scheme == QStringLiteral("file");
    return web ? Opener::kDesktop : Opener::kNowhere;
  }
  if (scheme.isEmpty() || ShownInView(scheme)) return Opener::kView;
  if (scheme == QStringLiteral("javascript") || asker == Asker::kScript) return Opener::kNowhere;
  return Opener::kDesktop;
}

bool OpenOnDesktop(const QUrl& address, Asker asker) {
  if (OpenerOf(address, asker) != Opener::kDesktop) return false;
  QDesktopServices::openUrl(address);
  return true;
}

}  // namespace tavren
