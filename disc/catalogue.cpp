#include "disc/catalogue.h"

#include "disc/disctext.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zolt::catalogue {
namespace {

constexpr char kSeparator = '/';

// Longest link target /proc/self/exe is read into; Linux paths stop at 4096.
constexpr std::size_t kMaxExePath = 4096;

std::mutex& RootMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& RootOverride() {
  static std::string root;
  return root;
}

std::string WithTrailingSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kSeparator) folder.push_back(kSeparator);
  return folder;
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

using Entry = FolderEntry;
using Kind = EntryKind;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Windows wildcard matching without regard to ASCII case: "*" any run of
// characters, "?" exactly one.
bool WildcardMatch(std::string_view mask, std::string_view name) {
  std::size_t m = 0;
  std::size_t n = 0;
  std::size_t starMask = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || disc::FoldAscii(mask[m]) == disc::FoldAscii(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

// The mask as the Windows directory search reads it: "x.*" also matches a
// name without any extension ("*.*" matches everything, "readme.*" matches
// "readme").
bool MaskMatches(std::string_view mask, std::string_view name) {
  if (WildcardMatch(mask, name)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return WildcardMatch(mask.substr(0, mask.size() - 2), name);
  }
  return false;
}

// An entry passes unless it carries the hidden or folder attribute and the
// mask does not admit it. Read-only and archive never exclude anything.
bool PassesAttributes(const Entry& entry, unsigned attributeMask) {
  if (entry.kind == Kind::kOther) return false;
  if (disc::IsHiddenName(entry.name) && (attributeMask & kAttrHidden) == 0) return false;
  if (entry.kind == Kind::kFolder && (attributeMask & kAttrDirectory) == 0) return false;
  return true;
}

class FileSearch {
 public:
  FileSearch(std::string mask, unsigned attributeMask, std::vector<std::string>& results)
      : mask_(std::move(mask)), attributeMask_(attributeMask), results_(results) {}

  // The starting folder must be readable, or the search fails; a sub-folder
  // that cannot be read is left out and the search goes on with the rest.
  void SearchFrom(const std::string& folder) {
    std::vector<Entry> entries;
    FolderId id{};
    const int error = ListFolder(folder, entries, &id);
    if (error == ENOENT || error == ENOTDIR) return;  // nothing there to search
    if (error != 0) throw std::system_error(error, std::generic_category(), "CercaFile: " + folder);
    visited_.insert(id);
    Search(folder, std::move(entries));
  }

 private:
  void Search(const std::string& folder, std::vector<Entry> entries) {
    for (const Entry& entry : entries) {
      if (PassesAttributes(entry, attributeMask_) && MaskMatches(mask_, entry.name)) {
        results_.push_back(folder + entry.name);
      }
    }
    for (const Entry& entry : entries) {
      if (entry.kind != Kind::kFolder) continue;
      if (disc::IsHiddenName(entry.name) && (attributeMask_ & kAttrHidden) == 0) continue;
      const std::string sub = folder + entry.name + kSeparator;
      std::vector<Entry> subEntries;
      FolderId id{};
      if (ListFolder(sub, subEntries, &id) != 0) continue;
      // A folder seen before (a link back up the tree, or a second link to the
      // same place) is searched once only, so no link can make a loop.
      if (!visited_.insert(id).second) continue;
      Search(sub, std::move(subEntries));
    }
  }

  std::string mask_;
  unsigned attributeMask_;
  std::vector<std::string>& results_;
  std::set<FolderId> visited_;
};

// Finds the entry of `folder` named `name` without regard to case: the exact
// spelling first, else the first case-insensitive match in byte order.
std::optional<std::string> ResolveComponent(const std::string& folder, std::string_view name) {
  const std::string exact = JoinPath(folder, name);
  struct stat info {};
  if (lstat(exact.c_str(), &info) == 0) return std::string(name);
  if (name == "." || name == "..") return std::nullopt;
  std::vector<Entry> entries;
  if (ListFolder(folder.empty() ? std::string(".") : folder, entries) != 0) return std::nullopt;
  for (const Entry& entry : entries) {
    if (disc::EqualsIgnoringCase(entry.name, name)) return entry.name;
  }
  return std::nullopt;
}

}  // namespace

int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, FolderId* id) {
  entries.clear();
  DirHandle dir(opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return errno;
  const int fd = dirfd(dir.get());
  struct stat self {};
  if (fstat(fd, &self) != 0) return errno;
  if (id != nullptr) *id = {self.st_dev, self.st_ino};
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) {
      if (errno == 0) break;
      const int error = errno;
      entries.clear();
      return error;
    }
    if (IsDotOrDotDot(entry->d_name)) continue;
    FolderEntry& item = entries.emplace_back();
    item.name = entry->d_name;
    switch (entry->d_type) {
      case DT_DIR:
        // A folder on the same device: the entry's own inode number serves.
        item.kind = EntryKind::kFolder;
        item.id = {self.st_dev, entry->d_ino};
        break;
      case DT_REG:
        item.kind = EntryKind::kFile;
        break;
      case DT_LNK:
      case DT_UNKNOWN: {
        struct stat info {};
        if (fstatat(fd, entry->d_name, &info, 0) != 0) break;
        if (S_ISDIR(info.st_mode)) {
          item.kind = EntryKind::kFolder;
          item.id = {info.st_dev, info.st_ino};
        } else if (S_ISREG(info.st_mode)) {
          item.kind = EntryKind::kFile;
        }
        break;
      }
      default:
        break;  // pipes, sockets, devices: nothing a disc item offers
    }
  }
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return 0;
}

