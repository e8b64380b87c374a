#include "tools/zolt-check/checker.h"

#include "look/tabmetrics.h"
#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/discpath.h"
#include "disc/disctext.h"
#include "disc/tree.h"
#include "disc/webaddress.h"
#include "platform/jpeg/jpegdecoder.h"
#include "platform/rtf/rtfreader.h"
#include "platform/textcodec.h"
#include "search/archive.h"
#include "search/textsearch.h"
#include "spreadsheet/msexcel.h"
#include "tools/zolt-check/authorrules.h"
#include "tools/zolt-check/homepage.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QMovie>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_set>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zolt::check {
namespace {

namespace catalogue = zolt::catalogue;
namespace disc = zolt::disc;

// Joliet keeps at most 64 UTF-16 units of a name.
constexpr qsizetype kMaxJolietUnits = 64;
// Far below any file system's limit, far beyond any real disc's depth.
constexpr int kMaxWalkDepth = 64;
// A home page is read whole for its links up to this size.
constexpr std::uint64_t kMaxPageBytes = 16u << 20;

// A place on the disc: its path as the system names it, and as the check
// shows it (relative to the root, names decoded, "/" between levels).
struct Place {
  std::string raw;
  std::string shown;
  int level = 0;  // 0 the root, 1 a section, 2 an entry, 3 a sub-entry, ...

  Place Child(const std::string& name) const {
    const std::string decoded = disc::DecodeDiscName(name);
    return {catalogue::JoinPath(raw, name), shown.empty() ? decoded : shown + "/" + decoded, level + 1};
  }
  std::string Folder() const { return catalogue::JoinPath(raw, ""); }
};

using catalogue::FolderId;
using catalogue::ListFolder;
using Entry = catalogue::FolderEntry;

bool IsFolderEntry(const Entry& entry) { return entry.kind == catalogue::EntryKind::kFolder; }

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

std::string ErrorText(int error) { return error == 0 ? std::string() : std::string(std::strerror(error)); }

// Why a file that exists cannot be read, in the author's words.
std::string WhyUnreadable(disc::FileState state, int error) {
  if (state == disc::FileState::kNotRegular) {
    if (error == EISDIR) return "è una cartella, non un file";
    if (error == ENOENT || error == ELOOP) return "è un collegamento che non porta a nessun file";
    return "non è un file regolare (una pipe, un dispositivo o un collegamento)";
  }
  if (error == EACCES || error == EPERM) return "non si può aprire: permessi insufficienti";
  return "non si può leggere (" + ErrorText(error) + ")";
}

bool IsDriveLetter(std::string_view line) {
  return line.size() >= 2 && line[1] == ':' &&
         ((line[0] >= 'a' && line[0] <= 'z') || (line[0] >= 'A' && line[0] <= 'Z'));
}

// The line climbs above the disc root from an item `level` folders deep.
bool ClimbsAboveRoot(std::string_view line, int level) {
  int depth = level;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t end = line.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view part = line.substr(start, end - start);
    if (part == "..") {
      if (--depth < 0) return true;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return false;
}

// A line of "setup.txt" or "copia.txt" found as the actions find it.
std::optional<std::string> ResolveLine(const std::string& folder, const std::string& line) {
  return disc::ResolveDiscLine(folder, line);
}

// What a click on the banner opens: the same rule as the program's links.
bool IsWebAddress(const QString& joined) {
  const QByteArray utf8 = joined.toUtf8();
  return !disc::WebAddress(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))).empty();
}

// `relative` (with "/" separators) taken from the shown folder `base`, "."
// and ".." worked out; the caller has made sure it stays on the disc.
std::string Lexical(const std::string& base, const std::string& relative) {
  return disc::DecodeDiscPath(disc::LexicalPath(base + "/" + relative).substr(1));
}

// Pictures are decoded by a worker beside the rest of the check, with a
// bound on the bytes waiting for it.
class PictureQueue {
 public:
  struct Done {
    std::string item;
    std::string path;
    JpegCheck found;
  };

