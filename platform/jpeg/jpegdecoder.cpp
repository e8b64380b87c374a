#include "platform/jpeg/jpegdecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <cstdint>

#include <jpeglib.h>
#include <jerror.h>

#include "disc/discfile.h"

namespace zolt {
namespace {

// A picture file larger than this is not a disc page's picture.
constexpr std::uint64_t kMaxFileBytes = disc::kMaxPictureBytes;

// libjpeg's own working memory (coefficient buffers of progressive pictures
// are held whole): enough for kMaxJpegPixels at full chroma resolution.
constexpr long kMaxDecoderMemory = 1024L << 20;

// Even a flat grey progressive picture needs about a bit per 8 x 8 block, so
// claiming more than 4096 pixels per byte of file is no real picture but a
// damaged header. Small pictures are spared the check: their cost is small.
constexpr std::size_t kMaxPixelsPerByte = 4096;
constexpr std::size_t kRatioCheckAbovePixels = 4'000'000;

// Real progressive pictures have a few dozen scans at most; thousands of
// scans over a large picture would keep the page busy for minutes.
constexpr int kMaxScans = 256;

constexpr unsigned char kGrey = 0x80;

// Everything the libjpeg calls share. The phases that may longjmp keep all
// their state here, so no object with a destructor is ever jumped over.
struct Decoder {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  char failure[JMSG_LENGTH_MAX];
  char firstWarning[JMSG_LENGTH_MAX];
  JDIMENSION rowsDone;
  bool damagedData;  // a warning that leaves part of the picture undecoded
  bool overLimit;    // stopped for its scans or its work
};

Decoder& DecoderOf(j_common_ptr info) { return *static_cast<Decoder*>(info->client_data); }

// libjpeg's fatal errors come here; the default would exit the process.
[[noreturn]] void OnError(j_common_ptr info) {
  Decoder& decoder = DecoderOf(info);
  (*info->err->format_message)(info, decoder.failure);
  std::longjmp(decoder.jump, 1);
}

// Warnings and traces are kept, not printed: the first warning is reported.
void OnMessage(j_common_ptr info) {
  Decoder& decoder = DecoderOf(info);
  if (decoder.firstWarning[0] == '\0') (*info->err->format_message)(info, decoder.firstWarning);
}

// libjpeg's warnings that mean compressed data was lost: the picture shows
// grey or garbled where it was. Others (extra bytes between markers, odd
// version numbers) change nothing on screen.
bool LosesData(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

// As libjpeg's own, noting warnings that lose data: the first warning is
// formatted, traces are dropped.
void OnEmit(j_common_ptr info, int level) {
  if (level >= 0) return;
  if (LosesData(info->err->msg_code)) DecoderOf(info).damagedData = true;
  if (info->err->num_warnings == 0) (*info->err->output_message)(info);
  ++info->err->num_warnings;
}

std::uint64_t Pixels(const jpeg_decompress_struct& info) {
  return std::uint64_t{info.image_width} * info.image_height;
}

// Called by libjpeg as it goes; stops pictures made of endless scans, and
// any whose scans come to more work than the budget (the scans counted
// before the decode are a promise the data need not keep).
void OnProgress(j_common_ptr info) {
  const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  const auto scans = static_cast<std::uint64_t>(std::max(decompress->input_scan_number, 1));
  const bool tooMany = decompress->input_scan_number > kMaxScans;
  if (!tooMany && scans * Pixels(*decompress) <= kMaxJpegWork) return;
  Decoder& decoder = DecoderOf(info);
  if (tooMany) {
    std::snprintf(decoder.failure, sizeof decoder.failure, "JPEG file has more than %d scans", kMaxScans);
  } else {
    std::snprintf(decoder.failure, sizeof decoder.failure, "JPEG image needs too much work: %u x %u pixels in %d scans",
                  decompress->image_width, decompress->image_height, decompress->input_scan_number);
  }
  decoder.overLimit = true;
  std::longjmp(decoder.jump, 1);
}

// The scans of a JPEG file, counted by walking its markers: segments by
// their lengths, entropy-coded data to the next marker that is not a
// restart. Cheap beside a decode, and it needs no memory.
std::uint64_t CountScans(std::string_view data) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t size = data.size();
  std::uint64_t scans = 0;
  std::size_t pos = 2;  // after the start of image
  while (pos + 1 < size) {
    if (bytes[pos] != 0xFF) {
      ++pos;  // stray bytes between segments: the decoder skips them too
      continue;
    }
    const unsigned char marker = bytes[pos + 1];
    if (marker == 0xFF) {
      ++pos;  // fill
      continue;
    }
    if (marker == 0xD9) break;  // end of image
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      pos += 2;  // no length follows
      continue;
    }
    if (pos + 3 >= size) break;
    pos += 2 + ((std::size_t{bytes[pos + 2]} << 8) | bytes[pos + 3]);
    if (marker != 0xDA) continue;
    ++scans;
    // The scan's data runs to the next marker other than a restart.
    while (pos + 1 < size) {
      const void* next = std::memchr(bytes + pos, 0xFF, size - pos - 1);
      if (next == nullptr) return scans;
      pos = static_cast<std::size_t>(static_cast<const unsigned char*>(next) - bytes);
      const unsigned char after = bytes[pos + 1];
      if (after == 0x00 || (after >= 0xD0 && after <= 0xD7) || after == 0xFF) {
        ++pos;
        continue;
      }
      break;
    }
  }
  return scans;
}

// A decoder whose errors come back to us (OnError) and whose warnings are counted.
void Prepare(Decoder& decoder) {
  std::memset(&decoder, 0, sizeof decoder);
  decoder.info.err = jpeg_std_error(&decoder.errors);
  decoder.errors.error_exit = OnError;
  decoder.errors.output_message = OnMessage;
  decoder.errors.emit_message = OnEmit;
  decoder.info.client_data = &decoder;
}

bool ReadHeader(Decoder& decoder, const unsigned char* bytes, std::size_t size) {
  if (setjmp(decoder.jump) != 0) return false;
  jpeg_create_decompress(&decoder.info);  // clears all but err and client_data
  decoder.info.progress = &decoder.progress;
  decoder.info.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&decoder.info, bytes, static_cast<unsigned long>(size));
  jpeg_read_header(&decoder.info, TRUE);
  return true;
}

