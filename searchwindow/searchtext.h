#pragma once
// The search core's answers in the window's terms: the typed word as a
// QString, the hit rows with their "Sezione" and "Cartella" texts.

#include <QByteArray>
#include <QChar>
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/archive.h"
#include "search/textmatch.h"
#include "search/textsearch.h"

namespace zolt::search {

// Upper-cases "a" to "z" only; every other character is left as it is.
inline QString MaiuscoleAscii(const QString& text) {
  QString upper = text;
  for (QChar& c : upper) {
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z') c = QChar(static_cast<char16_t>(u - (u'a' - u'A')));
  }
  return upper;
}

// True when the text holds half of a surrogate pair: no text on disc can hold it.
inline bool HasBrokenSurrogate(const QString& text) {
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate()) {
      if (i + 1 >= n || !text.at(i + 1).isLowSurrogate()) return true;
      ++i;
    } else if (c.isLowSurrogate()) {
      return true;
    }
  }
  return false;
}

// The matcher for a word typed in the window.
inline TextMatcher MatcherFor(const QString& word) {
  if (HasBrokenSurrogate(word)) return TextMatcher(std::string_view());
  const QByteArray utf8 = word.toUtf8();
  return TextMatcher(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

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

inline SearchHit MakeHit(const std::string& relativeFolder) {
  SearchHit hit;
  hit.folder = relativeFolder;
  const std::string_view rel = relativeFolder;
  auto level = [](std::string_view name) { return QString::fromStdString(DisplayName(name, true)); };
  std::size_t slash = rel.find('/');
  hit.section = level(rel.substr(0, slash));
  bool firstLevel = true;
  while (slash != std::string_view::npos) {
    const std::size_t start = slash + 1;
    slash = rel.find('/', start);
    if (!firstLevel) hit.subfolder += QChar(u'\\');
    firstLevel = false;
    hit.subfolder += level(rel.substr(start, slash == std::string_view::npos ? slash : slash - start));
  }
  return hit;
}

struct TextSearchResult {
  std::vector<std::string> candidates;  // the candidate list, in search order
  std::vector<SearchHit> hits;          // in candidate order
  std::size_t unreadable = 0;           // descriptions that exist but could not be read
};

// Searches every candidate's description below `root` for `word`. A
// description that cannot be read is passed over and the search goes on.
inline TextSearchResult SearchDescriptions(const std::string& root, const QString& word) {
  FoundDescriptions found = FindDescriptions(root, MatcherFor(word));
  TextSearchResult result;
  result.candidates = std::move(found.candidates);
  result.hits.reserve(found.hits.size());
  for (const std::string& folder : found.hits) result.hits.push_back(MakeHit(folder));
  result.unreadable = found.unreadable;
  return result;
}

inline ArchiveResult SearchArchive(TMSExcel& reader, const std::string& root, const QString& word) {
  return SearchArchive(reader, root, MatcherFor(word));
}

}  // namespace zolt::search
