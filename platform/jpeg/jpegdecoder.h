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
#include <cstdint>
#include <string>
#include <string_view>

namespace zolt {

// 100 megapixels: 300 MB of RGB, well beyond any picture of a disc page.
inline constexpr std::size_t kMaxJpegPixels = 100'000'000;

// The decoder's work: every scan of a picture goes over all of it, so the
// pixels times the scans is what a picture costs (a progressive picture has
// about ten). Ten scans of the largest picture, a second or so here; a
// picture over this is refused before anything is allocated.
inline constexpr std::uint64_t kMaxJpegWork = 10 * std::uint64_t{kMaxJpegPixels};

// On success `image` is RGB888 and `error` (when given) receives the first
// warning, or is emptied when there was none. On failure `image` is null and
// `error` says why.
bool DecodeJpeg(std::string_view data, QImage& image, std::string* error = nullptr);

// What a decode found, for a tool that checks pictures rather than shows them.
struct JpegCheck {
  bool jpeg = false;      // the data starts as a JPEG file does
  bool decoded = false;   // a picture came out, as DecodeJpeg would give it
  bool overLimit = false; // refused for its pixels, scans or work, not for damage
  bool partial = false;   // part of it could not be decoded and shows grey
  int width = 0;          // the picture's own size
  int height = 0;
  std::string format;     // the format Qt found in data that is not JPEG
  std::string message;    // why it failed, or the first warning
};

// Decodes as DecodeJpeg does, at 1/`scale` of the size each way (1, 2, 4 or
// 8). All of the compressed data is still read, so a picture cut short or
// damaged anywhere is found at any scale.
JpegCheck CheckJpeg(std::string_view data, int scale = 1);

// The picture's size as its header gives it, without decoding; an empty
// size when there is no JPEG header to read.
QSize JpegSize(std::string_view data);

// Decodes as DecodeJpeg does, reduced by the decoder to the smallest of 1/1,
// 1/2, 1/4 and 1/8 of its size that still covers `box` both ways: a picture
// shown smaller than it is costs the memory of what is shown.
bool DecodeJpegToCover(std::string_view data, QSize box, QImage& image, std::string* error = nullptr);

// Reads the whole file as a disc file (a regular file lying below `root`
// or nothing, an open that never blocks) and decodes it as DecodeJpeg does.
bool LoadJpegFile(const std::string& path, const std::string& root, QImage& image,
                  std::string* error = nullptr);

}  // namespace zolt
