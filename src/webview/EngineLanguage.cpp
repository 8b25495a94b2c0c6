#include "webview/EngineLanguage.h"

#include <QList>
#include <QtGlobal>

namespace tavren {

QByteArray WithJapaneseEngine(const QByteArray& chromiumFlags) {
  const QList<QByteArray> words = chromiumFlags.simplified().split(' ');
  for (const QByteArray& word : words) {
    if (word == "--lang" || word.startsWith("--lang=")) return chromiumFlags;
  }
  return chromiumFlags.trimmed().isEmpty() ? QByteArray("--lang=ja") : chromiumFlags.trimmed() + " --lang=ja";
}

void StartEngineInJapanese() {
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS", WithJapaneseEngine(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
}

}  // namespace tavren
