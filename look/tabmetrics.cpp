#include "look/tabmetrics.h"

#include "look/layoutfont.h"
#include "disc/tree.h"

namespace zolt {

QString TabCaption(const QString& name) { return QStringLiteral("  ") + name + QStringLiteral("  "); }

QFont TabFont() { return LayoutFont(SansSerif(), 10); }

TabPlace PlaceTab(std::size_t k, const QFontMetrics& metrics, const QString& caption,
                  const TabPlace& previous) {
  TabPlace place;
  place.width = metrics.horizontalAdvance(caption);
  const bool firstOfRow = k % catalogue::kTabsPerRow == 0;
  place.left = firstOfRow ? kTabLeft : previous.right() + 1;
  return place;
}

std::vector<TabPlace> PlaceTabs(const std::vector<QString>& names, const QFontMetrics& metrics) {
  std::vector<TabPlace> places;
  TabPlace previous;
  for (std::size_t k = 0; k < names.size() && k < catalogue::kTabCount; ++k) {
    previous = PlaceTab(k, metrics, TabCaption(names[k]), previous);
    places.push_back(previous);
  }
  return places;
}

}  // namespace zolt
