// Pictures of the item page: JPEG decoding with libjpeg (pictures made here
// with libjpeg's encoder, hand-damaged ones, and the shared sample files) and
// animated GIF banners through QMovie.

#include "look/artwork/artwork.h"
#include "disc/discfile.h"
#include "platform/jpeg/jpegdecoder.h"

#include <QBuffer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMovie>
#include <QTemporaryDir>
#include <QtTest>

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// --- Making JPEGs with libjpeg's encoder ----------------------------------------

struct Encoder {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
};

// Encodes `width` x `height` pixels of `components` bytes each, made by
// `pixel(x, y, out)`, in `space`, stored as `stored` (YCCK for CMYK input).
std::string Encode(int width, int height, J_COLOR_SPACE space, J_COLOR_SPACE stored, int quality,
                   const std::function<void(int, int, unsigned char*)>& pixel, bool progressive = false,
                   unsigned restartEveryMcus = 0) {
  Encoder encoder{};
  encoder.info.err = jpeg_std_error(&encoder.errors);
  jpeg_create_compress(&encoder.info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&encoder.info, &buffer, &size);
  encoder.info.image_width = static_cast<JDIMENSION>(width);
  encoder.info.image_height = static_cast<JDIMENSION>(height);
  encoder.info.input_components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
  encoder.info.in_color_space = space;
  jpeg_set_defaults(&encoder.info);
  jpeg_set_colorspace(&encoder.info, stored);
  jpeg_set_quality(&encoder.info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&encoder.info);
  encoder.info.restart_interval = restartEveryMcus;
  jpeg_start_compress(&encoder.info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width * encoder.info.input_components));
  while (encoder.info.next_scanline < encoder.info.image_height) {
    for (int x = 0; x < width; ++x) {
      pixel(x, static_cast<int>(encoder.info.next_scanline),
            &row[static_cast<std::size_t>(x * encoder.info.input_components)]);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&encoder.info, rows, 1);
  }
  jpeg_finish_compress(&encoder.info);
  jpeg_destroy_compress(&encoder.info);
  std::string data(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return data;
}

// Left half red, right half blue, over a vertical grey ramp kept out of the way.
std::string RedBlueJpeg(int width = 64, int height = 32, bool progressive = false) {
  return Encode(width, height, JCS_RGB, JCS_YCbCr, 95,
                [width](int x, int, unsigned char* out) {
                  const bool left = x < width / 2;
                  out[0] = left ? 220 : 20;
                  out[1] = 20;
                  out[2] = left ? 20 : 220;
                },
                progressive);
}

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

bool Near(const QColor& colour, int r, int g, int b, int tolerance = 12) {
  return std::abs(colour.red() - r) <= tolerance && std::abs(colour.green() - g) <= tolerance &&
         std::abs(colour.blue() - b) <= tolerance;
}

// The offset of the SOF0/SOF2 frame header's height field.
qsizetype FrameSizeOffset(const std::string& jpeg) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
      return static_cast<qsizetype>(i + 5);
    }
  }
  return -1;
}

std::string WithClaimedSize(std::string jpeg, unsigned width, unsigned height) {
  const qsizetype at = FrameSizeOffset(jpeg);
  if (at < 0) return {};
  const auto put = [&](qsizetype offset, unsigned value) {
    jpeg[static_cast<std::size_t>(offset)] = static_cast<char>(value >> 8);
    jpeg[static_cast<std::size_t>(offset + 1)] = static_cast<char>(value & 0xFF);
  };
  put(at, height);
  put(at + 2, width);
  return jpeg;
}

// The picture with its last scan repeated until it has `scans` in all.
std::string WithScans(const std::string& jpeg, int scans) {
  const std::size_t lastScan = jpeg.rfind("\xFF\xDA");
  int have = 0;
  for (std::size_t at = jpeg.find("\xFF\xDA"); at != std::string::npos; at = jpeg.find("\xFF\xDA", at + 2)) ++have;
  std::string more = jpeg.substr(0, jpeg.size() - 2);
  for (; have < scans; ++have) more += jpeg.substr(lastScan, jpeg.size() - 2 - lastScan);
  return more + "\xFF\xD9";
}

// The picture with comment segments after its start, `bytes` of them in all:
// as many bytes as a real picture of the size its header claims would take.
std::string Padded(const std::string& jpeg, std::size_t bytes) {
  std::string padding;
  while (padding.size() < bytes) {
    padding += "\xFF\xFE\xFF\xFF";
    padding.append(0xFFFF - 2, ' ');
  }
  return jpeg.substr(0, 2) + padding + jpeg.substr(2);
}

