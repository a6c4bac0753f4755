#pragma once

// The font of every window: "ＭＳ Ｐゴシック" where it exists, else the IPA
// fonts that Linux desktops carry for Japanese.

#include <QFont>
#include <QStringList>

namespace quillet {

inline QFont FormFont(int pixels = 12) {
  QFont font;
  font.setFamilies(
      {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
  font.setPixelSize(pixels);
  return font;
}

}  // namespace quillet
