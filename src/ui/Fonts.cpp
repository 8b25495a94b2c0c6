#include "ui/Fonts.h"

#include <QFontInfo>
#include <QStringList>

namespace tavren {

QString PGothicFamily() { return QStringLiteral("ＭＳ Ｐゴシック"); }
QString MinchoFamily() { return QStringLiteral("ＭＳ 明朝"); }
QString MarumojiFamily() { return QStringLiteral("ＤＦＰまるもじ体W9"); }
QString TahomaFamily() { return QStringLiteral("Tahoma"); }

QFont WindowsFont(const QString& windowsFamily, int pixelSize) {
  QStringList families{windowsFamily};
  if (windowsFamily == PGothicFamily()) {
    families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic");
  } else if (windowsFamily == MinchoFamily()) {
    families << QStringLiteral("IPAMincho") << QStringLiteral("IPAPMincho");
  } else if (windowsFamily == MarumojiFamily()) {
    families << QStringLiteral("MotoyaLMaru") << QStringLiteral("IPAPGothic");
  } else if (windowsFamily == TahomaFamily()) {
    families << QStringLiteral("DejaVu Sans");
  }
  // Japanese faces last, so a kanji missing from a Latin face is never drawn
  // by whatever Chinese face the locale would otherwise pick.
  families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic");
  families.removeDuplicates();
  QFont font(families.front());
  font.setFamilies(families);
  font.setPixelSize(pixelSize);
  return font;
}

QFont EmboldenedIfStandIn(QFont font) {
  const QString used = QFontInfo(font).family();
  const QStringList standIns = font.families().mid(1);
  if (standIns.contains(used, Qt::CaseInsensitive)) font.setWeight(QFont::Black);
  return font;
}

QFont LogoFont() { return EmboldenedIfStandIn(WindowsFont(MarumojiFamily(), 36)); }

}  // namespace tavren