// --- The shared sample files ---------------------------------------------------

struct ManifestRow {
  QString file;
  int width = 0;
  int height = 0;
  QString identify;
};

QString SharedFolder(const char* kind) { return QStringLiteral(ZOLT_SHARED_DIR "/testdata/") + QLatin1String(kind); }

std::vector<ManifestRow> ReadManifest(const QString& folder, int widthColumn, int identifyColumn) {
  std::vector<ManifestRow> rows;
  QFile manifest(folder + QStringLiteral("/MANIFEST.tsv"));
  if (!manifest.open(QIODevice::ReadOnly)) return rows;
  manifest.readLine();  // column names
  while (!manifest.atEnd()) {
    const QStringList cells = QString::fromUtf8(manifest.readLine()).chopped(1).split(QLatin1Char('\t'));
    if (cells.size() <= identifyColumn) continue;
    rows.push_back({cells[0], cells[widthColumn].toInt(), cells[widthColumn + 1].toInt(), cells[identifyColumn]});
  }
  return rows;
}

bool ImageMagickReads(const QString& identify) {
  return identify.startsWith(QStringLiteral("ok")) || identify.startsWith(QStringLiteral("warn"));
}

// One row per sample file: its path, its size and whether ImageMagick reads
// it; a single empty row when the samples are absent, so the test says so.
void AddSampleRows(const char* kind, int widthColumn) {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<bool>("readable");
  const QString folder = SharedFolder(kind);
  const std::vector<ManifestRow> rows = ReadManifest(folder, widthColumn, 16);
  if (rows.empty()) QTest::newRow("absent") << QString() << QSize() << false;
  for (const ManifestRow& row : rows) {
    QTest::newRow(qPrintable(row.file)) << folder + QLatin1Char('/') + row.file << QSize(row.width, row.height)
                                        << ImageMagickReads(row.identify);
  }
}

}  // namespace

class PicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void colourModelsDecodeToTheirColours();
  void cmykAndYcckPicturesConvertCorrectly();
  void absurdHeaderSizesAreRefusedBeforeAllocating();
  void truncatedPicturesKeepWhatDecoded();
  void endlessScansAreRefused();
  void decoderWorkIsBudgeted_data();
  void decoderWorkIsBudgeted();
  void damagedBytesNeverCrash();
  void nonJpegDataIsReadOnlyWhenItIsAPicture();
  void fileLoadingReportsMissingFiles();
  void sampleJpegs_data();
  void sampleJpegs();
  void sampleGifs_data();
  void sampleGifs();
  void artworkIsCompiledIn_data();
  void artworkIsCompiledIn();
  void logoAnimatesCalmly();
  void demoDiscPicturesAndBannersShow();
};

void PicturesTest::colourModelsDecodeToTheirColours() {
  QImage image;
  std::string error = "stale";
  QVERIFY(zolt::DecodeJpeg(RedBlueJpeg(), image, &error));
  QCOMPARE(image.format(), QImage::Format_RGB888);
  QCOMPARE(image.size(), QSize(64, 32));
  QCOMPARE(error, std::string());
  QVERIFY(Near(At(image, 4, 16), 220, 20, 20));
  QVERIFY(Near(At(image, 60, 16), 20, 20, 220));

  QVERIFY(zolt::DecodeJpeg(RedBlueJpeg(64, 32, true), image));
  QVERIFY(Near(At(image, 4, 4), 220, 20, 20));

  // Odd widths: rows of RGB888 are padded, so a row-stride slip would shear.
  const std::string grey = Encode(37, 11, JCS_GRAYSCALE, JCS_GRAYSCALE, 95, [](int x, int, unsigned char* out) {
    out[0] = x < 18 ? 40 : 200;
  });
  QVERIFY(zolt::DecodeJpeg(grey, image));
  QCOMPARE(image.size(), QSize(37, 11));
  for (int y = 0; y < 11; ++y) {
    QVERIFY2(Near(At(image, 2, y), 40, 40, 40, 6), qPrintable(QString::number(y)));
    QVERIFY2(Near(At(image, 34, y), 200, 200, 200, 6), qPrintable(QString::number(y)));
  }

  const std::string rgbStored = Encode(16, 16, JCS_RGB, JCS_RGB, 95, [](int, int, unsigned char* out) {
    out[0] = 10;
    out[1] = 200;
    out[2] = 90;
  });
  QVERIFY(zolt::DecodeJpeg(rgbStored, image));
  QVERIFY(Near(At(image, 8, 8), 10, 200, 90));
}

