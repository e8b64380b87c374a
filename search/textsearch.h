#pragma once
// The full-text search of the item descriptions: every folder of the disc
// down to three levels is a candidate, and each candidate whose "testo.txt"
// holds the word on one of its lines becomes a hit.
//
// Candidate order: all level-1 folders first, then, per level-1 folder, each
// level-2 folder followed directly by its level-3 folders. A level-2 folder
// named exactly "Home" is skipped with everything below it. Folders are
// listed by name, byte by byte, like the catalogue's own listings.

#include "search/textmatch.h"

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

namespace zolt::search {

// One row of the hit list.
struct SearchHit {
  // The hit's folder relative to the disc root, exactly as on disc (with its
  // "_" characters), levels joined by "/": what navigation appends to the root.
  std::string folder;
  // "Sezione": the first level without any "_".
  QString section;
  // "Cartella": the other levels without any "_", joined by "\"; empty for a
  // top-level folder.
  QString subfolder;
};

// The row shown for a folder relative to the disc root.
SearchHit MakeHit(const std::string& relativeFolder);

// The sub-folders of `folder`, by name; a folder that cannot be listed gives
// none. Links to folders count as folders.
std::vector<std::string> ListSubfolders(const std::string& folder);

// Every folder the search looks into, relative to `root`, in search order.
std::vector<std::string> ListCandidates(const std::string& root);

// What reading one folder's description gave.
enum class DescriptionResult { kMissing, kUnreadable, kNoMatch, kMatch };

// Reads descriptions with one reusable buffer. "testo.txt" is found without
// regard to letter case; only regular files are read (a folder, a pipe or a
// device of that name is never opened for reading).
class DescriptionReader {
 public:
  DescriptionReader();
  DescriptionResult Match(const std::string& folder, const TextMatcher& matcher);
  // Reads the description and nothing else (the floor the benchmark compares with).
  DescriptionResult ReadOnly(const std::string& folder, std::size_t* bytes);

 private:
  int Open(const std::string& folder, DescriptionResult& failure);

  std::vector<char> buffer_;
};

struct TextSearchResult {
  std::vector<std::string> candidates;  // the candidate list, in search order
  std::vector<SearchHit> hits;          // in candidate order
  std::size_t unreadable = 0;           // descriptions that exist but could not be read
};

// Searches every candidate's description below `root` for `word`. A
// description that cannot be read is passed over and the search goes on.
TextSearchResult SearchDescriptions(const std::string& root, const QString& word);

}  // namespace zolt::search