bool ScaleOutput(Decoder& decoder, int scale) {
  if (setjmp(decoder.jump) != 0) return false;
  decoder.info.scale_denom = static_cast<unsigned>(scale);
  jpeg_calc_output_dimensions(&decoder.info);
  return true;
}

void Configure(Decoder& decoder) {
  jpeg_decompress_struct& info = decoder.info;
  const bool fourColour = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = fourColour ? JCS_CMYK : JCS_RGB;
  info.dct_method = JDCT_ISLOW;
  info.do_fancy_upsampling = TRUE;
  info.do_block_smoothing = TRUE;
  info.quantize_colors = FALSE;
  info.scale_num = 1;
  info.scale_denom = 1;
}

// Why the picture is not decoded at all, judged from its header and its
// markers; `overLimit` tells a picture over a bound from a damaged one.
std::string SizeProblem(const jpeg_decompress_struct& info, std::string_view data, bool& overLimit) {
  const std::size_t pixels = std::size_t{info.image_width} * info.image_height;
  const std::string size = std::to_string(info.image_width) + " x " + std::to_string(info.image_height);
  overLimit = false;
  if (pixels == 0) return "Empty JPEG image";
  // A header claiming far more than its bytes could hold is damage, not size.
  const bool implausible = pixels > kRatioCheckAbovePixels && pixels / kMaxPixelsPerByte > data.size();
  overLimit = !implausible;
  if (pixels > kMaxJpegPixels) return "JPEG image too large: " + size + " pixels";
  const std::uint64_t scans = std::max<std::uint64_t>(CountScans(data), 1);
  if (scans * pixels > kMaxJpegWork) {
    return "JPEG image needs too much work: " + size + " pixels in " + std::to_string(scans) + " scans";
  }
  overLimit = false;
  if (implausible) return "JPEG header claims " + size + " pixels in " + std::to_string(data.size()) + " bytes";
  return {};
}