void PicturesTest::cmykAndYcckPicturesConvertCorrectly() {
  // libjpeg writes an Adobe marker for CMYK, so the values are stored the
  // Adobe way, inverted: 255 means no ink.
  const auto inks = [](int x, int, unsigned char* out) {
    const bool left = x < 16;
    out[0] = 255;                                            // no cyan
    out[1] = static_cast<unsigned char>(left ? 0 : 255);     // magenta on the left
    out[2] = static_cast<unsigned char>(left ? 0 : 255);     // yellow on the left
    out[3] = static_cast<unsigned char>(left ? 255 : 127);   // right: half black
  };
  for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
    QImage image;
    QVERIFY(zolt::DecodeJpeg(Encode(32, 16, JCS_CMYK, stored, 95, inks), image));
    QVERIFY2(Near(At(image, 4, 8), 255, 0, 0), qPrintable(At(image, 4, 8).name()));
    QVERIFY2(Near(At(image, 28, 8), 127, 127, 127), qPrintable(At(image, 28, 8).name()));
  }
}

void PicturesTest::absurdHeaderSizesAreRefusedBeforeAllocating() {
  const std::string small = RedBlueJpeg(16, 16);
  QImage image;
  std::string error;
  QElapsedTimer timer;
  timer.start();
  QVERIFY(!zolt::DecodeJpeg(WithClaimedSize(small, 50000, 50000), image, &error));
  QVERIFY(image.isNull());
  QVERIFY2(error.find("too large") != std::string::npos, error.c_str());
  // Under the pixel cap but far beyond what a few hundred bytes can hold.
  QVERIFY(!zolt::DecodeJpeg(WithClaimedSize(small, 9000, 9000), image, &error));
  QVERIFY2(error.find("claims") != std::string::npos, error.c_str());
  QVERIFY(timer.elapsed() < 2000);
  // Zero rows is libjpeg's own refusal.
  QVERIFY(!zolt::DecodeJpeg(WithClaimedSize(small, 16, 0), image, &error));
  QVERIFY(!error.empty());
}

void PicturesTest::truncatedPicturesKeepWhatDecoded() {
  // Reddish with a busy green channel, so the picture data outweighs the headers.
  const auto busy = [](int x, int y, unsigned char* out) {
    out[0] = 220;
    out[1] = static_cast<unsigned char>((x * 7 + y * 13) % 48);
    out[2] = 20;
  };
  for (bool progressive : {false, true}) {
    const std::string whole = Encode(160, 120, JCS_RGB, JCS_YCbCr, 90, busy, progressive);
    QImage image;
    std::string warning;
    QVERIFY2(zolt::DecodeJpeg(whole.substr(0, whole.size() * 2 / 3), image, &warning), warning.c_str());
    QCOMPARE(image.size(), QSize(160, 120));
    QVERIFY2(!warning.empty(), "a truncated picture reports its warning");
    const QColor top = At(image, 4, 2);  // among the rows that arrived
    QVERIFY2(top.red() > 190 && top.blue() < 50, qPrintable(top.name()));
    if (!progressive) QCOMPARE(At(image, 150, 118), QColor(0x80, 0x80, 0x80));  // the rest is grey
  }
}

// A progressive picture whose last scan is repeated thousands of times: each
// repeat is a legal-looking scan that costs a pass over the whole picture.
void PicturesTest::endlessScansAreRefused() {
  const std::string whole = RedBlueJpeg(256, 256, true);
  const std::size_t lastScan = whole.rfind("\xFF\xDA");
  QVERIFY(lastScan != std::string::npos);
  const std::string scan = whole.substr(lastScan, whole.size() - 2 - lastScan);
  std::string endless = whole.substr(0, whole.size() - 2);
  for (int i = 0; i < 3000; ++i) endless += scan;
  endless += "\xFF\xD9";
  QImage image;
  std::string error;
  QElapsedTimer timer;
  timer.start();
  QVERIFY(!zolt::DecodeJpeg(endless, image, &error));
  QVERIFY2(error.find("scans") != std::string::npos, error.c_str());
  QVERIFY(timer.elapsed() < 5000);
}

