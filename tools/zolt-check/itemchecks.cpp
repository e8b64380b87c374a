#include "tools/zolt-check/checkerimpl.h"

namespace zolt::check::internal {

namespace catalogue = zolt::catalogue;
namespace disc = zolt::disc;

void Checker::Unreadable(const Place& item, const disc::ItemFile& file, const std::string& effect) {
  const Place place = FilePlace(item, file);
  if (file.outside()) {
    EscapesDisc(place, item.shown);
    return;
  }
  Report("file-unreadable", place.shown,
         "il file " + WhyUnreadable(file.state, file.error) + ": " + effect, item.shown);
}

void Checker::EscapesDisc(const Place& place, const std::string& item) {
  Report("path-escapes-disc", place.shown,
         "il file è un collegamento che porta fuori dal disco: il programma non lo legge e il lettore "
         "vede la voce come se il file mancasse. Mettere sul disco il file vero al posto del collegamento.",
         item);
}

std::optional<std::string> Checker::ReadItemFile(const Place& item, const disc::ItemFile& file, std::uint64_t limit,
                                        const std::string& effect) {
  if (!file.exists()) return std::nullopt;
  if (!file.readable()) {
    Unreadable(item, file, effect);
    return std::nullopt;
  }
  disc::ReadResult read = disc::ReadDiscFile(file.path, root_.raw, limit);
  if (read.tooLarge()) {
    Report("file-too-large", FilePlace(item, file).shown,
           "il file supera il limite del programma per questo file (" + std::to_string(limit >> 10) +
               " KB): non viene letto, " + effect,
           item.shown);
    return std::nullopt;
  }
  if (!read.ok()) {
    Unreadable(item, disc::ItemFile{file.path, read.state, read.error}, effect);
    return std::nullopt;
  }
  return std::move(read.bytes);
}

disc::ItemFile Checker::Find(const Place& item, std::string_view name, bool classify) const {
  disc::ItemFile file;
  const std::optional<std::string> found = catalogue::ResolveInListing(itemNames_, name);
  if (!found) return file;
  file.path = catalogue::JoinPath(item.raw, *found);
  file.state = classify ? disc::ClassifyFile(file.path, root_.raw, &file.error) : disc::FileState::kReadable;
  if (file.state == disc::FileState::kMissing) file.path.clear();
  return file;
}

void Checker::CheckItem(const Place& item, const std::vector<Entry>& children) {
  itemNames_ = Names(children);
  // Whether the search for a program file can find anything at all.
  mayHoldPrograms_ = std::any_of(children.begin(), children.end(), [](const Entry& entry) {
    if (IsFolderEntry(entry)) return true;
    const std::size_t n = entry.name.size();
    return n >= 4 && entry.name[n - 4] == '.' && (entry.name[n - 3] | 0x20) == 'e' &&
           (entry.name[n - 2] | 0x20) == 'x' && (entry.name[n - 1] | 0x20) == 'e';
  });
  CheckDescription(item);
  CheckPicture(item);
  CheckBanner(item);
  CheckInstaller(item);
  CheckCopyList(item);
}

void Checker::CheckDescription(const Place& item) {
  const disc::ItemFile file = Find(item, disc::kDescriptionFile, false);
  const auto bytes = ReadItemFile(item, file, disc::kMaxDescriptionBytes,
                                  "il lettore vede ancora il testo della voce aperta prima, e la ricerca "
                                  "si ferma qui. Sostituirlo con un file RTF leggibile.");
  if (!bytes) return;
  EnsureGuiApplication();
  if (!document_) document_ = std::make_unique<QTextDocument>();
  rtf::RtfDiagnostics found;
  rtf::ReadRtf(*bytes, *document_, &found);
  const std::string path = FilePlace(item, file).shown;
  if (found.overBounds()) {
    std::string why;
    if (found.picturesLeftOut > 0) {
      why = std::to_string(found.picturesLeftOut) + (found.picturesLeftOut == 1 ? " immagine" : " immagini") +
            " oltre il limite di pixel (per immagine o per descrizione): il lettore non le vede";
    }
    if (found.formattingCut) {
      why += std::string(why.empty() ? "" : "; ") +
             "troppi cambi di formato o indirizzi web: il lettore vede il resto come testo semplice";
    }
    Report("file-too-large", path,
           "la descrizione supera i limiti del programma: " + why +
               ". Ridurre le immagini o dividere i paragrafi più formattati.",
           item.shown);
  }
  if (found.rtf) CheckLetters(FilePlace(item, file), item.shown, *bytes);
  if (!found.rtf) {
    Report("description-not-rtf", path,
           "il file non comincia con \"{\\rtf\": il lettore lo vede come testo semplice, senza "
           "formattazione. Se è voluto va bene; altrimenti salvarlo in RTF.",
           item.shown);
  } else if (found.damaged()) {
    std::string why;
    if (found.unclosedGroups > 0) {
      why = "finisce con " + std::to_string(found.unclosedGroups) +
            " gruppi \"{\" ancora aperti (il file è troncato o manca una \"}\")";
    }
    if (found.textAfterEnd) {
      why += std::string(why.empty() ? "" : "; ") +
             "dopo la \"}\" finale c'è altro testo, che il lettore non vede";
    }
    if (found.textCut) why += std::string(why.empty() ? "" : "; ") + "il testo è così lungo che il resto è tagliato";
    Report("description-damaged", path,
           "l'RTF è danneggiato: " + why + ". Il lettore vede solo quello che si è potuto leggere. "
           "Riaprirlo e salvarlo di nuovo con un programma di videoscrittura.",
           item.shown);
  }
}

void Checker::CheckLetters(const Place& file, const std::string& item, std::string_view bytes) {
  constexpr std::size_t kWordsNamed = 3;
  constexpr std::size_t kWordsTried = 8;  // beyond these the file is taken as it stands
  const DescriptionLetters letters = ScanDescriptionLetters(bytes, kWordsNamed, kWordsTried);
  std::vector<std::string> unsearchable;
  for (const std::string& word : letters.escaped) {
    if (unsearchable.size() == kWordsNamed) break;
    // Without a raw byte beyond ASCII in the file, no such word can be found.
    if (!letters.rawHighBytes || !search::TextMatcher(word).MatchesLines(bytes)) unsearchable.push_back(word);
  }
  Record(DescriptionLetterFindings(unsearchable, letters.rawUtf8), file, item);
}

void Checker::CheckPicture(const Place& item) {
  const disc::ItemFile file = Find(item, disc::kPictureFile, false);
  const auto bytes = ReadItemFile(item, file, disc::kMaxPictureBytes,
                                  "il lettore vede ancora l'immagine della voce aperta prima. Sostituirlo "
                                  "con un JPEG leggibile.");
  if (!bytes) return;
  pictures_.Add(item.shown, FilePlace(item, file).shown, std::move(*bytes));
}

void Checker::ReportPicture(const std::string& item, const std::string& path, const JpegCheck& found) {
  if (found.overLimit) {
    Report("file-too-large", path,
           "l'immagine supera i limiti del decodificatore (" + found.message +
               "): il lettore non la vede. Salvarla più piccola, o in JPEG non progressivo.",
           item);
  } else if (!found.jpeg && found.decoded) {
    std::string format = found.format;
    for (char& c : format) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Report("picture-not-jpeg", path,
           "il file è un'immagine " + format + ", non un JPEG: questo programma la mostra, ma chi copia "
           "il prodotto o la apre con un altro programma trova un file col nome sbagliato. Salvarla in "
           "JPEG.",
           item);
  } else if (!found.decoded) {
    Report("picture-damaged", path,
           std::string(found.jpeg ? "il decodificatore JPEG rifiuta l'immagine"
                                  : "il file non è un'immagine che il programma sappia leggere") +
               " (" + found.message + "): il lettore vede ancora l'immagine della voce aperta prima. "
               "Sostituirla con un JPEG valido.",
           item);
  } else if (found.partial) {
    Report("picture-damaged", path,
           "l'immagine si decodifica solo in parte (" + found.message +
               "): il lettore la vede con una parte grigia. Il file è troncato o danneggiato: "
               "sostituirlo con l'originale.",
           item);
  }
}

void Checker::CheckBanner(const Place& item) {
  const disc::ItemFile banner = Find(item, disc::kBannerFile, false);
  const disc::ItemFile address = Find(item, disc::kBannerAddressFile, false);
  if (const auto bytes = ReadItemFile(item, banner, disc::kMaxBannerBytes,
                                      "il lettore vede ancora il banner della voce aperta prima.")) {
    QByteArray data = QByteArray::fromRawData(bytes->data(), static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QMovie movie;
    movie.setDevice(&buffer);
    movie.setCacheMode(QMovie::CacheNone);
    if (!movie.isValid() || !movie.jumpToFrame(0) || movie.currentImage().isNull()) {
      Report("banner-damaged", FilePlace(item, banner).shown,
             "il primo fotogramma della GIF non si decodifica: il lettore vede ancora il banner della "
             "voce aperta prima. Sostituirla con una GIF valida.",
             item.shown);
    }
  }
  if (banner.exists() && !address.exists()) {
    Report("banner-without-address", FilePlace(item, banner).shown,
           "c'è il banner ma non \"banner.txt\": un clic sul banner apre l'indirizzo della voce vista "
           "prima. Aggiungere \"banner.txt\" con l'indirizzo.",
           item.shown);
  } else if (!banner.exists() && address.exists()) {
    Report("address-without-banner", FilePlace(item, address).shown,
           "c'è \"banner.txt\" ma non il banner: l'indirizzo non si può cliccare, ma resta per i banner "
           "delle voci viste dopo che non hanno un indirizzo proprio.",
           item.shown);
  }
  if (const auto bytes = ReadItemFile(item, address, disc::kMaxAddressBytes,
                                      "un clic sul banner apre l'indirizzo della voce vista prima.")) {
    QString joined = DecodeDiscText(*bytes);
    joined.remove(u'\r');
    joined.remove(u'\n');
    if (!IsWebAddress(joined)) {
      Report("banner-address-invalid", FilePlace(item, address).shown,
             "le righe del file, unite, danno " + Quoted(joined.left(200).toStdString()) +
                 ", che non è un indirizzo web: un clic sul banner non apre nulla. Scrivere un indirizzo "
                 "come \"http://www.esempio.it/\" su una riga.",
             item.shown);
    }
  }
}

std::optional<std::string> Checker::FirstLine(const Place& item, const disc::ItemFile& file, const std::string& effect) {
  if (!file.exists()) return std::nullopt;
  if (!file.readable()) {
    Unreadable(item, file, effect);
    return std::nullopt;
  }
  auto line = disc::ReadFirstLine(file.path, root_.raw);
  if (!line) Unreadable(item, disc::ItemFile{file.path, disc::FileState::kUnreadable, EIO}, effect);
  return line;
}

void Checker::CheckInstaller(const Place& item) {
  const disc::ItemFile setup = Find(item, disc::kSetupFile);
  if (!setup.exists()) {
    if (!mayHoldPrograms_) return;
    try {
      const auto found = catalogue::CercaFile(catalogue::JoinPath(item.raw, "*.exe"), catalogue::kAttrArchive);
      if (found && !found->empty()) CheckProgram(item, found->front());
    } catch (const std::exception&) {
      // The folder cannot be searched: reported where it is listed.
    }
    return;
  }
  const auto line = FirstLine(item, setup, "\"  Installa  \" compare ma non avvia nulla.");
  if (!line) return;
  const std::string path = FilePlace(item, setup).shown;
  if (line->empty()) {
    Report("installer-empty-line", path,
           "la prima riga è vuota: \"  Installa  \" apre la cartella del prodotto invece di avviare "
           "l'installazione. Scrivere sulla prima riga il percorso del programma di installazione.",
           item.shown);
    return;
  }
  const std::string shownLine = disc::DecodeDiscName(*line);
  if (line->front() == '/' || line->front() == '\\' || IsDriveLetter(*line) || ClimbsAboveRoot(*line, item.level)) {
    Report("path-escapes-item", path,
           "la prima riga, " + Quoted(shownLine) +
               ", porta fuori dal disco: su un altro computer quel file non c'è e \"  Installa  \" non "
               "avvia nulla. Scrivere un percorso relativo alla cartella del prodotto.",
           item.shown);
    return;
  }
  if (const auto target = ResolveLine(item.Folder(), *line)) {
    if (!disc::PathInside(root_.raw, *target)) {
      Report("path-escapes-item", path,
             "la prima riga, " + Quoted(shownLine) +
                 ", nomina un collegamento che porta fuori dal disco: \"  Installa  \" non lo avvia. "
                 "Mettere sul disco il file vero al posto del collegamento.",
             item.shown);
      return;
    }
    CheckProgram(item, *target);
    return;
  }
  const std::size_t blank = line->find(' ');
  if (blank != std::string::npos && blank > 0 && ResolveLine(item.Folder(), line->substr(0, blank))) {
    Report("installer-has-arguments", path,
           "la prima riga, " + Quoted(shownLine) + ", nomina un file solo fino al primo spazio: il resto "
           "viene preso come parte del nome e \"  Installa  \" non avvia nulla. Lasciare sulla riga solo "
           "il percorso del file.",
           item.shown);
    return;
  }
  Report("installer-missing", path,
         "la prima riga, " + Quoted(shownLine) +
             ", non nomina un file del disco: \"  Installa  \" compare ma non avvia nulla. Correggere il "
             "percorso (relativo alla cartella del prodotto).",
         item.shown);
}

void Checker::CheckProgram(const Place& item, const std::string& target) {
  const disc::ProgramFile program = disc::InspectProgram(target, root_.raw);
  const std::string relative = target.size() > item.raw.size() ? target.substr(item.raw.size() + 1) : target;
  const Place place = item.Child(relative);
  if (program.kind == disc::ProgramKind::kWindows) {
    Report("installer-windows-only", place.shown,
           "\"  Installa  \" avvia un programma Windows: chi legge il disco su Linux non lo può eseguire.",
           item.shown);
  }
  Record(InstallerModeFindings(program), place, item.shown);
}

void Checker::CheckCopyList(const Place& item) {
  const disc::ItemFile copy = Find(item, disc::kCopyListFile);
  const auto line = FirstLine(item, copy, "\"  Copia file  \" avverte che non può leggerlo e non copia nulla.");
  if (!line || line->empty()) return;
  const std::string path = FilePlace(item, copy).shown;
  const std::string shownLine = disc::DecodeDiscName(*line);
  if (!disc::IsSafeRelativePath(*line)) {
    Report("path-escapes-item", path,
           "la prima riga, " + Quoted(shownLine) +
               ", esce dalla cartella del prodotto (\"..\", un percorso assoluto o una lettera di unità): "
               "la copia lo rifiuta e non copia nulla. Scrivere il nome di un file della cartella.",
           item.shown);
    return;
  }
  const auto target = ResolveLine(item.Folder(), *line);
  if (target && !disc::PathInside(item.raw, *target)) {
    Report("path-escapes-item", path,
           "la prima riga, " + Quoted(shownLine) +
               ", nomina un collegamento che porta fuori dalla cartella del prodotto: la copia lo rifiuta "
               "e non copia nulla. Mettere nella cartella il file vero al posto del collegamento.",
           item.shown);
    return;
  }
  if (!target || disc::IsFolder(*target)) {
    Report("copy-file-missing", path,
           "la prima riga, " + Quoted(shownLine) +
               (target ? ", nomina una cartella, non un file" : ", non nomina un file della cartella") +
               ": \"  Copia file  \" non copia nulla. Correggere il nome.",
           item.shown);
    return;
  }
  if (line->find_first_of("/\\") != std::string::npos) {
    Report("copy-needs-folder", path,
           "la riga " + Quoted(shownLine) +
               " ha una parte di cartella: la copia riesce solo se quella cartella c'è già nella "
               "destinazione scelta dal lettore, altrimenti non copia nulla. Mettere il file direttamente "
               "nella cartella del prodotto.",
           item.shown);
  }
}

}  // namespace zolt::check::internal
