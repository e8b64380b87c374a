#include "disc/readahead.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <set>
#include <thread>

#include "disc/catalogue.h"
#include "disc/discfile.h"

namespace zolt::disc {

namespace {

// A path relative to the disc root that names a file inside the runtime
// folder, with no way up or sideways.
bool InRuntimeFolder(std::string_view path) {
  if (!path.starts_with(kRuntimeFolder) || path.size() <= kRuntimeFolder.size() + 1 ||
      path[kRuntimeFolder.size()] != '/')
    return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::vector<std::string> ReadAheadList(std::string_view orderText) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < orderText.size()) {
    std::size_t end = orderText.find('\n', start);
    if (end == std::string_view::npos) end = orderText.size();
    std::string_view line = orderText.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    start = end + 1;
    if (line == kPaintedMark) {
      lines.clear();  // only what comes after the paint
      continue;
    }
    if (line.empty() || line.front() == '#') continue;
    lines.emplace_back(line);
  }
  std::vector<std::string> paths;
  std::set<std::string> seen;
  for (std::string& line : lines) {
    if (InRuntimeFolder(line) && seen.insert(line).second) paths.push_back(std::move(line));
  }
  return paths;
}

std::uint64_t ReadAhead(const std::string& discRoot, const std::vector<std::string>& paths,
                        std::uint64_t budget) {
  const std::string runtime = catalogue::JoinPath(discRoot, kRuntimeFolder);
  constexpr std::size_t kPiece = 256u << 10;
  std::vector<char> buffer(kPiece);  // the bytes land in the page cache; this copy is dropped
  std::uint64_t asked = 0;
  for (const std::string& path : paths) {
    if (asked >= budget) break;
    if (!InRuntimeFolder(path)) continue;
    const DiscFile file = OpenDiscFile(catalogue::JoinPath(discRoot, path), runtime);
    if (!file || file.size() == 0) continue;
    const std::uint64_t length = std::min(file.size(), budget - asked);
    // Read in pieces and waited for, not handed to the kernel all at once:
    // the drive serves one read at a time, and a page the program itself
    // wants meanwhile waits behind one piece, not behind the whole pass.
    std::uint64_t offset = 0;
    while (offset < length) {
      const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - offset));
      const ssize_t got = ::pread(file.fd(), buffer.data(), piece, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      offset += static_cast<std::uint64_t>(got);
    }
    asked += length;
  }
  return asked;
}

void StartReadAhead(const std::string& discRoot) {
  // The order file too is read on the helper thread: on a drive even its
  // one read costs an access the window need not wait for.
  std::thread([discRoot] {
    const std::string runtime = catalogue::JoinPath(discRoot, kRuntimeFolder);
    const ReadResult order =
        ReadDiscFile(catalogue::JoinPath(runtime, kStartOrderFile), runtime, kMaxStartOrderBytes);
    if (order.ok()) ReadAhead(discRoot, ReadAheadList(order.bytes));
  }).detach();
}

}  // namespace zolt::disc
