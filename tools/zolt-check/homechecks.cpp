#include "tools/zolt-check/checkerimpl.h"

namespace zolt::check::internal {

namespace catalogue = zolt::catalogue;
namespace disc = zolt::disc;

void Checker::CheckHome() {
  if (homeName_.empty()) {
    Report("home-missing", std::string(disc::kHomeFolder),
           "il disco non ha la cartella Home: all'avvio e con \" Home \" il lettore vede una pagina vuota, "
           "e la ricerca non ha l'archivio. Aggiungere la cartella Home con \"scheda.htm\".",
           "");
    CheckArchive();
    return;
  }
  const Place home = root_.Child(homeName_);
  std::vector<Entry> children;
  if (!Listable(home, children)) return;
  CheckItem(home, children);
  const disc::ItemFile page = disc::FindItemFile(home.raw, disc::kHomePageFile, root_.raw);
  if (!page.exists()) {
    Report("home-page-missing", home.shown + "/" + std::string(disc::kHomePageFile),
           "la cartella Home non ha \"scheda.htm\": all'avvio e con \" Home \" il lettore vede una "
           "pagina vuota. Aggiungere la pagina.",
           home.shown);
  } else if (const auto bytes = ReadItemFile(home, page, kMaxPageBytes,
                                             "il lettore vede una pagina vuota. Sostituirla con un file leggibile.")) {
    CheckPageLinks(home, FilePlace(home, page), *bytes);
  }
  CheckArchive();
}

void Checker::CheckPageLinks(const Place& home, const Place& page, const std::string& html) {
  for (const PageReference& reference : LocalReferences(html)) {
    const std::string& path = reference.path;
    const bool absolute = path.front() == '/' || IsDriveLetter(path);
    std::string problem;
    if (absolute || ClimbsAboveRoot(path, home.level)) {
      problem = "porta fuori dal disco";
    } else {
      const std::string exact = catalogue::JoinPath(home.raw, path);
      struct stat info {};
      if (::stat(exact.c_str(), &info) == 0) continue;
      if (const auto other = catalogue::ResolveFile(home.Folder(), path)) {
        const std::string found = other->substr(root_.raw.size() + 1);
        problem = "esiste solo come " + Quoted(disc::DecodeDiscName(found)) +
                  ", con altre maiuscole, e la pagina le distingue";
      } else {
        problem = "non c'è";
      }
    }
    Report("home-page-broken-link", absolute || problem == "porta fuori dal disco" ? page.shown : Lexical(home.shown, path),
           "la pagina usa " + Quoted(reference.value) + " (<" + reference.element + ">), che " + problem +
               ": il lettore vede un'immagine o uno stile mancante, o un collegamento che non si apre. "
               "Correggere il nome nella pagina o sul disco.",
           home.shown);
  }
}

void Checker::CheckArchive() {
  const std::string path = search::ArchivePath(root_.Folder());
  const std::string relative = path.size() > root_.raw.size() ? path.substr(root_.raw.size() + 1) : path;
  Place place = root_;
  std::size_t start = 0;
  while (start <= relative.size()) {
    const std::size_t end = std::min(relative.find('/', start), relative.size());
    if (end > start) place = place.Child(relative.substr(start, end - start));
    start = end + 1;
  }
  const std::string item = homeName_.empty() ? std::string() : root_.Child(homeName_).shown;
  int error = 0;
  const disc::FileState state = disc::ClassifyFile(path, root_.raw, &error);
  if (state == disc::FileState::kMissing) {
    Report("archive-missing", place.shown,
           "il disco non ha l'archivio \"home/Archivio.xls\": la ricerca trova solo le descrizioni e "
           "l'elenco dell'archivio resta vuoto. Aggiungerlo se la rivista ne ha uno.",
           item);
    return;
  }
  if (disc::LeadsOutside(state, error)) {
    EscapesDisc(place, item);
    return;
  }
  if (state != disc::FileState::kReadable) {
    Report("archive-unreadable", place.shown,
           "l'archivio " + WhyUnreadable(state, error) +
               ": ogni ricerca finisce senza elencare l'archivio. Sostituirlo con una cartella di lavoro "
               "Excel leggibile.",
           item);
    return;
  }
  TMSExcel reader;
  try {
    reader.SetFileRoot(root_.raw);
    reader.LoadFromFile(path);
  } catch (const std::exception& failure) {
    Report("archive-unreadable", place.shown,
           std::string("il lettore delle cartelle di lavoro non lo legge (") + failure.what() +
               "): ogni ricerca finisce senza elencare l'archivio. Salvarlo di nuovo in formato Excel "
               "97-2003 (.xls).",
           item);
    return;
  }
  const TSpreadSheets& sheets = reader.Sheets();
  if (sheets.Count() == 0 || search::ReadArchiveColumns(sheets).a.empty()) {
    Report("archive-empty", place.shown,
           "l'archivio non ha righe nel primo foglio: la ricerca non vi trova mai nulla. Riempire il primo "
           "foglio (colonne A, B e C).",
           item);
  }
  Record(ArchiveColumnFindings(sheets), place, item);
  if (sheets.Count() > 1) {
    Report("archive-several-sheets", place.shown,
           "l'archivio ha " + std::to_string(sheets.Count()) +
               " fogli: la ricerca legge solo il primo. Se gli altri servono, spostarne le righe nel primo.",
           item);
  }
}

void Checker::CheckSearch(const std::vector<Entry>& rootEntries, const std::unordered_set<std::string>& candidates) {
  for (const Entry& level1 : rootEntries) {
    if (!IsFolderEntry(level1) || level1.name == disc::kRuntimeFolder) continue;
    const Place folder = root_.Child(level1.name);
    const Place home = folder.Child(std::string(disc::kHomeFolder));
    if (!disc::IsFolder(home.raw) || candidates.count(level1.name + "/" + std::string(disc::kHomeFolder)) != 0) continue;
    const disc::ItemFile description = disc::FindItemFile(home.raw, disc::kDescriptionFile, root_.raw);
    if (!description.exists()) continue;
    Report("search-skips-home", home.shown,
           "una cartella di secondo livello che si chiama proprio \"Home\" viene saltata dalla ricerca: "
           "la sua descrizione non si trova mai, e nemmeno quelle delle cartelle sotto. Rinominarla.",
           folder.shown);
  }
}

}  // namespace zolt::check::internal
