// Builds the discs the check is timed and tried on:
//   make_check_discs photos DIR    300 items, each with a real JPEG of about
//                                  300 KB (one of them cut short) and an RTF text
//   make_check_discs hostile DIR   a link loop, 100,000 folders in one section,
//                                  a 200 MB "testo.txt", a pipe named "img.jpg",
//                                  a JPEG claiming 60,000 x 60,000 pixels and a
//                                  1 GB sparse archive
// The same discs on every run (fixed seed). DIR must not exist yet.

#include <QBuffer>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

const char* const kRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 {\\b Prodotto}\\par "
                         "Una descrizione di prova con una riga di testo.\\par}";

// A photograph-like picture: smooth colour fields with grain, which JPEG
// compresses about as it compresses a real photograph.
std::string Picture(int index, std::mt19937& random) {
  QImage image(1280, 960, QImage::Format_RGB888);
  std::uniform_int_distribution<int> grain(-24, 24);
  for (int y = 0; y < image.height(); ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      const int base[3] = {(x + index * 37) % 256, (y + index * 11) % 256, ((x + y) / 2 + index * 5) % 256};
      for (int c = 0; c < 3; ++c) row[x * 3 + c] = static_cast<uchar>(std::clamp(base[c] + grain(random), 0, 255));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 80);
  return bytes.toStdString();
}

int Photos(const fs::path& dir) {
  std::mt19937 random(4242);
  std::string pictures[8];
  for (int i = 0; i < 8; ++i) pictures[i] = Picture(i, random);
  std::size_t total = 0;
  for (int i = 0; i < 300; ++i) {
    char section[32], item[32];
    std::snprintf(section, sizeof section, "Sezione%02d_", i / 30);
    std::snprintf(item, sizeof item, "Prodotto %03d_", i);
    const fs::path folder = dir / section / item;
    std::string picture = pictures[i % 8];
    if (i == 150) picture.resize(picture.size() * 2 / 3);  // cut short
    Write(folder / "img.jpg", picture);
    Write(folder / "testo.txt", kRtf);
    total += picture.size();
  }
  fs::create_directories(dir / "Home");
  Write(dir / "Home" / "scheda.htm", "<html><body><p>Disco di prova</p></body></html>");
  std::printf("%s: 300 items, pictures of %zu KB on average, one cut short\n", dir.c_str(), total / 300 / 1024);
  return 0;
}

int Hostile(const fs::path& dir) {
  fs::create_directories(dir / "Home");
  Write(dir / "Home" / "scheda.htm", "<html><body><p>Disco ostile</p></body></html>");
  // A link loop in a payload folder and one in the catalogue itself.
  Write(dir / "Giochi_" / "Anello_" / "testo.txt", kRtf);
  fs::create_directory_symlink("..", dir / "Giochi_" / "Anello_" / "giro");
  fs::create_directory_symlink(".", dir / "Giochi_" / "Anello_" / "Ancora_");
  // 100,000 folders in one section.
  for (int i = 0; i < 100000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Voce %06d_", i);
    fs::create_directories(dir / "Tante_" / name);
  }
  // A 200 MB description, sparse.
  Write(dir / "Grandi_" / "Testo_" / "testo.txt", "{\\rtf1 ");
  fs::resize_file(dir / "Grandi_" / "Testo_" / "testo.txt", 200u << 20);
  // A pipe named "img.jpg": the check must never open it for reading.
  Write(dir / "Grandi_" / "Pipe_" / "testo.txt", kRtf);
  mkfifo((dir / "Grandi_" / "Pipe_" / "img.jpg").c_str(), 0644);
  // A baseline JPEG header claiming 60,000 x 60,000 pixels.
  Write(dir / "Grandi_" / "Enorme_" / "img.jpg",
        std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\xEA\x60\xEA\x60\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xFF\xD9", 23));
  Write(dir / "Grandi_" / "Enorme_" / "testo.txt", kRtf);
  // A 1 GB sparse archive.
  Write(dir / "Home" / "Archivio.xls", "");
  fs::resize_file(dir / "Home" / "Archivio.xls", 1u << 30);
  std::printf("%s: the hostile disc\n", dir.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "photos") != 0 && std::strcmp(argv[1], "hostile") != 0)) {
    std::fprintf(stderr, "usage: make_check_discs photos|hostile DIR\n");
    return 2;
  }
  const fs::path dir = argv[2];
  if (fs::exists(dir)) {
    std::fprintf(stderr, "make_check_discs: %s already exists\n", dir.c_str());
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  return std::strcmp(argv[1], "photos") == 0 ? Photos(dir) : Hostile(dir);
}