// Pixels times scans is the decoder's work: a picture over the budget is
// refused from its header and markers, before anything is allocated.
void PicturesTest::decoderWorkIsBudgeted_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<bool>("decoded");
  QTest::addColumn<bool>("overLimit");
  QTest::addColumn<QString>("message");
  // Ten scans, and the bytes a real picture of 10,000 x 10,000 might have.
  const std::string progressive = Padded(RedBlueJpeg(256, 256, true), 200000);
  const auto bytes = [](const std::string& data) { return QByteArray::fromStdString(data); };
  QTest::newRow("10,000 x 10,000 in 256 scans")
      << bytes(WithClaimedSize(WithScans(progressive, 256), 10000, 10000)) << false << true << "too much work";
  QTest::newRow("10,000 x 10,000 in 11 scans")
      << bytes(WithClaimedSize(WithScans(progressive, 11), 10000, 10000)) << false << true << "too much work";
  QTest::newRow("10,000 x 10,000 in 10 scans: within the budget, but no such picture in these bytes")
      << bytes(WithClaimedSize(RedBlueJpeg(256, 256, true), 10000, 10000)) << false << false << "claims";
  QTest::newRow("over the pixel limit")
      << bytes(WithClaimedSize(Padded(RedBlueJpeg(16, 16), 200000), 10001, 10000)) << false << true << "too large";
  QTest::newRow("10,000 restart markers")
      << bytes(Encode(808, 800, JCS_GRAYSCALE, JCS_GRAYSCALE, 90,
                      [](int x, int y, unsigned char* out) { *out = static_cast<unsigned char>(x ^ y); }, false, 1))
      << true << false << "";
}

void PicturesTest::decoderWorkIsBudgeted() {
  QFETCH(QByteArray, data);
  QFETCH(bool, decoded);
  QFETCH(bool, overLimit);
  QFETCH(QString, message);
  const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
  QElapsedTimer timer;
  timer.start();
  const zolt::JpegCheck found = zolt::CheckJpeg(bytes);
  QCOMPARE(found.decoded, decoded);
  QCOMPARE(found.overLimit, overLimit);
  QVERIFY2(found.message.find(message.toStdString()) != std::string::npos, found.message.c_str());
  QImage image;
  QCOMPARE(zolt::DecodeJpeg(bytes, image), decoded);
  QVERIFY2(timer.elapsed() < 5000, "refused from the header, or decoded quickly");
}

void PicturesTest::damagedBytesNeverCrash() {
  const std::string whole = RedBlueJpeg(48, 40);
  QImage image;
  // Every prefix, then deterministic byte damage all over the file.
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    if (zolt::DecodeJpeg(std::string_view(whole).substr(0, length), image)) {
      QCOMPARE(image.size(), QSize(48, 40));
    } else {
      QVERIFY(image.isNull());
    }
  }
  unsigned seed = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string damaged = whole;
    for (int hit = 0; hit < 4; ++hit) {
      seed = seed * 1103515245u + 12345u;
      damaged[(seed >> 8) % damaged.size()] = static_cast<char>(seed >> 24);
    }
    if (zolt::DecodeJpeg(damaged, image)) QVERIFY(!image.isNull());
  }
  for (const char* junk : {"", "\xFF", "\xFF\xD8", "\xFF\xD8\xFF\xD9", "GIF89a", "not a picture at all"}) {
    std::string error;
    QVERIFY(!zolt::DecodeJpeg(junk, image, &error));
    QVERIFY(image.isNull());
    QVERIFY(!error.empty());
  }
}

void PicturesTest::nonJpegDataIsReadOnlyWhenItIsAPicture() {
  QImage png(10, 6, QImage::Format_ARGB32);
  png.fill(Qt::transparent);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QVERIFY(png.save(&buffer, "PNG"));
  QImage image;
  QVERIFY(zolt::DecodeJpeg(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), image));
  QCOMPARE(image.size(), QSize(10, 6));
  QCOMPARE(image.format(), QImage::Format_RGB888);
  QCOMPARE(At(image, 3, 3), QColor(Qt::white));  // transparency shows the page's white
}

void PicturesTest::fileLoadingReportsMissingFiles() {
  QTemporaryDir folder;
  QImage image;
  std::string error;
  const std::string missing = folder.path().toStdString() + "/img.jpg";
  QVERIFY(!zolt::LoadJpegFile(missing, zolt::disc::kAnyFolder, image, &error));
  QVERIFY(error.find("img.jpg") != std::string::npos);
  QVERIFY(!zolt::LoadJpegFile(folder.path().toStdString(), zolt::disc::kAnyFolder, image, &error));  // a folder

  const std::string jpeg = RedBlueJpeg();
  QFile file(QString::fromStdString(missing));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(jpeg.data(), static_cast<qint64>(jpeg.size()));
  file.close();
  QVERIFY(zolt::LoadJpegFile(missing, zolt::disc::kAnyFolder, image, &error));
  QCOMPARE(image.size(), QSize(64, 32));
}

void PicturesTest::sampleJpegs_data() { AddSampleRows("jpeg", 2); }