  explicit PictureQueue(int scale) : scale_(scale) {}
  ~PictureQueue() { Finish(); }
  PictureQueue(const PictureQueue&) = delete;
  PictureQueue& operator=(const PictureQueue&) = delete;

  void Add(std::string item, std::string path, std::string bytes) {
    std::unique_lock lock(mutex_);
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    // One picture may exceed the bound alone; then it waits for an empty queue.
    changed_.wait(lock, [&] { return waiting_ == 0 || waiting_ + bytes.size() <= kMaxWaitingBytes; });
    waiting_ += bytes.size();
    queue_.push_back({std::move(item), std::move(path), std::move(bytes)});
    changed_.notify_all();
  }

  // Waits for every picture and hands over what each gave.
  std::vector<Done> Finish() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
    return std::move(done_);
  }

 private:
  static constexpr std::size_t kMaxWaitingBytes = 64u << 20;

  struct Task {
    std::string item;
    std::string path;
    std::string bytes;
  };

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return closed_ || !queue_.empty(); });
      if (queue_.empty()) return;
      Task task = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Done done{std::move(task.item), std::move(task.path), CheckJpeg(task.bytes, scale_)};
      const std::size_t size = task.bytes.size();
      task.bytes = std::string();
      lock.lock();
      waiting_ -= size;
      done_.push_back(std::move(done));
      changed_.notify_all();
    }
  }

  const int scale_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> queue_;
  std::vector<Done> done_;
  std::size_t waiting_ = 0;
  bool closed_ = false;
  std::thread worker_;
};

class Checker {
 public:
  Checker(const std::string& disc, const CheckOptions& options) : options_(options) {
    root_ = {disc.empty() ? std::string(".") : disc, std::string(), 0};
    // Where a line of "setup.txt" leads is judged from the root's absolute path.
    if (root_.raw.front() != '/') {
      std::error_code ignored;
      const std::filesystem::path absolute = std::filesystem::absolute(root_.raw, ignored);
      if (!absolute.empty()) root_.raw = absolute.string();
    }
    while (root_.raw.size() > 1 && root_.raw.back() == '/') root_.raw.pop_back();
  }