std::vector<std::string> ListSubfolders(const std::string& folder, std::string_view name, bool* holdsName) {
  std::vector<std::string> names;
  DirHandle dir(opendir(folder.c_str()));
  if (!dir) {
    if (holdsName != nullptr) *holdsName = true;
    return names;
  }
  while (const dirent* entry = readdir(dir.get())) {
    if (IsDotOrDotDot(entry->d_name)) continue;
    if (holdsName != nullptr && !*holdsName && disc::EqualsIgnoringCase(entry->d_name, name)) *holdsName = true;
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      const std::string path = folder + entry->d_name;
      isFolder = stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    if (isFolder) names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string DiscRoot() {
  {
    std::lock_guard lock(RootMutex());
    if (!RootOverride().empty()) return RootOverride();
  }
  std::string exe(kMaxExePath, '\0');
  const ssize_t length = readlink("/proc/self/exe", exe.data(), exe.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= exe.size()) return "./";
  exe.resize(static_cast<std::size_t>(length));
  const std::size_t slash = exe.rfind(kSeparator);
  if (slash == std::string::npos) return "./";
  exe.resize(slash + 1);
  return exe;
}

void SetDiscRoot(std::string root) {
  std::lock_guard lock(RootMutex());
  RootOverride() = root.empty() ? std::string() : WithTrailingSeparator(std::move(root));
}

void SetDiscRootForTesting(std::string root) { SetDiscRoot(std::move(root)); }

void ElencaCartelle(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  std::vector<Entry> entries;
  if (ListFolder(folder, entries) != 0) return;
  for (const Entry& entry : entries) {
    // The first "_" must be the last character: "Giochi_" yes, "Demo_Giochi_" no.
    if (entry.kind != Kind::kFolder || !disc::IsCatalogueName(entry.name)) continue;
    names.push_back(entry.name.substr(0, entry.name.size() - 1));
  }
}

std::unique_ptr<std::vector<std::string>> CercaFile(const std::string& pathAndMask,
                                                    unsigned attributeMask) {
  auto results = std::make_unique<std::vector<std::string>>();
  const std::size_t slash = pathAndMask.rfind(kSeparator);
  const std::string folder = slash == std::string::npos ? std::string() : pathAndMask.substr(0, slash + 1);
  std::string mask = slash == std::string::npos ? pathAndMask : pathAndMask.substr(slash + 1);
  if (mask.empty()) return results;
  // On error the partial list goes with the exception's unwinding.
  FileSearch(std::move(mask), attributeMask, *results).SearchFrom(folder);
  return results;
}

std::optional<std::string> ResolveFile(const std::string& folder, std::string_view relative) {
  std::string path = folder;
  bool any = false;
  // Both separators split: a disc's own files ("setup.txt") may be written
  // with backslashes.
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view part = relative.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    const std::optional<std::string> found = ResolveComponent(path, part);
    if (!found) return std::nullopt;
    path = JoinPath(path, *found);
    any = true;
  }
  if (!any) return std::nullopt;
  return path;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  while (!name.empty() && name.front() == kSeparator) name.remove_prefix(1);
  if (folder.empty()) return std::string(name);
  std::size_t keep = folder.size();
  while (keep > 1 && folder[keep - 1] == kSeparator) --keep;
  std::string joined(folder.substr(0, keep));
  if (joined.back() != kSeparator) joined.push_back(kSeparator);
  joined.append(name);
  return joined;
}

}  // namespace zolt::catalogue
