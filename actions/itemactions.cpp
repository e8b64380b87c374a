#include "actions/itemactions.h"

#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <sys/stat.h>

#include "actions/fzoom.h"
#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/discpath.h"
#include "platform/shellcopy.h"
#include "platform/textcodec.h"

namespace zolt::actions {

namespace fs = std::filesystem;
using platform::CopyOutcome;
using platform::CurrentShell;

namespace {

// Longest folder name most file systems accept, in bytes.
constexpr qsizetype kMaxNameBytes = 255;

// A link on the way from the chosen folder to the file: the copy would be
// written through it.
bool LinkOnTheWay(const std::string& folder, const std::string& relative) {
  const std::size_t last = relative.rfind('/');
  if (last == std::string::npos) return false;
  std::string path = folder;
  return !disc::ForEachPathPart(std::string_view(relative).substr(0, last), [&path](std::string_view part) {
    if (part.empty() || part == ".") return true;
    path = catalogue::JoinPath(path, part);
    struct stat st {};
    return !(::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  });
}

std::string WithSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// A path written on the disc, found as the disc's conventions find it; when
// nothing matches, the plain joined path (which the shell will report as missing).
std::string ResolveDiscPath(const std::string& folder, const std::string& line) {
  if (auto found = disc::ResolveDiscLine(folder, line)) return *found;
  return catalogue::JoinPath(folder, WithSlashes(line));
}

// Blanks and control characters around a path, as the shell copy drops them.
std::string TrimBlanks(std::string text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  return text.substr(start);
}

QString CleanFolderName(QString name) {
  static const QString kForbidden = QStringLiteral("/\\:*?\"<>|");
  for (QChar& c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f || kForbidden.contains(c)) c = u'_';
  }
  name = name.trimmed();
  // Trailing dots and blanks are dropped by some file systems and tools.
  while (!name.isEmpty() && (name.back() == u'.' || name.back().isSpace())) name.chop(1);
  while (name.toUtf8().size() > kMaxNameBytes) name.chop(1);
  return name;
}

void CopiaSingoloFile(QWidget* owner, const std::string& percorso, const std::string& riga) {
  auto& shell = CurrentShell();
  // The file is found as the whole-item copy finds it: below the item
  // folder, links resolved, and only when it really lies there.
  const std::string sorgente = ResolveDiscPath(percorso, riga);
  if (!disc::IsSafeRelativePath(riga) || !disc::PathInside(percorso, sorgente)) {
    shell.Warning(owner, QStringLiteral("Il file indicato in \"copia.txt\" (\"%1\") non si trova "
                                        "nella cartella del prodotto: nessun file è stato copiato.")
                             .arg(DecodeDiscText(riga)));
    return;
  }
  const std::optional<std::string> cartella = shell.ChooseFolder(owner);
  if (!cartella) return;
  // The file keeps its place below the chosen folder; no folder is made on the way.
  const std::string destinazione = catalogue::JoinPath(*cartella, WithSlashes(riga));
  if (LinkOnTheWay(*cartella, WithSlashes(riga))) {
    shell.Warning(owner, QStringLiteral("Nella cartella scelta, al posto di una cartella di \"%1\" "
                                        "c'è un collegamento: nessun file è stato copiato.")
                             .arg(DecodeDiscText(riga)));
    return;
  }
  const CopyOutcome esito = shell.CopyFile(sorgente, percorso, destinazione, owner);
  if (esito.result == CopyOutcome::Result::Completed) {
    shell.Information(owner, QStringLiteral("Copia terminata."));
  } else {
    shell.Warning(owner, platform::DescribeCopyFailure(esito));
  }
}

// The lines the closing message gains for links that were not copied.
QString DescribeLinksLeftOut(const CopyOutcome& esito) {
  QString text;
  if (esito.linksOutside == 1) {
    text += QStringLiteral("\n1 collegamento che porta fuori dalla cartella del prodotto "
                           "non è stato seguito.");
  } else if (esito.linksOutside > 1) {
    text += QStringLiteral("\n%1 collegamenti che portano fuori dalla cartella del prodotto "
                           "non sono stati seguiti.")
                .arg(esito.linksOutside);
  }
  if (esito.linksLeftOut == 1) {
    text += QStringLiteral("\n1 collegamento senza destinazione, ripetuto o chiuso in un giro "
                           "è stato lasciato fuori.");
  } else if (esito.linksLeftOut > 1) {
    text += QStringLiteral("\n%1 collegamenti senza destinazione, ripetuti o chiusi in un giro "
                           "sono stati lasciati fuori.")
                .arg(esito.linksLeftOut);
  }
  return text;
}

void CopiaProdottoIntero(QWidget* owner, const std::string& percorso, const QString& titolo) {
  auto& shell = CurrentShell();
  const std::optional<std::string> cartella = shell.ChooseFolder(owner);
  if (!cartella) return;
  const std::string nome = SafeFolderName(titolo, percorso);
  const std::string destinazione = catalogue::JoinPath(*cartella, nome);

  std::error_code ec;
  // A file or a link of that name is the user's: neither replaced nor
  // followed, whatever the link leads to.
  const fs::file_status stato = fs::symlink_status(destinazione, ec);
  if (fs::is_symlink(stato) || (fs::exists(stato) && !fs::is_directory(stato))) {
    shell.Warning(owner, QStringLiteral("Nella cartella \"%1\" c'è già %2 di nome \"%3\": "
                                        "la cartella del prodotto non può essere creata. "
                                        "Nessun file è stato copiato.")
                             .arg(PathToQString(*cartella),
                                  fs::is_symlink(stato) ? QStringLiteral("un collegamento")
                                                        : QStringLiteral("un file"),
                                  PathToQString(nome)));
    return;
  }
  if (fs::is_directory(stato) && fs::equivalent(destinazione, percorso, ec)) {
    shell.Warning(owner, QStringLiteral("La cartella scelta è la cartella del prodotto stessa: "
                                        "nessun file è stato copiato."));
    return;
  }
  if (!fs::exists(stato) && !fs::create_directory(destinazione, ec)) {
    shell.Warning(owner, QStringLiteral("Impossibile creare la cartella \"%1\" (%2): "
                                        "nessun file è stato copiato.")
                             .arg(PathToQString(destinazione), platform::DescribeSystemError(ec.value())));
    return;
  }
  const CopyOutcome esito = CopiaCartella(owner, percorso, destinazione);
  if (esito.result == CopyOutcome::Result::Completed) {
    shell.Information(owner, QStringLiteral("Copia completata.") + DescribeLinksLeftOut(esito));
  } else {
    shell.Warning(owner, platform::DescribeCopyFailure(esito) + DescribeLinksLeftOut(esito));
  }
}

}  // namespace

const std::vector<std::string>& FileDelCatalogo() {
  static const std::vector<std::string> kFiles = {
      std::string(disc::kPictureFile),  std::string(disc::kDescriptionFile), std::string(disc::kSetupFile),
      std::string(disc::kCopyListFile), std::string(disc::kBannerFile),      std::string(disc::kBannerAddressFile)};
  return kFiles;
}

std::string SafeFolderName(const QString& titolo, const std::string& percorsoProdotto) {
  QString nome = CleanFolderName(titolo);
  if (nome.isEmpty() || nome == u'.' || nome == QStringLiteral("..")) {
    std::string cartella = fs::path(percorsoProdotto).filename().string();
    if (cartella.empty()) cartella = fs::path(percorsoProdotto).parent_path().filename().string();
    if (!cartella.empty() && cartella.back() == '_') cartella.pop_back();
    nome = CleanFolderName(DecodeDiscText(cartella));
  }
  if (nome.isEmpty() || nome == u'.' || nome == QStringLiteral("..")) {
    nome = QStringLiteral("Prodotto");
  }
  return QStringToPath(nome);
}

void Installa(const std::string& percorsoProdotto, const std::string& eseguibileProdotto,
              QWidget* owner) {
  auto& shell = CurrentShell();
  const std::string root = catalogue::DiscRoot();
  // Opens `target` only when it lies on the disc.
  const auto avvia = [&](const std::string& target) {
    const std::optional<std::string> inside = disc::PathInside(root, target);
    if (!inside) {
      shell.Warning(owner, QStringLiteral("\"%1\" non si trova sul CD: non viene avviato.")
                               .arg(DecodeDiscText(target)));
      return;
    }
    platform::OpenAndTell(owner, *inside);
  };
  const disc::ItemFile setup = disc::FindItemFile(percorsoProdotto, disc::kSetupFile, root);
  if (disc::IsPresent(setup.state)) {
    // A "setup.txt" that cannot be read stops the action without a word.
    const std::optional<std::string> riga = disc::ReadFirstLine(setup.path, root);
    if (!riga) return;
    // An empty first line names the item folder itself.
    avvia(riga->empty() ? percorsoProdotto : ResolveDiscPath(percorsoProdotto, *riga));
    return;
  }
  if (!eseguibileProdotto.empty()) avvia(eseguibileProdotto);
}

void CopiaProdotto(QWidget* owner, const std::string& percorsoProdotto, const QString& titolo) {
  // A missing or unreadable "copia.txt" names no file: the whole item is copied.
  const std::string root = catalogue::DiscRoot();
  const disc::ItemFile copia = disc::FindItemFile(percorsoProdotto, disc::kCopyListFile, root);
  const std::string riga = disc::IsPresent(copia.state) ? disc::ReadFirstLine(copia.path, root).value_or(std::string()) : std::string();
  // An empty first line names no file, as an empty "copia.txt" does.
  if (riga.empty()) {
    CopiaProdottoIntero(owner, percorsoProdotto, titolo);
  } else {
    CopiaSingoloFile(owner, percorsoProdotto, riga);
  }
}

CopyOutcome CopiaCartella(QWidget* owner, std::string sorgente, std::string destinazione) {
  sorgente = TrimBlanks(std::move(sorgente));
  destinazione = TrimBlanks(std::move(destinazione));
  if (sorgente.empty()) return {};
  return CurrentShell().CopyFolder(sorgente, destinazione, owner, FileDelCatalogo());
}

void MostraZoom(const std::string& percorsoImmagine) {
  // Destroyed on every way out, shown or not.
  const auto finestra = std::make_unique<TFZoom>();
  finestra->CaricaImmagine(percorsoImmagine);
  finestra->exec();
}

}  // namespace zolt::actions
