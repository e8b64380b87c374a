#include "tools/zolt-check/checkerimpl.h"

namespace zolt::check {
namespace internal {

namespace catalogue = zolt::catalogue;
namespace disc = zolt::disc;

Checker::Checker(const std::string& disc, const CheckOptions& options) : options_(options) {
  root_ = {disc.empty() ? std::string(".") : disc, std::string(), 0};
  // Where a line of "setup.txt" leads is judged from the root's absolute path.
  if (root_.raw.front() != '/') {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(root_.raw, ignored);
    if (!absolute.empty()) root_.raw = absolute.string();
  }
  while (root_.raw.size() > 1 && root_.raw.back() == '/') root_.raw.pop_back();
}

CheckResult Checker::Run() {
  struct stat info {};
  const int error = ::stat(root_.raw.c_str(), &info) == 0 ? 0 : errno;
  if (error != 0 || !S_ISDIR(info.st_mode)) {
    const std::string why = error == 0       ? (S_ISREG(info.st_mode) ? "è un file" : "non è una cartella")
                            : error == ELOOP  ? "è un collegamento che gira in tondo"
                            : error == ENOENT ? "non esiste"
                                              : "non si raggiunge (" + ErrorText(error) + ")";
    return Fail(CheckResult::Status::kUnreadable, "la cartella del disco " + why + ": " + root_.raw);
  }
  std::vector<Entry> entries;
  FolderId rootId{};
  if (const int error = ListFolder(root_.raw, entries, &rootId); error != 0) {
    return Fail(CheckResult::Status::kUnreadable,
                "la cartella del disco non si può leggere (" + ErrorText(error) + "): " + root_.raw);
  }
  catalogue::ElencaCartelle(root_.Folder(), sections_);
  const std::optional<std::string> home = catalogue::ResolveFile(root_.Folder(), disc::kHomeFolder);
  const bool hasHome = home && disc::IsFolder(*home);
  if (sections_.empty() && !hasHome) {
    return Fail(CheckResult::Status::kNotADisc,
                "non è un disco del catalogo: nessuna cartella di sezione (nome che finisce con \"_\") "
                "e nessuna cartella Home in " + root_.raw);
  }
  homeName_ = hasHome ? BaseName(*home) : std::string();
  Record(RootNameFindings(Names(entries), IsAssembled(entries)), root_, "");

  // The names of the whole disc and the search's candidates are file-system
  // work alone: they go on beside the reading of the items.
  std::vector<Problem> names;
  std::unordered_set<std::string> candidates;
  std::exception_ptr walkFailure;
  std::thread walker([&] {
    try {
      WalkNames(root_, {}, names);
      for (std::string& candidate : search::ListCandidates(root_.Folder())) candidates.insert(std::move(candidate));
    } catch (...) {
      walkFailure = std::current_exception();
    }
  });
  try {
    CheckTabs();
    const Ancestor inRoot(ancestry_, rootId);
    CheckUnlisted(root_, entries);
    for (std::size_t i = 0; i < sections_.size(); ++i) CheckSection(i);
    CheckHome();
  } catch (...) {
    pictures_.Finish();
    walker.join();
    throw;
  }
  for (const PictureQueue::Done& done : pictures_.Finish()) ReportPicture(done.item, done.path, done.found);
  walker.join();
  if (walkFailure) std::rethrow_exception(walkFailure);
  for (Problem& problem : names) Report(problem.code, problem.path, std::move(problem.message), problem.item);
  CheckSearch(entries, candidates);

  std::stable_sort(result_.problems.begin(), result_.problems.end(),
                   [](const Problem& a, const Problem& b) { return PathBefore(a.path, b.path); });
  return std::move(result_);
}

CheckResult Checker::Fail(CheckResult::Status status, std::string failure) {
  result_.status = status;
  result_.failure = std::move(failure);
  return std::move(result_);
}

void Checker::Record(std::vector<Finding> findings, const Place& place, const std::string& item) {
  for (Finding& finding : findings) {
    Report(finding.code, finding.name.empty() ? place.shown : place.Child(finding.name).shown,
           std::move(finding.message), item);
  }
}

bool Checker::IsAssembled(const std::vector<Entry>& rootEntries) const {
  return std::any_of(rootEntries.begin(), rootEntries.end(), [&](const Entry& entry) {
    return IsFolderEntry(entry) && entry.name == disc::kRuntimeFolder &&
           disc::IsFolder(catalogue::JoinPath(catalogue::JoinPath(root_.raw, entry.name), "lib"));
  });
}

void Checker::Report(std::string_view code, const std::string& path, std::string message, const std::string& item) {
  // The same code at the same path with the same message is one problem.
  const std::string key = std::string(code) + '\n' + path + '\n' + std::to_string(std::hash<std::string>{}(message));
  if (!reported_.insert(key).second) return;
  Emit(result_.problems, code, path, std::move(message), item);
}

void Checker::Emit(std::vector<Problem>& out, std::string_view code, const std::string& path, std::string message,
                 const std::string& item) {
  Problem problem;
  problem.severity = SeverityOf(code).value_or(Severity::kError);
  problem.code = std::string(code);
  problem.path = path;
  // A sentence of its own: capital first letter.
  if (!message.empty() && message[0] >= 'a' && message[0] <= 'z') message[0] = static_cast<char>(message[0] - 'a' + 'A');
  problem.message = std::move(message);
  problem.item = item;
  out.push_back(std::move(problem));
}

void Checker::Progress() {
  if (std::this_thread::get_id() != mainThread_) return;
  if (++folders_ % 64 == 0 && options_.progress) options_.progress(folders_);
}

void Checker::WalkNames(const Place& folder, std::set<FolderId> ancestors, std::vector<Problem>& out) {
  std::vector<Entry> entries;
  FolderId self{};
  if (ListFolder(folder.raw, entries, &self) != 0) return;  // reported where the program reads it
  Progress();
  ancestors.insert(self);
  visited_.insert(self);
  std::map<QString, std::string> folded;
  for (const Entry& entry : entries) {
    if (folder.level == 0 && entry.name == disc::kRuntimeFolder) continue;
    const Place place = folder.Child(entry.name);
    CheckName(entry.name, place, folder.shown, out);
    const QString key = QString::fromUtf8(disc::DecodeDiscName(entry.name)).toCaseFolded();
    if (const auto [it, inserted] = folded.emplace(key, entry.name); !inserted) {
      Emit(out, "name-case-clash", place.shown,
             Quoted(disc::DecodeDiscName(it->second)) + " e " + Quoted(disc::DecodeDiscName(entry.name)) +
                 " differiscono solo per le maiuscole: il programma, che cerca i nomi senza badare alle "
                 "maiuscole, ne raggiunge uno solo, e su un disco Joliet ne resta uno. Rinominare o "
                 "togliere uno dei due.",
             folder.shown);
    }
  }
  for (const Entry& entry : entries) {
    if (!IsFolderEntry(entry) || (folder.level == 0 && entry.name == disc::kRuntimeFolder)) continue;
    const Place place = folder.Child(entry.name);
    if (ancestors.count(entry.id) != 0) {
      Emit(out, "folder-link-loop", place.shown,
             "questo collegamento riporta a una cartella che lo contiene: chi copia il disco o ne fa "
             "l'immagine può girare in tondo. Sostituirlo con la cartella vera o toglierlo.",
             folder.shown);
      continue;
    }
    if (visited_.count(entry.id) != 0 || place.level > kMaxWalkDepth) continue;
    WalkNames(place, ancestors, out);
  }
}

void Checker::CheckName(const std::string& name, const Place& place, const std::string& item, std::vector<Problem>& out) {
  const std::string shown = disc::DecodeDiscName(name);
  if (!disc::IsValidUtf8(name)) {
    Emit(out, "name-not-utf8", place.shown,
           "il nome non è in UTF-8: il programma lo mostra letto come Windows-1252, " + Quoted(shown) +
               ". Se non è quello che si voleva, rinominarlo in UTF-8.",
           item);
  }
  const QString unicode = QString::fromUtf8(shown);
  if (unicode.size() > kMaxJolietUnits) {
    Emit(out, "name-too-long-for-disc", place.shown,
           "il nome è lungo " + std::to_string(unicode.size()) +
               " caratteri UTF-16: il Joliet ne tiene 64, e sul disco il nome arriva troncato (o "
               "l'immagine non si fa). Accorciarlo a 64 caratteri al massimo.",
           item);
  }
  std::string bad;
  for (const char c : name) {
    if (std::strchr("*:;?\\", c) != nullptr && c != '\0' && bad.find(c) == std::string::npos) bad.push_back(c);
  }
  const bool control = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
  const bool badEnd = !name.empty() && (name.back() == '.' || name.back() == ' ');
  if (!bad.empty() || control || badEnd) {
    std::string why;
    if (!bad.empty()) why = "contiene " + Quoted(bad) + ", che il Joliet non ammette";
    if (control) why += std::string(why.empty() ? "" : "; ") + "contiene un carattere di controllo";
    if (badEnd) why += std::string(why.empty() ? "" : "; ") + "finisce con un punto o uno spazio";
    Emit(out, "name-not-for-disc", place.shown,
           "il nome " + why + ": sul disco il nome cambia o il file non c'è, e il programma non lo trova. "
           "Rinominarlo.",
           item);
  }
}

void Checker::CheckTabs() {
  std::vector<QString> tabbed;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const Place place = root_.Child(sections_[i] + "_");
    if (i >= catalogue::kTabCount) {
      Report("section-over-twelve", place.shown,
             "è la sezione numero " + std::to_string(i + 1) +
                 " (in ordine di nome): le linguette sono dodici e questa non ne ha una, il lettore "
                 "non la vede mai. Unirla a un'altra sezione o togliere sezioni.",
             place.shown);
    } else if (sections_[i] == disc::kHomeFolder) {
      Report("section-home", place.shown,
             "una sezione di nome \"Home\" occupa uno dei dodici posti ma non ha linguetta: il lettore "
             "non la vede. Rinominarla, o spostare i suoi contenuti nella cartella Home (senza \"_\").",
             place.shown);
    }
  }
  for (const std::string& name : catalogue::TabbedSections(sections_)) {
    tabbed.push_back(DecodeDiscText(name));
    tabbedRaw_.insert(name);
  }
  EnsureGuiApplication();
  const std::vector<TabPlace> places = PlaceTabs(tabbed, QFontMetrics(TabFont()));
  for (std::size_t row = 0; row < 2; ++row) {
    std::string outside;
    int right = 0;
    for (std::size_t k = row * catalogue::kTabsPerRow;
         k < places.size() && k < (row + 1) * catalogue::kTabsPerRow; ++k) {
      right = std::max(right, places[k].right());
      if (places[k].right() > kTabRowRight) {
        outside += (outside.empty() ? "" : ", ") + Quoted(tabbed[k].toStdString());
      }
    }
    if (outside.empty()) continue;
    Report("tabs-too-wide", "",
           std::string("le linguette della ") + (row == 0 ? "prima" : "seconda") + " riga arrivano a " +
               std::to_string(right) + " pixel, la finestra ne ha " + std::to_string(kTabRowRight) + ": " +
               outside + " restano fuori, in tutto o in parte, e non si possono cliccare. Accorciare i "
               "nomi delle sezioni.",
           "");
  }
}

void Checker::CheckUnlisted(const Place& folder, const std::vector<Entry>& entries) {
  for (const Entry& entry : entries) {
    if (!IsFolderEntry(entry) || disc::IsCatalogueName(entry.name) || IsAncestor(entry.id)) continue;
    if (folder.level == 0 && (entry.name == disc::kRuntimeFolder || entry.name == homeName_)) continue;
    const Place place = folder.Child(entry.name);
    if (folder.level == 1 && entry.name == disc::kHomeFolder &&
        disc::FindItemFile(place.raw, disc::kDescriptionFile, root_.raw).exists()) {
      continue;  // the search's own rule about it is reported instead
    }
    const char* const what = folder.level == 0 ? "sezione" : folder.level == 1 ? "voce" : "sotto-voce";
    if (disc::IsHiddenName(entry.name)) {
      if (catalogue::HoldsItemFiles(place.raw)) {
        Report("hidden-folder", place.shown,
               std::string("la cartella è nascosta (il nome comincia con un punto) e contiene file del "
                           "catalogo: il lettore non la vede mai come ") + what +
                   ". Togliere il punto iniziale dal nome, o togliere la cartella.",
               folder.shown);
      }
    } else if (catalogue::IsCatalogueFolder(place.raw)) {
      Report("folder-not-listed", place.shown,
             std::string("la cartella contiene file del catalogo ma non compare come ") + what +
                 ": il nome deve finire con \"_\" e non contenere altri \"_\". Rinominarla, per esempio " +
                 Quoted(ListedName(disc::DecodeDiscName(entry.name))) + ".",
             folder.shown);
    }
  }
}

std::string Checker::ListedName(std::string name) {
  std::replace(name.begin(), name.end(), '_', ' ');
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name + "_";
}

void Checker::CheckSection(std::size_t index) {
  const Place section = root_.Child(sections_[index] + "_");
  const bool tabbed = tabbedRaw_.count(sections_[index]) != 0;
  std::vector<Entry> children;
  FolderId sectionId{};
  if (!Listable(section, children, &sectionId)) return;
  const Ancestor inSection(ancestry_, sectionId);
  std::vector<std::string> entries;
  catalogue::ElencaCartelle(section.Folder(), entries);
  if (entries.empty()) {
    Report("section-empty", section.shown,
           "la sezione non ha voci: l'elenco a sinistra resta vuoto e la pagina mostra i file della "
           "sezione stessa.",
           section.shown);
  }
  CheckItem(section, children);
  CheckUnlisted(section, children);
  for (const std::string& name : entries) {
    const Place entry = section.Child(name + "_");
    std::vector<Entry> entryChildren;
    FolderId entryId{};
    if (!Listable(entry, entryChildren, &entryId)) continue;
    const Ancestor inEntry(ancestry_, entryId);
    std::vector<std::string> subs;
    // Only a folder with folders in it can have sub-entries.
    if (std::any_of(entryChildren.begin(), entryChildren.end(), [](const Entry& e) { return IsFolderEntry(e); })) {
      catalogue::ElencaCartelle(entry.Folder(), subs);
    }
    if (tabbed) result_.items += 1 + subs.size();
    if (subs.empty() && catalogue::IsGroupEntry(Names(entryChildren))) {
      Report("group-without-entries", entry.shown,
             "la voce non ha \"testo.txt\" né sotto-voci: il lettore la apre e trova una pagina senza "
             "testo. Aggiungere \"testo.txt\", o sotto-voci da aprire al suo posto.",
             entry.shown);
    }
    CheckItem(entry, entryChildren);
    CheckUnlisted(entry, entryChildren);
    for (const std::string& subName : subs) {
      const Place sub = entry.Child(subName + "_");
      std::vector<Entry> subChildren;
      FolderId subId{};
      if (!Listable(sub, subChildren, &subId)) continue;
      if (!catalogue::ResolveInListing(Names(subChildren), disc::kDescriptionFile)) {
        Report("description-missing", sub.shown,
               "la sotto-voce non ha \"testo.txt\": il lettore vede la pagina senza testo, e la ricerca "
               "non la trova mai. Aggiungere una descrizione.",
               sub.shown);
      }
      CheckItem(sub, subChildren);
      const Ancestor inSub(ancestry_, subId);
      CheckTooDeep(sub, sub.shown, subChildren);
    }
  }
}

bool Checker::Listable(const Place& folder, std::vector<Entry>& children, FolderId* id) {
  const int error = ListFolder(folder.raw, children, id);
  Progress();
  if (error == 0) return true;
  Report("folder-unreadable", folder.shown,
         "la cartella non si può leggere (" + ErrorText(error) +
             "): il lettore vede un elenco vuoto e una pagina vuota. Correggere i permessi.",
         folder.shown);
  return false;
}

void Checker::CheckTooDeep(const Place& folder, const std::string& item, const std::vector<Entry>& children) {
  for (const Entry& entry : children) {
    if (!IsFolderEntry(entry) || disc::IsHiddenName(entry.name) || deepSeen_.count(entry.id) != 0 ||
        IsAncestor(entry.id)) {
      continue;
    }
    deepSeen_.insert(entry.id);
    const Place place = folder.Child(entry.name);
    if (place.level > kMaxWalkDepth) continue;
    std::vector<Entry> grandChildren;
    if (ListFolder(place.raw, grandChildren) != 0) continue;
    Progress();
    if (catalogue::HoldsItemFiles(place.raw) &&
        (disc::IsCatalogueName(entry.name) || catalogue::HoldsPageFiles(place.raw))) {
      Report("folder-too-deep", place.shown,
             "la cartella ha i file di una voce ma sta sotto una sotto-voce: l'elenco ha due livelli e "
             "la ricerca tre, il lettore non la vede e non la trova mai. Spostarla al livello di una "
             "voce o di una sotto-voce.",
             item);
    }
    CheckTooDeep(place, item, grandChildren);
  }
}

std::vector<std::string> Checker::Names(const std::vector<Entry>& children) {
  std::vector<std::string> names;
  names.reserve(children.size());
  for (const Entry& entry : children) names.push_back(entry.name);
  return names;
}

bool Checker::IsAncestor(const FolderId& id) const {
  return std::find(ancestry_.begin(), ancestry_.end(), id) != ancestry_.end();
}

}  // namespace internal

