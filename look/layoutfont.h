#pragma once
// The layout's fonts on this system. Qt Gui only.

#include <QFont>
#include <QString>

namespace zolt {

// The Linux fonts closest in metrics to the ones the layout was drawn with
// ("MS Sans Serif", "Verdana"). Safe to call more than once.
void InstallFontSubstitutes();

// The layout's own font, "MS Sans Serif", shown through its substitute.
QString SansSerif();

// A font of `family` at `points` as the layout means it: points at 96 dots
// per inch, set in pixels so the captions fit the same boxes on any screen.
QFont LayoutFont(const QString& family, int points, bool bold = false);

}  // namespace zolt
