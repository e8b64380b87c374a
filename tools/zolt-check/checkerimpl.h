#pragma once
// The check's rooms share this: the walk's places and entries, the small
// rules they all use, and the Checker whose methods the rooms define
// (checker.cpp the disc walk, itemchecks.cpp the files of one item,
// homechecks.cpp the Home folder, the archive and the search).

#include "tools/zolt-check/checker.h"
#include "tools/zolt-check/picturequeue.h"
#include "look/tabmetrics.h"
#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/discpath.h"
#include "disc/disctext.h"
#include "disc/tree.h"
#include "disc/webaddress.h"
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

namespace zolt::check::internal {

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

inline bool IsFolderEntry(const Entry& entry) { return entry.kind == catalogue::EntryKind::kFolder; }

inline std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

inline std::string Quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

inline std::string ErrorText(int error) { return error == 0 ? std::string() : std::string(std::strerror(error)); }

// Why a file that exists cannot be read, in the author's words.
inline std::string WhyUnreadable(disc::FileState state, int error) {
  if (state == disc::FileState::kNotRegular) {
    if (error == EISDIR) return "è una cartella, non un file";
    if (error == ENOENT || error == ELOOP) return "è un collegamento che non porta a nessun file";
    return "non è un file regolare (una pipe, un dispositivo o un collegamento)";
  }
  if (error == EACCES || error == EPERM) return "non si può aprire: permessi insufficienti";
  return "non si può leggere (" + ErrorText(error) + ")";
}

inline bool IsDriveLetter(std::string_view line) {
  return line.size() >= 2 && line[1] == ':' &&
         ((line[0] >= 'a' && line[0] <= 'z') || (line[0] >= 'A' && line[0] <= 'Z'));
}

// The line climbs above the disc root from an item `level` folders deep.
inline bool ClimbsAboveRoot(std::string_view line, int level) {
  int depth = level;
  return !disc::ForEachPathPart(line, [&depth](std::string_view part) {
    if (part == "..") return --depth >= 0;
    if (!part.empty() && part != ".") ++depth;
    return true;
  });
}

// A line of "setup.txt" or "copia.txt" found as the actions find it.
inline std::optional<std::string> ResolveLine(const std::string& folder, const std::string& line) {
  return disc::ResolveDiscLine(folder, line);
}

// What a click on the banner opens: the same rule as the program's links.
inline bool IsWebAddress(const QString& joined) {
  const QByteArray utf8 = joined.toUtf8();
  return !disc::WebAddress(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))).empty();
}

// `relative` (with "/" separators) taken from the shown folder `base`, "."
// and ".." worked out; the caller has made sure it stays on the disc.
inline std::string Lexical(const std::string& base, const std::string& relative) {
  return disc::DecodeDiscPath(disc::LexicalPath(base + "/" + relative).substr(1));
}

class Checker {
 public:
  Checker(const std::string& disc, const CheckOptions& options);

  CheckResult Run();

 private:
  CheckResult Fail(CheckResult::Status status, std::string failure);

  // Findings of the author's rules, for `place` or the names below it.
  void Record(std::vector<Finding> findings, const Place& place, const std::string& item);

  // A disc the build assembled has the runtime folder, with its libraries, at the root.
  bool IsAssembled(const std::vector<Entry>& rootEntries) const;

  void Report(std::string_view code, const std::string& path, std::string message, const std::string& item);

  static void Emit(std::vector<Problem>& out, std::string_view code, const std::string& path, std::string message,
                   const std::string& item);

  // The catalogue folders read so far; the walk of the names beside it does not count.
  void Progress();

  // --- Names: every file and folder of the disc goes onto the disc image. ---

  void WalkNames(const Place& folder, std::set<FolderId> ancestors, std::vector<Problem>& out);

  void CheckName(const std::string& name, const Place& place, const std::string& item, std::vector<Problem>& out);

  // --- Tabs ---

  void CheckTabs();

  // --- Folders that would be catalogue but are never listed ---

  void CheckUnlisted(const Place& folder, const std::vector<Entry>& entries);

  static std::string ListedName(std::string name);

  // --- Sections, entries, sub-entries ---

  void CheckSection(std::size_t index);

  bool Listable(const Place& folder, std::vector<Entry>& children, FolderId* id = nullptr);

  void CheckTooDeep(const Place& folder, const std::string& item, const std::vector<Entry>& children);

  // --- The files of one item folder, read as the page reads them ---

  Place FilePlace(const Place& item, const disc::ItemFile& file) const { return item.Child(BaseName(file.path)); }

  void Unreadable(const Place& item, const disc::ItemFile& file, const std::string& effect);

  // A per-item file that is a link leading off the disc: on the author's
  // machine it shows something, on the reader's nothing (or whatever lies there).
  void EscapesDisc(const Place& place, const std::string& item);

  // Reads a readable per-item file within its limit; reports and gives
  // nothing when it cannot.
  std::optional<std::string> ReadItemFile(const Place& item, const disc::ItemFile& file, std::uint64_t limit,
                                          const std::string& effect);

  // A per-item file of the item being checked, found in its listing. A file
  // that is read next is not classified first: the read tells what it is.
  disc::ItemFile Find(const Place& item, std::string_view name, bool classify = true) const;

  static std::vector<std::string> Names(const std::vector<Entry>& children);

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

  bool IsAncestor(const FolderId& id) const;

  void CheckItem(const Place& item, const std::vector<Entry>& children);

  void CheckDescription(const Place& item);

  // Accented words a search misses, raw UTF-8 the reader sees garbled.
  void CheckLetters(const Place& file, const std::string& item, std::string_view bytes);

  void CheckPicture(const Place& item);

  void ReportPicture(const std::string& item, const std::string& path, const JpegCheck& found);

  void CheckBanner(const Place& item);

  std::optional<std::string> FirstLine(const Place& item, const disc::ItemFile& file, const std::string& effect);

  void CheckInstaller(const Place& item);

  // The file "  Installa  " starts: its kind and its mode, from one open.
  void CheckProgram(const Place& item, const std::string& target);

  void CheckCopyList(const Place& item);

  // --- Home: its page, its links, the archive ---

  void CheckHome();

  void CheckPageLinks(const Place& home, const Place& page, const std::string& html);

  void CheckArchive();

  // --- What the search never reads ---

  void CheckSearch(const std::vector<Entry>& rootEntries, const std::unordered_set<std::string>& candidates);

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

}  // namespace zolt::check::internal