// c, m, y, k as stored; Adobe's pictures store them inverted (255 = no ink).
void CmykRowToRgb(const JSAMPLE* cmyk, unsigned char* rgb, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    for (int channel = 0; channel < 3; ++channel) {
      const unsigned c = inverted ? cmyk[channel] : 255u - cmyk[channel];
      rgb[channel] = static_cast<unsigned char>((c * k + 127u) / 255u);
    }
  }
}

bool DecodeRows(Decoder& decoder, unsigned char* bits, std::size_t bytesPerLine) {
  if (setjmp(decoder.jump) != 0) return false;
  jpeg_decompress_struct& info = decoder.info;
  jpeg_start_decompress(&info);
  const bool fourColour = info.out_color_space == JCS_CMYK;
  JSAMPARRAY cmykRow = nullptr;
  if (fourColour) {
    cmykRow = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                        info.output_width * 4, 1);
  }
  while (info.output_scanline < info.output_height) {
    unsigned char* target = bits + std::size_t{info.output_scanline} * bytesPerLine;
    JSAMPROW row = fourColour ? cmykRow[0] : target;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
    if (fourColour) CmykRowToRgb(cmykRow[0], target, info.output_width, info.saw_Adobe_marker != 0);
    ++decoder.rowsDone;
  }
  jpeg_finish_decompress(&info);
  return true;
}

bool IsJpeg(std::string_view data) {
  return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF &&
         static_cast<unsigned char>(data[1]) == 0xD8;
}

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

// Pictures Qt reads by itself, for a PNG, GIF or BMP saved as "img.jpg".
bool DecodeOtherPicture(std::string_view data, QImage& image, std::string* error) {
  QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QByteArray format = reader.format();
  const QSize size = reader.size();
  if (format.isEmpty() || format == "jpeg" || format == "jpg") {
    SetError(error, "Not a JPEG file");
    return false;
  }
  if (!size.isValid() || std::size_t(size.width()) * std::size_t(size.height()) > kMaxJpegPixels) {
    SetError(error, "Picture too large or without a size");
    return false;
  }
  QImage read;
  if (!reader.read(&read)) {
    SetError(error, reader.errorString().toStdString());
    return false;
  }
  if (read.hasAlphaChannel()) {
    // Transparent parts show the page's white, not black.
    QImage flat(read.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, read);
    painter.end();
    image = flat;
  } else {
    image = read.convertToFormat(QImage::Format_RGB888);
  }
  SetError(error, {});
  return !image.isNull();
}

// The largest reduction libjpeg offers that still covers `box` both ways.
int ScaleToCover(JDIMENSION width, JDIMENSION height, QSize box) {
  for (int scale : {8, 4, 2}) {
    const auto reduced = [scale](JDIMENSION side) { return (side + JDIMENSION(scale) - 1) / JDIMENSION(scale); };
    if (reduced(width) >= JDIMENSION(std::max(box.width(), 1)) &&
        reduced(height) >= JDIMENSION(std::max(box.height(), 1)))
      return scale;
  }
  return 1;
}

