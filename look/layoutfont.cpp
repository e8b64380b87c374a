#include "look/layoutfont.h"

#include <QStringList>

#include <cmath>

namespace zolt {

QString SansSerif() { return QStringLiteral("MS Sans Serif"); }

void InstallFontSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions(SansSerif(),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    return true;
  }();
  (void)installed;
}

QFont LayoutFont(const QString& family, int points, bool bold) {
  InstallFontSubstitutes();
  QFont font(family);
  font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

}  // namespace zolt
