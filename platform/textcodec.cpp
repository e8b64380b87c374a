#include "platform/textcodec.h"

#include <QFile>

namespace zolt {

namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) lo = 0xA0;        // overlong
      if (c == 0xED) hi = 0x9F;        // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) lo = 0x90;        // overlong
      if (c == 0xF4) hi = 0x8F;        // above U+10FFFF
    } else {
      return false;
    }
    if (end - p <= extra) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (int i = 2; i <= extra; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    p += extra + 1;
  }
  return true;
}

QString DecodeCp1252(std::string_view bytes) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* dst = out.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    char16_t u = b;
    if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0) u = kCp1252High[b - 0x80];
    *dst++ = QChar(u);
  }
  return out;
}

QString DecodeDiscText(std::string_view bytes) {
  if (IsValidUtf8(bytes))
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return DecodeCp1252(bytes);
}

QString PathToQString(const std::string& path) {
  if (IsValidUtf8(path)) return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string QStringToPath(const QString& path) {
  const QByteArray bytes = QFile::encodeName(path);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace zolt