// `scale` above 1 decodes at that fraction of the size, a valid `box` at
// the reduction that covers it; `check` receives what the decode found.
bool DecodeWithLibjpeg(std::string_view data, QImage& image, std::string* error, int scale = 1,
                       JpegCheck* check = nullptr, QSize box = QSize()) {
  Decoder decoder;
  Prepare(decoder);
  decoder.progress.progress_monitor = OnProgress;

  bool ok = ReadHeader(decoder, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  bool overLimit = false;
  std::string problem = ok ? SizeProblem(decoder.info, data, overLimit) : std::string(decoder.failure);
  ok = ok && problem.empty();
  if (check != nullptr) check->overLimit = overLimit;
  if (ok && box.isValid()) scale = ScaleToCover(decoder.info.image_width, decoder.info.image_height, box);
  if (check != nullptr && ok) {
    check->width = static_cast<int>(decoder.info.image_width);
    check->height = static_cast<int>(decoder.info.image_height);
  }
  if (ok) {
    Configure(decoder);
    JDIMENSION width = decoder.info.image_width;
    JDIMENSION height = decoder.info.image_height;
    if (scale > 1) {
      ok = ScaleOutput(decoder, scale);
      if (!ok) problem = decoder.failure;
      width = decoder.info.output_width;
      height = decoder.info.output_height;
    }
    if (ok) image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
    if (ok && image.isNull()) {
      ok = false;
      problem = "Not enough memory for the picture";
    }
  }
  if (ok) {
    image.fill(QColor(kGrey, kGrey, kGrey));
    const bool complete = DecodeRows(decoder, image.bits(), static_cast<std::size_t>(image.bytesPerLine()));
    // Rows decoded before a late failure are kept, the rest stays grey, as
    // with a truncated file; a failure before any row is a failure.
    if (!complete && decoder.rowsDone == 0) {
      ok = false;
      problem = decoder.failure;
      if (check != nullptr) check->overLimit = decoder.overLimit;
    } else if (!complete && decoder.firstWarning[0] == '\0') {
      std::strcpy(decoder.firstWarning, decoder.failure);
    }
    if (check != nullptr) {
      check->partial = !complete || decoder.damagedData || decoder.rowsDone < decoder.info.output_height;
    }
  }
  jpeg_destroy_decompress(&decoder.info);

  if (!ok) {
    image = QImage();
    SetError(error, problem);
    return false;
  }
  SetError(error, decoder.firstWarning);
  return true;
}

}  // namespace

bool DecodeJpeg(std::string_view data, QImage& image, std::string* error) {
  image = QImage();
  if (!IsJpeg(data)) {
    if (DecodeOtherPicture(data, image, error)) return true;
    image = QImage();
    SetError(error, data.empty() ? "Empty input file" : "Not a JPEG file");
    return false;
  }
  return DecodeWithLibjpeg(data, image, error);
}

QSize JpegSize(std::string_view data) {
  if (!IsJpeg(data)) return {};
  Decoder decoder;
  Prepare(decoder);
  QSize size;
  if (ReadHeader(decoder, reinterpret_cast<const unsigned char*>(data.data()), data.size()) &&
      decoder.info.image_width <= JPEG_MAX_DIMENSION && decoder.info.image_height <= JPEG_MAX_DIMENSION) {
    size = QSize(static_cast<int>(decoder.info.image_width), static_cast<int>(decoder.info.image_height));
  }
  jpeg_destroy_decompress(&decoder.info);
  return size;
}

bool DecodeJpegToCover(std::string_view data, QSize box, QImage& image, std::string* error) {
  image = QImage();
  if (!IsJpeg(data)) return DecodeJpeg(data, image, error);
  return DecodeWithLibjpeg(data, image, error, 1, nullptr, box);
}

JpegCheck CheckJpeg(std::string_view data, int scale) {
  JpegCheck check;
  QImage image;
  check.jpeg = IsJpeg(data);
  if (!check.jpeg) {
    QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    check.format = QImageReader(&buffer).format().toStdString();
    check.decoded = DecodeJpeg(data, image, &check.message);
    check.width = image.width();
    check.height = image.height();
    return check;
  }
  if (scale != 1 && scale != 2 && scale != 4 && scale != 8) scale = 1;
  check.decoded = DecodeWithLibjpeg(data, image, &check.message, scale, &check);
  return check;
}

bool LoadJpegFile(const std::string& path, const std::string& root, QImage& image, std::string* error) {
  image = QImage();
  const disc::ReadResult file = disc::ReadDiscFile(path, root, kMaxFileBytes);
  if (file.tooLarge()) {
    SetError(error, "Picture file too large: " + path);
    return false;
  }
  if (!file.ok()) {
    SetError(error, std::string(disc::LeadsOutside(file.state, file.error)    ? "Off the disc: "
                                : file.state == disc::FileState::kNotRegular ? "Not a file: "
                                                                             : "Cannot read ") +
                        path + (file.error != 0 ? std::string(" (") + std::strerror(file.error) + ")" : ""));
    return false;
  }
  return DecodeJpeg(file.bytes, image, error);
}

}  // namespace zolt
