// rtf2text FILE: prints the plain text of an RTF description (or of a plain
// text file) as UTF-8, as the description viewer would show it. A developer's
// tool for our checks; it does not go to authors.

#include <QFile>
#include <QCoreApplication>
#include <QTextDocument>
#include <cstdio>
#include <string_view>

#include "platform/rtf/rtfreader.h"
#include "tools/common/commandline.h"

namespace {

void Help(std::FILE* out) {
  std::fputs(
      "\n"
      "Stampa in UTF-8 il testo di una descrizione RTF (o di un testo semplice) come lo mostra il\n"
      "programma. Uno strumento per gli sviluppatori, usato dalle nostre prove.\n"
      "\n"
      "  --help      questo aiuto\n"
      "  --version   la versione\n"
      "\n"
      "Stato di uscita: 0 fatto, 2 comando sbagliato o FILE illeggibile.\n",
      out);
}

const zolt::tools::Tool kTool{"rtf2text", "FILE", {"il FILE da leggere"}, Help};

}  // namespace

int main(int argc, char* argv[]) {
  using namespace zolt::tools;
  const std::string path = ParseCommandLine(kTool, {}, argc, argv)[0];
  QCoreApplication application(argc, argv);

  QFile file(QFile::decodeName(path.c_str()));
  QByteArray data;
  if (file.open(QIODevice::ReadOnly)) data = file.readAll();
  if (!file.isOpen() || file.error() != QFileDevice::NoError) {
    Complain(kTool, "impossibile leggere %s: %s", path.c_str(), file.errorString().toLocal8Bit().constData());
    return kTrouble;
  }
  QTextDocument document;
  zolt::rtf::ReadRtf(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), document);
  // Pictures stand in the text as object marks; they are not text.
  const QByteArray text = document.toPlainText().remove(QChar::ObjectReplacementCharacter).toUtf8();
  std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
  if (!text.endsWith('\n')) std::fputc('\n', stdout);
  return kDone;
}
