#pragma once
// Resource paths of the program's artwork (target zolt_artwork).

namespace zolt::artwork {

inline constexpr char kLogo[] = ":/artwork/logo.gif";                // animated, 138 x 57
inline constexpr char kLogoPicture[] = ":/artwork/logo-picture.png";  // 89 x 55
inline constexpr char kStrip[] = ":/artwork/strip.png";               // 89 x 17
inline constexpr char kBannerLeft[] = ":/artwork/banner-left.png";    // 144 x 65
inline constexpr char kBannerRight[] = ":/artwork/banner-right.png";  // 145 x 65
inline constexpr char kCorner[] = ":/artwork/corner.png";             // 55 x 53, top-left
inline constexpr char kSearchStrip[] = ":/artwork/search-strip.png";  // 92 x 18, label at the left

}  // namespace zolt::artwork
