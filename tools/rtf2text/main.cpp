// rtf2text FILE: prints the plain text of an RTF description (or of a plain
// text file) as UTF-8, as the description viewer would show it.

#include <QFile>
#include <QCoreApplication>
#include <QTextDocument>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/rtf/rtfreader.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: rtf2text FILE\n", stderr);
    return 2;
  }
  QCoreApplication application(argc, argv);

  QFile file(QFile::decodeName(argv[1]));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "rtf2text: cannot read %s: %s\n", argv[1],
                 file.errorString().toLocal8Bit().constData());
    return 2;
  }
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    std::fprintf(stderr, "rtf2text: cannot read %s: %s\n", argv[1],
                 file.errorString().toLocal8Bit().constData());
    return 2;
  }
  QTextDocument document;
  zolt::rtf::ReadRtf(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                     document);
  // Pictures stand in the text as object marks; they are not text.
  const QByteArray text = document.toPlainText().remove(QChar::ObjectReplacementCharacter).toUtf8();
  std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
  if (!text.endsWith('\n')) std::fputc('\n', stdout);
  return 0;
}
