#include "disc/readahead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <set>
#include <thread>

#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/start_order.h"

namespace zolt::disc {

namespace {

bool InRuntimeFolder(std::string_view path) {
  const std::string folder(kRuntimeFolder);
  return zolt_order_in_folder(path.data(), path.size(), folder.c_str()) != 0;
}

}  // namespace

std::vector<ReadAheadFile> ReadAheadList(std::string_view orderText) {
  std::vector<ReadAheadFile> files;
  std::set<std::string> seen;
  std::vector<zolt_order_piece> pieces(ZOLT_ORDER_MAX_PIECES);
  std::size_t start = 0;
  while (start < orderText.size()) {
    std::size_t end = orderText.find('\n', start);
    if (end == std::string_view::npos) end = orderText.size();
    const std::string_view line = orderText.substr(start, end - start);
    start = end + 1;
    std::size_t pathLength = 0, count = 0;
    switch (zolt_order_line(line.data(), line.size(), &pathLength, pieces.data(), &count)) {
      case ZOLT_ORDER_PAINTED_MARK:  // only what comes after the paint
        files.clear();
        seen.clear();
        break;
      case ZOLT_ORDER_FILE: {
        const std::string_view path = line.substr(0, pathLength);
        if (!InRuntimeFolder(path) || !seen.emplace(path).second) break;
        ReadAheadFile file{std::string(path), {}};
        for (std::size_t i = 0; i < count; ++i) file.pieces.emplace_back(pieces[i].offset, pieces[i].length);
        files.push_back(std::move(file));
        break;
      }
      case ZOLT_ORDER_SKIP:
        break;
    }
  }
  return files;
}

std::uint64_t ReadAhead(const std::string& discRoot, const std::vector<ReadAheadFile>& files,
                        std::uint64_t budget) {
  const std::string runtime = catalogue::JoinPath(discRoot, kRuntimeFolder);
  constexpr std::size_t kPiece = 256u << 10;
  std::vector<char> buffer(kPiece);  // the bytes land in the page cache; this copy is dropped
  std::uint64_t asked = 0;
  for (const ReadAheadFile& entry : files) {
    if (asked >= budget) break;
    if (!InRuntimeFolder(entry.path)) continue;
    const DiscFile file = OpenDiscFile(catalogue::JoinPath(discRoot, entry.path), runtime);
    if (!file || file.size() == 0) continue;
    // Just the pieces: the kernel's own read-ahead would read on past each.
    if (!entry.pieces.empty()) ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_RANDOM);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces = entry.pieces;
    if (pieces.empty()) pieces.emplace_back(0, file.size());
    for (const auto& [first, length] : pieces) {
      if (first >= file.size() || asked >= budget) continue;
      const std::uint64_t end = first + std::min({length, file.size() - first, budget - asked});
      // Read in pieces and waited for, not handed to the kernel all at once:
      // the drive serves one read at a time, and a page the program itself
      // wants meanwhile waits behind one piece, not behind the whole pass.
      std::uint64_t offset = first;
      while (offset < end) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, end - offset));
        const ssize_t got = ::pread(file.fd(), buffer.data(), piece, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        offset += static_cast<std::uint64_t>(got);
      }
      asked += end - first;
    }
  }
  return asked;
}

std::shared_ptr<const std::atomic<bool>> StartReadAhead(const std::string& discRoot) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  // The order file too is read on the helper thread: on a drive even its
  // one read costs an access the window need not wait for.
  std::thread([discRoot, done] {
    const std::string runtime = catalogue::JoinPath(discRoot, kRuntimeFolder);
    const ReadResult order =
        ReadDiscFile(catalogue::JoinPath(runtime, kStartOrderFile), runtime, kMaxStartOrderBytes);
    if (order.ok()) ReadAhead(discRoot, ReadAheadList(order.bytes));
    done->store(true);
  }).detach();
  return done;
}

}  // namespace zolt::disc
