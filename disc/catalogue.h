#pragma once
// The disc catalogue: the folder tree beside the program, read by fixed naming
// conventions. Paths are byte strings as the file system gives them, with
// native separators; display texts are made from them with DecodeDiscText.
// Nothing here uses Qt.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace zolt::catalogue {

// File attributes of the directory search, as the disc's conventions name them.
inline constexpr unsigned kAttrHidden = 0x02;
inline constexpr unsigned kAttrDirectory = 0x10;
inline constexpr unsigned kAttrArchive = 0x20;  // ordinary files

// What a folder entry is, links followed; a link to nothing, a pipe, a
// socket or a device is kOther.
enum class EntryKind { kFile, kFolder, kOther };

// Identity of a folder (device, inode), to notice one reached a second time
// through a link.
using FolderId = std::pair<dev_t, ino_t>;

struct FolderEntry {
  std::string name;
  EntryKind kind = EntryKind::kOther;
  FolderId id{};  // a folder's identity; nothing for other kinds
};

// The sub-folders of `folder` (ending with "/"), links followed, by name
// byte by byte; `*holdsName`, when asked for, becomes true when an entry is
// named `name` in any letter case. A folder that cannot be listed gives none,
// and `*holdsName` true: not known, whoever opens the file will see.
std::vector<std::string> ListSubfolders(const std::string& folder, std::string_view name = {},
                                        bool* holdsName = nullptr);

// Every entry of `folder` ("" is the current folder) except "." and "..",
// sorted by name byte by byte. Returns 0, or the errno of the failure with no
// entries; `id` receives the folder's own identity when asked for.
int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, FolderId* id = nullptr);

// The folder that holds the running program, with its trailing separator,
// computed afresh on every call; or the root set below.
std::string DiscRoot();

// The disc root as the disc's launcher names it (the program itself then runs
// from the runtime folder, possibly through a loader): set once at start-up.
void SetDiscRoot(std::string root);

// Tests point the disc root elsewhere; an empty string restores the real one.
void SetDiscRootForTesting(std::string root);

// Appends to `names` (after emptying it) the display name of every catalogue
// folder directly in `folder` (which ends with a separator): folders, not
// hidden, whose first "_" is their last character, shown without it.
// Listing order: by folder name, byte by byte. An unreadable or missing folder gives
// an empty list.
void ElencaCartelle(const std::string& folder, std::vector<std::string>& names);

// Recursive file search. `pathAndMask` is a folder and a file-name mask
// ("/disc/Giochi_/Labirinto_/*.exe"); the mask is matched like Windows wildcards
// without regard to ASCII case ("x.*" also matches "x"). Entries pass the
// attribute mask unless they are hidden or folders the mask does not admit;
// special files and dangling links never match. Matches of a folder come
// before those of its sub-folders, depth first, each folder in byte order of
// names; a folder reached again through a link is not searched again.
// A missing starting folder gives an empty list; a starting folder that
// cannot be read throws std::system_error (the list is disposed of);
// sub-folders that cannot be read are left out and the search goes on.
std::unique_ptr<std::vector<std::string>> CercaFile(const std::string& pathAndMask,
                                                    unsigned attributeMask);

// Finds `relative` (one name or several joined by "/" or "\\") below `folder`
// without regard to letter case, as the disc's file system would:
// "BANNER.GIF", "home/Archivio.xls" in a folder "Home". The exact spelling
// wins where several exist, else the first in byte order. Returns the path
// as it exists, or nothing.
std::optional<std::string> ResolveFile(const std::string& folder, std::string_view relative);

// folder + separator + name, with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace zolt::catalogue
