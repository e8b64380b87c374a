#pragma once
// Resource paths of the program's artwork (target zolt_artwork). Every
// picture also exists drawn at twice the size, as "name@2x.ext", for screens
// of two or more device pixels to the pixel.

#include <QFile>
#include <QImage>
#include <QString>

namespace zolt::artwork {

inline constexpr char kLogo[] = ":/artwork/logo.gif";                // animated, 138 x 57
inline constexpr char kLogoPicture[] = ":/artwork/logo-picture.png";  // 89 x 55
inline constexpr char kStrip[] = ":/artwork/strip.png";               // 89 x 17
inline constexpr char kBannerLeft[] = ":/artwork/banner-left.png";    // 144 x 65
inline constexpr char kBannerRight[] = ":/artwork/banner-right.png";  // 145 x 65
inline constexpr char kCorner[] = ":/artwork/corner.png";             // 55 x 53, top-left
inline constexpr char kSearchStrip[] = ":/artwork/search-strip.png";  // 92 x 18, label at the left

// The resource drawn for a screen of `ratio` device pixels to the pixel.
inline QString Resource(const char* path, qreal ratio) {
  QString chosen = QString::fromLatin1(path);
  if (ratio > 1.0) {
    QString doubled = chosen;
    doubled.insert(doubled.lastIndexOf(QLatin1Char('.')), QLatin1String("@2x"));
    if (QFile::exists(doubled)) chosen = doubled;
  }
  return chosen;
}

// The picture for a screen of `ratio` device pixels to the pixel, carrying
// its own pixel density (a null picture when the resource is absent).
inline QImage Picture(const char* path, qreal ratio) {
  const QString chosen = Resource(path, ratio);
  QImage image(chosen);
  image.setDevicePixelRatio(chosen.contains(QLatin1String("@2x")) ? 2.0 : 1.0);
  return image;
}

}  // namespace zolt::artwork