void PicturesTest::sampleJpegs() {
  QFETCH(QString, file);
  if (file.isEmpty()) QSKIP("the shared JPEG samples (../shared/testdata/jpeg) are absent");
  QFETCH(QSize, size);
  QFETCH(bool, readable);
  QImage image;
  std::string error;
  const bool decoded = zolt::LoadJpegFile(file.toStdString(), zolt::disc::kAnyFolder, image, &error);
  QVERIFY2(decoded == readable, error.c_str());
  if (readable) {
    if (!size.isEmpty()) QCOMPARE(image.size(), size);
    QVERIFY(!image.isNull());
  } else {
    QVERIFY(image.isNull());
    QVERIFY(!error.empty());
  }
}

void PicturesTest::sampleGifs_data() { AddSampleRows("gif", 3); }

// The banner plays with QMovie: readable files give a first frame of their
// size, the others fail without crashing or hanging, and no frame is huge.
void PicturesTest::sampleGifs() {
  QFETCH(QString, file);
  if (file.isEmpty()) QSKIP("the shared GIF samples (../shared/testdata/gif) are absent");
  QFETCH(QSize, size);
  QFETCH(bool, readable);
  QMovie movie(file);
  const bool firstFrame = movie.isValid() && movie.jumpToFrame(0) && !movie.currentImage().isNull();
  if (readable) {
    QVERIFY(firstFrame);
    QCOMPARE(movie.currentImage().size(), size);
  }
  // Every frame once (a looping movie wraps back to 0), with a bound so an
  // endless file cannot hang.
  int last = movie.currentFrameNumber();
  for (int frame = 0; frame < 2000 && movie.jumpToNextFrame() && movie.currentFrameNumber() > last; ++frame) {
    last = movie.currentFrameNumber();
    const QImage current = movie.currentImage();
    QVERIFY(current.isNull() || qint64(current.width()) * current.height() <= 4'000'000);
  }
}

void PicturesTest::artworkIsCompiledIn_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QSize>("size");
  using namespace zolt::artwork;
  QTest::newRow("logo") << QString::fromLatin1(kLogo) << QSize(138, 57);
  QTest::newRow("logo picture") << QString::fromLatin1(kLogoPicture) << QSize(89, 55);
  QTest::newRow("strip") << QString::fromLatin1(kStrip) << QSize(89, 17);
  QTest::newRow("banner left") << QString::fromLatin1(kBannerLeft) << QSize(144, 65);
  QTest::newRow("banner right") << QString::fromLatin1(kBannerRight) << QSize(145, 65);
  QTest::newRow("corner") << QString::fromLatin1(kCorner) << QSize(55, 53);
  QTest::newRow("search strip") << QString::fromLatin1(kSearchStrip) << QSize(92, 18);
}

void PicturesTest::artworkIsCompiledIn() {
  QFETCH(QString, path);
  QFETCH(QSize, size);
  const QImage image(path);
  QVERIFY2(!image.isNull(), qPrintable(path));
  QCOMPARE(image.size(), size);
}

void PicturesTest::logoAnimatesCalmly() {
  QMovie logo(QString::fromLatin1(zolt::artwork::kLogo));
  QVERIFY(logo.isValid());
  QVERIFY(logo.frameCount() > 4);
  QCOMPARE(logo.loopCount(), -1);  // forever
  int total = 0;
  for (int frame = 0; frame < logo.frameCount(); ++frame) {
    QVERIFY(logo.jumpToFrame(frame));
    QVERIFY(logo.nextFrameDelay() >= 40);  // no flicker
    total += logo.nextFrameDelay();
    // The corners stay the page's white in every frame.
    QCOMPARE(logo.currentImage().pixelColor(137, 0), QColor(Qt::white));
  }
  QVERIFY(total >= 2000);  // a pause between sweeps
}

void PicturesTest::demoDiscPicturesAndBannersShow() {
  int pictures = 0;
  int banners = 0;
  QDirIterator files(QStringLiteral(ZOLT_DEMO_DISC), QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString path = files.next();
    if (path.endsWith(QStringLiteral(".jpg"))) {
      QImage image;
      std::string warning;
      QVERIFY2(zolt::LoadJpegFile(path.toStdString(), zolt::disc::kAnyFolder, image, &warning) && warning.empty(), qPrintable(path));
      ++pictures;
    } else if (path.endsWith(QStringLiteral("banner.gif"))) {
      QMovie banner(path);
      QVERIFY2(banner.jumpToFrame(0) && banner.frameCount() > 1, qPrintable(path));
      QCOMPARE(banner.currentImage().size(), QSize(468, 60));
      ++banners;
    }
  }
  QVERIFY(pictures >= 10);
  QVERIFY(banners >= 4);
}

QTEST_MAIN(PicturesTest)
#include "pictures_test.moc"