  CheckResult Run() {
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

 private:
  CheckResult Fail(CheckResult::Status status, std::string failure) {
    result_.status = status;
    result_.failure = std::move(failure);
    return std::move(result_);
  }

  // Findings of the author's rules, for `place` or the names below it.
  void Record(std::vector<Finding> findings, const Place& place, const std::string& item) {
    for (Finding& finding : findings) {
      Report(finding.code, finding.name.empty() ? place.shown : place.Child(finding.name).shown,
             std::move(finding.message), item);
    }
  }

  // A disc the build assembled has the runtime folder, with its libraries, at the root.
  bool IsAssembled(const std::vector<Entry>& rootEntries) const {
    return std::any_of(rootEntries.begin(), rootEntries.end(), [&](const Entry& entry) {
      return IsFolderEntry(entry) && entry.name == disc::kRuntimeFolder &&
             disc::IsFolder(catalogue::JoinPath(catalogue::JoinPath(root_.raw, entry.name), "lib"));
    });
  }

  void Report(std::string_view code, const std::string& path, std::string message, const std::string& item) {
    // The same code at the same path with the same message is one problem.
    const std::string key = std::string(code) + '\n' + path + '\n' + std::to_string(std::hash<std::string>{}(message));
    if (!reported_.insert(key).second) return;
    Emit(result_.problems, code, path, std::move(message), item);
  }

  static void Emit(std::vector<Problem>& out, std::string_view code, const std::string& path, std::string message,
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

  // The catalogue folders read so far; the walk of the names beside it does not count.
  void Progress() {
    if (std::this_thread::get_id() != mainThread_) return;
    if (++folders_ % 64 == 0 && options_.progress) options_.progress(folders_);
  }

  // --- Names: every file and folder of the disc goes onto the disc image. ---

  void WalkNames(const Place& folder, std::set<FolderId> ancestors, std::vector<Problem>& out) {
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

  void CheckName(const std::string& name, const Place& place, const std::string& item, std::vector<Problem>& out) {
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

  // --- Tabs ---

  void CheckTabs() {
    std::vector<QString> tabbed;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
      const Place place = root_.Child(sections_[i] + "_");
      if (i >= catalogue::kTabCount) {
        Report("section-over-twelve", place.shown,
               "è la sezione numero " + std::to_string(i + 1) +
                   " (in ordine di nome): le linguette sono dodici e questa non ne ha una, il lettore "
                   "non la vede mai. Unirla a un'altra sezione o togliere sezioni.",
               place.shown);
      } else if (sections_[i] == catalogue::kHomeSectionName) {
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

  // --- Folders that would be catalogue but are never listed ---

  void CheckUnlisted(const Place& folder, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
      if (!IsFolderEntry(entry) || disc::IsCatalogueName(entry.name) || IsAncestor(entry.id)) continue;
      if (folder.level == 0 && (entry.name == disc::kRuntimeFolder || entry.name == homeName_)) continue;
      const Place place = folder.Child(entry.name);
      if (folder.level == 1 && entry.name == "Home" &&
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

  static std::string ListedName(std::string name) {
    std::replace(name.begin(), name.end(), '_', ' ');
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name + "_";
  }

  // --- Sections, entries, sub-entries ---

  void CheckSection(std::size_t index) {
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

  bool Listable(const Place& folder, std::vector<Entry>& children, FolderId* id = nullptr) {
    const int error = ListFolder(folder.raw, children, id);
    Progress();
    if (error == 0) return true;
    Report("folder-unreadable", folder.shown,
           "la cartella non si può leggere (" + ErrorText(error) +
               "): il lettore vede un elenco vuoto e una pagina vuota. Correggere i permessi.",
           folder.shown);
    return false;
  }

  void CheckTooDeep(const Place& folder, const std::string& item, const std::vector<Entry>& children) {
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

  // --- The files of one item folder, read as the page reads them ---

  Place FilePlace(const Place& item, const disc::ItemFile& file) const { return item.Child(BaseName(file.path)); }

  void Unreadable(const Place& item, const disc::ItemFile& file, const std::string& effect) {
    const Place place = FilePlace(item, file);
    if (file.outside()) {
      EscapesDisc(place, item.shown);
      return;
    }
    Report("file-unreadable", place.shown,
           "il file " + WhyUnreadable(file.state, file.error) + ": " + effect, item.shown);
  }

  // A per-item file that is a link leading off the disc: on the author's
  // machine it shows something, on the reader's nothing (or whatever lies there).
  void EscapesDisc(const Place& place, const std::string& item) {
    Report("path-escapes-disc", place.shown,
           "il file è un collegamento che porta fuori dal disco: il programma non lo legge e il lettore "
           "vede la voce come se il file mancasse. Mettere sul disco il file vero al posto del collegamento.",
           item);
  }

  // Reads a readable per-item file within its limit; reports and gives
  // nothing when it cannot.
  std::optional<std::string> ReadItemFile(const Place& item, const disc::ItemFile& file, std::uint64_t limit,
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

  // A per-item file of the item being checked, found in its listing. A file
  // that is read next is not classified first: the read tells what it is.
  disc::ItemFile Find(const Place& item, std::string_view name, bool classify = true) const {
    disc::ItemFile file;
    const std::optional<std::string> found = catalogue::ResolveInListing(itemNames_, name);
    if (!found) return file;
    file.path = catalogue::JoinPath(item.raw, *found);
    file.state = classify ? disc::ClassifyFile(file.path, root_.raw, &file.error) : disc::FileState::kReadable;
    if (file.state == disc::FileState::kMissing) file.path.clear();
    return file;
  }

  static std::vector<std::string> Names(const std::vector<Entry>& children) {
    std::vector<std::string> names;
    names.reserve(children.size());
    for (const Entry& entry : children) names.push_back(entry.name);
    return names;
  }

  // Marks a folder as one the walk stands in, for as long as it does: a link
  // back to it is a loop, not one more folder.
  class Ancestor {
   public:
    Ancestor(std::vector<FolderId>& ancestry, const FolderId& id) : ancestry_(ancestry) { ancestry_.push_back(id); }
    ~Ancestor() { ancestry_.pop_back(); }
    Ancestor(const Ancestor&) = delete;
    Ancestor& operator=(const Ancestor&) = delete;

   private:
    std::vector<FolderId>& ancestry_;
  };

  bool IsAncestor(const FolderId& id) const {
    return std::find(ancestry_.begin(), ancestry_.end(), id) != ancestry_.end();
  }

  void CheckItem(const Place& item, const std::vector<Entry>& children) {
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

  void CheckDescription(const Place& item) {
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

  // Accented words a search misses, raw UTF-8 the reader sees garbled.
  void CheckLetters(const Place& file, const std::string& item, std::string_view bytes) {
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

  void CheckPicture(const Place& item) {
    const disc::ItemFile file = Find(item, disc::kPictureFile, false);
    const auto bytes = ReadItemFile(item, file, disc::kMaxPictureBytes,
                                    "il lettore vede ancora l'immagine della voce aperta prima. Sostituirlo "
                                    "con un JPEG leggibile.");
    if (!bytes) return;
    pictures_.Add(item.shown, FilePlace(item, file).shown, std::move(*bytes));
  }

  void ReportPicture(const std::string& item, const std::string& path, const JpegCheck& found) {
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

  void CheckBanner(const Place& item) {
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

  std::optional<std::string> FirstLine(const Place& item, const disc::ItemFile& file, const std::string& effect) {
    if (!file.exists()) return std::nullopt;
    if (!file.readable()) {
      Unreadable(item, file, effect);
      return std::nullopt;
    }
    auto line = disc::ReadFirstLine(file.path, root_.raw);
    if (!line) Unreadable(item, disc::ItemFile{file.path, disc::FileState::kUnreadable, EIO}, effect);
    return line;
  }

  void CheckInstaller(const Place& item) {
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

  // The file "  Installa  " starts: its kind and its mode, from one open.
  void CheckProgram(const Place& item, const std::string& target) {
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

  void CheckCopyList(const Place& item) {
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

  // --- Home: its page, its links, the archive ---

  void CheckHome() {
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

  void CheckPageLinks(const Place& home, const Place& page, const std::string& html) {
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

  void CheckArchive() {
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

  // --- What the search never reads ---

  void CheckSearch(const std::vector<Entry>& rootEntries, const std::unordered_set<std::string>& candidates) {
    for (const Entry& level1 : rootEntries) {
      if (!IsFolderEntry(level1) || level1.name == disc::kRuntimeFolder) continue;
      const Place folder = root_.Child(level1.name);
      const Place home = folder.Child("Home");
      if (!disc::IsFolder(home.raw) || candidates.count(level1.name + "/Home") != 0) continue;
      const disc::ItemFile description = disc::FindItemFile(home.raw, disc::kDescriptionFile, root_.raw);
      if (!description.exists()) continue;
      Report("search-skips-home", home.shown,
             "una cartella di secondo livello che si chiama proprio \"Home\" viene saltata dalla ricerca: "
             "la sua descrizione non si trova mai, e nemmeno quelle delle cartelle sotto. Rinominarla.",
             folder.shown);
    }
  }

  CheckOptions options_;
  PictureQueue pictures_{options_.pictureScale};
  Place root_;
  CheckResult result_;
  std::vector<std::string> sections_;
  std::set<std::string> tabbedRaw_;
  std::string homeName_;
  std::unordered_set<std::string> reported_;
  std::set<FolderId> visited_;
  std::set<FolderId> deepSeen_;
  std::size_t folders_ = 0;
  const std::thread::id mainThread_ = std::this_thread::get_id();
  std::unique_ptr<QTextDocument> document_;
  std::vector<std::string> itemNames_;  // the listing of the item being checked
  bool mayHoldPrograms_ = false;
  std::vector<FolderId> ancestry_;  // the root, the section, the entry being checked
};

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
