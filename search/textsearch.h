#pragma once
// The full-text search of the item descriptions: every folder of the disc
// down to three levels is a candidate, and each candidate whose "testo.txt"
// holds the word on one of its lines becomes a hit.
//
// Candidate order: all level-1 folders first, then, per level-1 folder, each
// level-2 folder followed directly by its level-3 folders. A level-2 folder
// named exactly "Home" is skipped with everything below it, and so is the
// disc's hidden runtime folder at the root. Folders are listed by name, byte
// by byte, like the catalogue's own listings.
//
// Qt-free; the hit rows for the window (QString) are made beside it
// (searchwindow/searchtext.h).

#include "disc/discfile.h"
#include "search/textmatch.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zolt::search {

// The sub-folders of `folder`, by name; a folder that cannot be listed gives
// none. Links to folders count as folders.
std::vector<std::string> ListSubfolders(const std::string& folder);

// Every folder the search looks into, relative to `root`, in search order.
std::vector<std::string> ListCandidates(const std::string& root);

// What reading one folder's description gave.
enum class DescriptionResult { kMissing, kUnreadable, kNoMatch, kMatch };

// Reads descriptions with one reusable buffer. "testo.txt" is found without
// regard to letter case; only regular files of the disc below `root` are
// read (a folder, a pipe or a device of that name is never opened for
// reading, and a link out of the disc counts as a missing file).
class DescriptionReader {
 public:
  explicit DescriptionReader(std::string root);
  DescriptionResult Match(const std::string& folder, const TextMatcher& matcher);

 private:
  disc::DiscFile Open(const std::string& folder, DescriptionResult& failure);
  // Reads the next piece; a piece shorter than asked for is the file's last.
  long ReadPiece(const disc::DiscFile& file, std::uint64_t done, bool& last);

  std::string root_;
  std::vector<char> buffer_;
};

// What one search of the descriptions found.
struct FoundDescriptions {
  std::vector<std::string> candidates;  // the candidate list, in search order
  std::vector<std::string> hits;        // the hits' folders relative to the root, in candidate order
  std::size_t unreadable = 0;           // descriptions that exist but could not be read
};

// Searches every candidate's description below `root`. A description that
// cannot be read is passed over and the search goes on.
FoundDescriptions FindDescriptions(const std::string& root, const TextMatcher& matcher);

// One level of a hit's folder as the program shows it: decoded (UTF-8, else
// Windows-1252), every "_" removed when `withoutUnderscores`.
std::string DisplayName(std::string_view level, bool withoutUnderscores);

}  // namespace zolt::search
