#pragma once
// What the catalogue shows of a disc: which sections get a tab, which
// folders count as the catalogue's own, and the group rule of the tree.
// Shared by the main window and by the disc author's check, so the two
// cannot disagree. No Qt.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolt::catalogue {

// The header has twelve tabs: six in each of two rows.
inline constexpr std::size_t kTabCount = 12;
inline constexpr std::size_t kTabsPerRow = 6;
// A section named disc::kHomeFolder takes its place among the twelve but gets no tab.

// The sections that get a tab, in tab order: of the first twelve listed
// display names, all but "Home" (exact spelling).
std::vector<std::string> TabbedSections(const std::vector<std::string>& listed);

// The name of `sortedNames` (a folder's entries in byte order) that `name`
// resolves to, by the rule of ResolveFile: the exact spelling, else the first
// that differs from it in ASCII letter case only. For a caller that has the
// listing already and looks up several names in it.
std::optional<std::string> ResolveInListing(const std::vector<std::string>& sortedNames, std::string_view name);

// The folder holds a file that makes an item page: "testo.txt", "img.jpg" or
// "banner.gif" (found without regard to case, whatever the file is).
bool HoldsPageFiles(const std::string& folder);

// The folder holds any of the per-item files, "setup.txt", "copia.txt" and
// "banner.txt" included.
bool HoldsItemFiles(const std::string& folder);

// A folder the catalogue would treat as its own if it were listed: it would
// make a page, or it holds catalogue-named folders. An item's payload
// folders ("bin", "Installa", data) are not catalogue folders.
bool IsCatalogueFolder(const std::string& folder);

// A first-level entry without a description acts as a group: a click opens
// its first sub-entry.
bool IsGroupEntry(const std::string& entryFolder);
// The same rule on the entry folder's listing (its names in byte order).
bool IsGroupEntry(const std::vector<std::string>& sortedNames);

}  // namespace zolt::catalogue
