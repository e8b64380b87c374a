#include "platform/textcodec.h"

#include <QFile>

#include "disc/disctext.h"

namespace zolt {

QString DecodeCp1252(std::string_view bytes) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* dst = out.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    *dst++ = QChar(static_cast<char16_t>(disc::Cp1252ToUnicode(b)));
  }
  return out;
}

QString DecodeDiscText(std::string_view bytes) {
  if (disc::IsValidUtf8(bytes))
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return DecodeCp1252(bytes);
}

QString PathToQString(const std::string& path) {
  if (disc::IsValidUtf8(path)) return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string QStringToPath(const QString& path) {
  const QByteArray bytes = QFile::encodeName(path);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace zolt
