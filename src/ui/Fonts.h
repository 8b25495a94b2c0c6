#pragma once
// The window fonts. The layouts name Windows families that Linux lacks; each
// is kept first (a machine that has the real font uses it) and followed by its
// Japanese stand-in. fonts/tavren-fonts.conf maps the same names for
// fontconfig, which also covers the web view.

#include <QFont>
#include <QString>

namespace tavren {

// "ＭＳ Ｐゴシック" -> IPAPGothic, "ＭＳ 明朝" -> IPAMincho,
// "ＤＦＰまるもじ体W9" -> MotoyaLMaru, "Tahoma" -> DejaVu Sans; every list
// ends in generic Japanese faces so kanji never fall back to a Chinese face.
QFont WindowsFont(const QString& windowsFamily, int pixelSize);

// The logo lettering: "ＤＦＰまるもじ体W9" at 36 pixels, emboldened exactly
// when one of its stand-ins is the face in use (the real face is an
// extra-bold rounded one, its stand-in a light one). Both windows' logos use it.
QFont LogoFont();

// `font` at black weight when the face that draws it is one of its stand-ins
// (a family after the first one it asks for); otherwise `font` unchanged.
QFont EmboldenedIfStandIn(QFont font);

// The four families by their Windows names.
QString PGothicFamily();   // ＭＳ Ｐゴシック
QString MinchoFamily();    // ＭＳ 明朝
QString MarumojiFamily();  // ＤＦＰまるもじ体W9
QString TahomaFamily();    // Tahoma

}  // namespace tavren
