#pragma once
// The section tabs' captions and places in the header, as the main window
// builds them: each tab as wide as its caption in the tab font, the first of
// each row at left 221, every other one pixel right of the previous one.
// Qt Gui only (no widgets), so a tool without a window measures the same.

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <cstddef>
#include <string>
#include <vector>

namespace zolt {

inline constexpr int kTabLeft = 221;
// The header spans the whole window: a tab right of this edge is cut off.
inline constexpr int kTabRowRight = 757;

// "  " + name + "  ".
QString TabCaption(const QString& name);

// The font the tabs are drawn in.
QFont TabFont();

struct TabPlace {
  int left = 0;
  int width = 0;
  int right() const { return left + width; }
};

// The place of tab `k` (0 to 11) showing `caption`; `previous` is the place
// of tab k - 1 (ignored for the first tab of a row).
TabPlace PlaceTab(std::size_t k, const QFontMetrics& metrics, const QString& caption,
                  const TabPlace& previous);

// The places of the tabs for these section names, in tab order.
std::vector<TabPlace> PlaceTabs(const std::vector<QString>& names, const QFontMetrics& metrics);

}  // namespace zolt
