#include "windowtest.h"

#include <QBuffer>
#include <QWebEngineView>
#include <filesystem>
#include <fstream>

#include "app/homeview.h"
#include "disc/catalogue.h"
#include "platform/textcodec.h"

namespace zolt::test {

TempDisc::TempDisc() : root_(QStringToPath(dir_.path()) + "/") {
  catalogue::SetDiscRootForTesting(root_);
}

TempDisc::~TempDisc() {
  catalogue::SetDiscRootForTesting(std::string());
  // By bytes: the toolkit's own removal stops at names that are not UTF-8.
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(root_), error);
}

// Paths go to the system as bytes: names that are not UTF-8 stay as they are.
void TempDisc::Folder(const std::string& relative) const {
  std::error_code error;
  std::filesystem::create_directories(Path(relative), error);
}

void TempDisc::File(const std::string& relative, const QByteArray& content) const {
  const std::filesystem::path path(Path(relative));
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(content.constData(), content.size());
  if (!file) qFatal("cannot write a test file");
}

void TempDisc::Item(const std::string& relative, const std::string& text) const {
  File(relative + "/testo.txt", Rtf(text));
}

void TempDisc::Remove(const std::string& relative) const {
  std::error_code error;
  std::filesystem::remove_all(Path(relative), error);
}

RecordingShell::RecordingShell() { platform::SetShell(this); }
RecordingShell::~RecordingShell() { platform::SetShell(nullptr); }

void FindHomeModule(bool load) {
  SetHomeModulePathForTesting(ZOLT_HOME_MODULE_PATH);
  if (load && LoadHomeModule() == nullptr) qFatal("the Home page's module does not load");
}

QVariant EvaluateInPage(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool answered = false;
  view->page()->runJavaScript(script, [&](const QVariant& value) {
    result = value;
    answered = true;
  });
  if (!QTest::qWaitFor([&] { return answered; }, 5000)) return {};
  return result;
}

void ClickInPage(QWebEngineView* view, const QString& id) {
  const QVariantList centre =
      EvaluateInPage(view, QStringLiteral("(function() { const box = document.getElementById('%1')"
                                          ".getBoundingClientRect();"
                                          " return [box.x + box.width / 2, box.y + box.height / 2]; })()")
                               .arg(id))
          .toList();
  QVERIFY2(centre.size() == 2, qPrintable(id));
  QWidget* input = view->focusProxy() != nullptr ? view->focusProxy() : view;
  const QPoint point(qRound(centre[0].toDouble()), qRound(centre[1].toDouble()));
  QTest::mouseMove(input, point);
  QTest::mouseClick(input, Qt::LeftButton, {}, point);
}

QByteArray Rtf(const std::string& text) {
  return QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ") +
         QByteArray::fromStdString(text) + QByteArray("\\par}");
}

QByteArray Jpeg(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] = qRgb(x * 255 / width, y * 255 / height, 128);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 85);
  return bytes;
}

namespace {

void Put16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xff));
  out.append(static_cast<char>((value >> 8) & 0xff));
}

// Image data coded with 9-bit codes and a clear code before the dictionary
// would widen them: valid LZW that any decoder reads, without compression.
QByteArray LzwLiteral(const QByteArray& pixels) {
  constexpr int kClear = 256;
  constexpr int kEnd = 257;
  QByteArray codes;
  unsigned long bits = 0;
  int count = 0;
  const auto put = [&](int code) {
    bits |= static_cast<unsigned long>(code) << count;
    count += 9;
    while (count >= 8) {
      codes.append(static_cast<char>(bits & 0xff));
      bits >>= 8;
      count -= 8;
    }
  };
  for (qsizetype i = 0; i < pixels.size(); ++i) {
    if (i % 250 == 0) put(kClear);
    put(static_cast<unsigned char>(pixels[i]));
  }
  put(kEnd);
  if (count > 0) codes.append(static_cast<char>(bits & 0xff));
  QByteArray blocks;
  blocks.append(static_cast<char>(8));  // minimum code size
  for (qsizetype i = 0; i < codes.size(); i += 255) {
    const QByteArray block = codes.mid(i, 255);
    blocks.append(static_cast<char>(block.size()));
    blocks.append(block);
  }
  blocks.append('\0');
  return blocks;
}

}  // namespace

QByteArray Gif(int width, int height, int frames) {
  QByteArray out("GIF89a");
  Put16(out, width);
  Put16(out, height);
  out.append(static_cast<char>(0xf7));  // global colour table of 256 entries
  out.append('\0');
  out.append('\0');
  for (int i = 0; i < 256; ++i) {
    out.append(static_cast<char>(i));
    out.append(static_cast<char>(255 - i));
    out.append(static_cast<char>((i * 7) & 0xff));
  }
  // Loop for ever.
  out.append(QByteArray::fromHex("21ff0b4e45545343415045322e300301000000"));
  for (int f = 0; f < frames; ++f) {
    out.append(QByteArray::fromHex("21f904"));
    out.append('\0');
    Put16(out, 5);  // 50 ms a frame
    out.append('\0');
    out.append('\0');
    out.append(',');
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, width);
    Put16(out, height);
    out.append('\0');
    QByteArray pixels(static_cast<qsizetype>(width) * height, '\0');
    for (qsizetype i = 0; i < pixels.size(); ++i) {
      pixels[i] = static_cast<char>((i % width + f * 6) & 0xff);
    }
    out.append(LzwLiteral(pixels));
  }
  out.append(';');
  return out;
}

}  // namespace zolt::test
