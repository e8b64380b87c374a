#pragma once
// The disc catalogue: the folder tree beside the program, read by fixed naming
// conventions. Paths are byte strings as the file system gives them, with
// native separators; display texts are made from them with DecodeDiscText.
// Nothing here uses Qt.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolt::catalogue {

// File attributes of the directory search, as the disc's conventions name them.
inline constexpr unsigned kAttrReadOnly = 0x01;
inline constexpr unsigned kAttrHidden = 0x02;
inline constexpr unsigned kAttrSystem = 0x04;
inline constexpr unsigned kAttrVolume = 0x08;
inline constexpr unsigned kAttrDirectory = 0x10;
inline constexpr unsigned kAttrArchive = 0x20;  // ordinary files

// The folder that holds the running program, with its trailing separator,
// computed afresh on every call.
std::string DiscRoot();

// Tests point the disc root elsewhere; an empty string restores the real one.
void SetDiscRootForTesting(std::string root);

// Appends to `names` (after emptying it) the display name of every catalogue
// folder directly in `folder` (which ends with a separator): folders, not
// hidden, whose first "_" is their last character, shown without it.
// Listing order: by name, byte by byte. An unreadable or missing folder gives
// an empty list.
void ElencaCartelle(const std::string& folder, std::vector<std::string>& names);

// Recursive file search. `pathAndMask` is a folder and a file-name mask
// ("/disc/Giochi_/Doom_/*.exe"); the mask is matched like Windows wildcards
// without regard to case. Matches of a folder come before those of its
// sub-folders, depth first. Throws std::system_error on a failure.
std::unique_ptr<std::vector<std::string>> CercaFile(const std::string& pathAndMask,
                                                    unsigned attributeMask);

// Finds `relative` (one name or several joined by "/") below `folder` without
// regard to letter case, as the disc's file system would: "BANNER.GIF",
// "home/Archivio.xls" in a folder "Home". Returns the path as it exists.
std::optional<std::string> ResolveFile(const std::string& folder, std::string_view relative);

// folder + separator + name, with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace zolt::catalogue
