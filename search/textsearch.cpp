#include "search/textsearch.h"

#include "disc/catalogue.h"

#include "disc/discfile.h"
#include "disc/disctext.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

namespace zolt::search {

namespace catalogue = zolt::catalogue;

namespace {

constexpr char kSeparator = '/';
constexpr std::string_view kDescription = disc::kDescriptionFile;
// Read size: every ordinary description fits in one read; longer ones are
// scanned piece by piece, so memory stays bounded whatever the file's size.
constexpr std::size_t kReadSize = 256 * 1024;

struct DirCloser {
  void operator()(DIR* dir) const noexcept { closedir(dir); }
};

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kSeparator) folder.push_back(kSeparator);
  return folder;
}

// The description's name as spelled in `folder` when it is not the usual
// lower-case one ("TESTO.TXT", "Testo.txt"); of several spellings, the first by name.
std::optional<std::string> OtherSpelling(const std::string& folder) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name != kDescription && disc::EqualsIgnoringCase(name, kDescription) && (!found || name < *found))
      found = std::string(name);
  }
  return found;
}

}  // namespace

std::string DisplayName(std::string_view level, bool withoutUnderscores) {
  std::string text = disc::DecodeDiscName(level);
  if (withoutUnderscores) std::erase(text, '_');
  return text;
}

namespace {

// The sub-folders of `folder` by name, and whether it holds an entry named
// like the description in any letter case.
std::vector<std::string> ListFolder(const std::string& folder, bool* hasDescription) {
  return catalogue::ListSubfolders(WithSeparator(folder), kDescription, hasDescription);
}

struct Candidate {
  std::string folder;
  // Its listing showed no description: nothing to open. Level-3 folders are
  // never listed, so theirs is looked for when read.
  bool noDescription = false;
};

std::vector<Candidate> Candidates(const std::string& root) {
  const std::string base = WithSeparator(root);
  std::vector<std::string> level1 = ListFolder(base, nullptr);
  // The program's own runtime at the root is no part of the catalogue.
  std::erase(level1, std::string(disc::kRuntimeFolder));
  std::vector<Candidate> candidates;
  candidates.reserve(level1.size());
  for (const std::string& f : level1) candidates.push_back({f, false});
  for (std::size_t i = 0; i < level1.size(); ++i) {
    const std::string& f = level1[i];
    bool firstHas = false;
    const std::vector<std::string> level2 = ListFolder(base + f, &firstHas);
    candidates[i].noDescription = !firstHas;
    for (const std::string& s : level2) {
      // Only this exact spelling at this level: the Home folder of a section.
      if (s == disc::kHomeFolder) continue;
      std::string second = f + kSeparator + s;
      bool secondHas = false;
      const std::vector<std::string> level3 = ListFolder(base + second, &secondHas);
      candidates.push_back({second, !secondHas});
      for (const std::string& t : level3) candidates.push_back({second + kSeparator + t, false});
    }
  }
  return candidates;
}

}  // namespace

std::vector<std::string> ListSubfolders(const std::string& folder) { return ListFolder(folder, nullptr); }

std::vector<std::string> ListCandidates(const std::string& root) {
  std::vector<std::string> folders;
  for (Candidate& c : Candidates(root)) folders.push_back(std::move(c.folder));
  return folders;
}

DescriptionReader::DescriptionReader(std::string root) : root_(std::move(root)), buffer_(kReadSize) {}

disc::DiscFile DescriptionReader::Open(const std::string& folder, DescriptionResult& failure) {
  const std::string base = WithSeparator(folder);
  disc::DiscFile file = disc::OpenDiscFile(base + std::string(kDescription), root_);
  if (file.state() != disc::FileState::kReadable && file.state() != disc::FileState::kUnreadable &&
      file.error() == ENOENT) {
    if (const std::optional<std::string> other = OtherSpelling(base)) {
      file = disc::OpenDiscFile(base + *other, root_);
    } else {
      failure = DescriptionResult::kMissing;
      return file;
    }
  }
  if (!file) {
    // A folder of that name is no description, as on the disc's own system,
    // and a link that leads nowhere, or off the disc, is a missing file; a
    // pipe, a device, a loop of links or a file that cannot be opened is one
    // that cannot be read.
    const int error = file.error();
    const bool missing = file.state() == disc::FileState::kMissing ||
                         (file.state() == disc::FileState::kNotRegular &&
                          (error == EISDIR || error == ENOENT || error == ENOTDIR || error == disc::kOutsideError));
    failure = missing ? DescriptionResult::kMissing : DescriptionResult::kUnreadable;
  }
  return file;
}

long DescriptionReader::ReadPiece(const disc::DiscFile& file, std::uint64_t done, bool& last) {
  // Asking for one byte more than the size the open saw tells the end of an
  // ordinary description in a single read: a regular file reads short only
  // at its end.
  const std::size_t want =
      done < file.size() ? static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), file.size() - done + 1))
                         : buffer_.size();
  ssize_t n;
  do {
    n = read(file.fd(), buffer_.data(), want);
  } while (n < 0 && errno == EINTR);
  last = n >= 0 && static_cast<std::size_t>(n) < want;
  return static_cast<long>(n);
}

DescriptionResult DescriptionReader::Match(const std::string& folder, const TextMatcher& matcher) {
  DescriptionResult result = DescriptionResult::kNoMatch;
  const disc::DiscFile file = Open(folder, result);
  if (!file) return result;
  // The page shows no description over the limit: the search reads none either.
  if (file.size() > disc::kMaxDescriptionBytes) return DescriptionResult::kUnreadable;
  LineScanner scanner(matcher);
  std::uint64_t done = 0;
  bool matched = false;
  for (;;) {
    bool last = false;
    const long n = ReadPiece(file, done, last);
    if (n < 0) return DescriptionResult::kUnreadable;
    done += static_cast<std::uint64_t>(n);
    // Counted on the bytes read, not on the size the open saw: a file of
    // the kernel's may say 0 and read for ever.
    if (done > disc::kMaxDescriptionBytes) return DescriptionResult::kUnreadable;
    if (!matched && n > 0 && scanner.Feed(std::string_view(buffer_.data(), static_cast<std::size_t>(n)))) {
      // Within the size the open saw, the file is what it said: done. Past
      // it, only its end within the limit makes it one the page would show.
      if (done <= file.size()) return DescriptionResult::kMatch;
      matched = true;
    }
    if (last) return matched || scanner.Finish() ? DescriptionResult::kMatch : DescriptionResult::kNoMatch;
  }
}

FoundDescriptions FindDescriptions(const std::string& root, const TextMatcher& matcher) {
  FoundDescriptions result;
  std::vector<Candidate> candidates = Candidates(root);
  result.candidates.reserve(candidates.size());
  for (const Candidate& c : candidates) result.candidates.push_back(c.folder);
  if (matcher.MatchesNothing()) return result;
  const std::string base = WithSeparator(root);
  DescriptionReader reader(root);
  for (const Candidate& candidate : candidates) {
    if (candidate.noDescription) continue;
    switch (reader.Match(base + candidate.folder, matcher)) {
      case DescriptionResult::kMatch:
        result.hits.push_back(candidate.folder);
        break;
      case DescriptionResult::kUnreadable:
        ++result.unreadable;
        break;
      case DescriptionResult::kMissing:
      case DescriptionResult::kNoMatch:
        break;
    }
  }
  return result;
}

}  // namespace zolt::search