namespace {

using internal::Checker;

// The levels of a path shown by the check, one after the other; the disc
// itself ("") has none.
class Levels {
 public:
  explicit Levels(std::string_view path) : path_(path), done_(path.empty()) {}
  bool Done() const { return done_; }
  std::string_view Next() {
    const std::size_t end = std::min(path_.find('/', start_), path_.size());
    const std::string_view level = path_.substr(start_, end - start_);
    start_ = end + 1;
    done_ = start_ > path_.size();
    return level;
  }

 private:
  std::string_view path_;
  std::size_t start_ = 0;
  bool done_;
};

}  // namespace

std::size_t CheckResult::Count(Severity severity) const {
  return static_cast<std::size_t>(std::count_if(problems.begin(), problems.end(),
                                                [severity](const Problem& p) { return p.severity == severity; }));
}

bool PathBefore(const std::string& a, const std::string& b) {
  Levels left(a), right(b);
  while (!left.Done() && !right.Done()) {
    const std::string_view x = left.Next(), y = right.Next();
    if (x != y) return x < y;
  }
  return left.Done() && !right.Done();
}

void UseOffscreenPlatform() {
  // Everything runs without a display: fonts, pictures and documents only.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The toolkit's own remarks (no runtime folder, a font fallback) are not
  // the disc's problems.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) std::fprintf(stderr, "zolt-check: %s\n", message.toLocal8Bit().constData());
  });
}

void EnsureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  UseOffscreenPlatform();
  static int argc = 1;
  static char name[] = "zolt-check";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* application = new QGuiApplication(argc, argv);
  (void)application;
}

CheckResult CheckDisc(const std::string& disc, const CheckOptions& options) {
  return Checker(disc, options).Run();
}

}  // namespace zolt::check
