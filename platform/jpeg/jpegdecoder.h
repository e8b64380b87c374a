#pragma once
// JPEG pictures of the disc ("img.jpg"), decoded with libjpeg directly:
// 24-bit RGB, the accurate integer IDCT and fancy upsampling; greyscale,
// RGB, YCbCr, CMYK and YCCK (including Adobe's inverted values) pictures.
//
// Decoding never ends the process and never allocates before the header's
// dimensions are checked: pictures over kMaxJpegPixels, or claiming far more
// pixels than their bytes could hold, are refused. A truncated or slightly
// damaged file decodes with warnings; what could not be decoded is grey.
// Data that is not JPEG at all but a picture Qt reads by itself (PNG, GIF,
// BMP saved under a .jpg name) is decoded by Qt, as a picture viewer would.

#include <QImage>

#include <cstddef>
#include <string>
#include <string_view>

namespace zolt {

// 100 megapixels: 300 MB of RGB, well beyond any picture of a disc page.
inline constexpr std::size_t kMaxJpegPixels = 100'000'000;

// On success `image` is RGB888 and `error` (when given) receives the first
// warning, or is emptied when there was none. On failure `image` is null and
// `error` says why.
bool DecodeJpeg(std::string_view data, QImage& image, std::string* error = nullptr);

// Reads the whole file as a disc file (a regular file or nothing, an open
// that never blocks) and decodes it as DecodeJpeg does.
bool LoadJpegFile(const std::string& path, QImage& image, std::string* error = nullptr);

}  // namespace zolt
