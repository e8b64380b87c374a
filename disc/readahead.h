#pragma once
// Reading the disc ahead of the program: once the main window is painted,
// the files the rest of the start-up will want (the web engine for the Home
// page) are moved into the page cache in one pass, in the order a recorded
// start-up first opened them, which is also their order on the image. A
// drive then reads on from one file into the next instead of seeking to each
// page the program touches. Only bytes move: nothing is parsed, nothing the
// program does waits for it, and a missing or damaged order file just means
// no reading ahead.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zolt::disc {

// The order file in the runtime folder, written when the image is made (its
// lines: disc/start_order.h).
inline constexpr std::string_view kStartOrderFile = "start-order.txt";

// Bounds on what a disc can make the program read ahead: the order file's
// size, and the bytes read ahead in all (the web engine and its data fit).
inline constexpr std::uint64_t kMaxStartOrderBytes = 256u << 10;
inline constexpr std::uint64_t kMaxReadAheadBytes = 384u << 20;

// A file to read ahead, relative to the disc root, and the pieces of it the
// start-up read (offset, length in bytes; none: the whole file).
struct ReadAheadFile {
  std::string path;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces;
  bool operator==(const ReadAheadFile&) const = default;
};

// The files to read ahead, in order, from an order file's text: those after
// the painted mark (all of them without one), inside the runtime folder,
// without "." or ".." components, each once (its first line).
std::vector<ReadAheadFile> ReadAheadList(std::string_view orderText);

// Reads the listed files (relative to `discRoot`), or their pieces, into the
// page cache, one after the other, as far as `budget` bytes in all allow;
// names that are not regular files within the runtime folder are passed
// over. Returns the bytes it went through. Blocks: call it from a thread of
// its own.
std::uint64_t ReadAhead(const std::string& discRoot, const std::vector<ReadAheadFile>& files,
                        std::uint64_t budget = kMaxReadAheadBytes);

// On a detached helper thread, reads the runtime folder's order file and
// reads ahead what it lists; returns at once, with a flag the thread sets
// when it is through. Where the disc has no order file the thread finds
// nothing to do.
std::shared_ptr<const std::atomic<bool>> StartReadAhead(const std::string& discRoot);

}  // namespace zolt::disc
