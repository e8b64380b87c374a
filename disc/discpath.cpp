#include "disc/discpath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/disctext.h"

#include <cstdint>
#include <cstring>

#include <unistd.h>

namespace zolt::disc {

namespace {


// The existing leading part resolved, the missing rest appended and
// normalised by the letter.
std::string Resolve(const std::string& path) {
  if (auto real = RealPath(path)) return *real;
  std::string head = path;
  std::string tail;
  while (!head.empty()) {
    const std::size_t slash = head.find_last_of('/');
    if (slash == std::string::npos) break;
    tail = head.substr(slash) + tail;
    head.erase(slash);
    if (head.empty()) return LexicalPath(tail);
    if (auto real = RealPath(head)) return LexicalPath(*real + tail);
  }
  return LexicalPath(path);
}

}  // namespace

std::optional<std::string> PathInside(const std::string& root, const std::string& path) {
  if (root.empty() || path.empty() || path.front() != '/') return std::nullopt;
  const std::string base = Resolve(root);
  const std::string resolved = Resolve(path);
  if (resolved == base) return resolved;
  const std::string prefix = base == "/" ? base : base + "/";
  if (resolved.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return resolved;
}

bool ItemHasFile(const std::string& itemFolder, std::string_view name, const std::string& root) {
  return IsPresent(FindItemFile(itemFolder, name, root).state);
}

bool ItemHasDescription(const std::string& itemFolder, const std::string& root) {
  return ItemHasFile(itemFolder, kDescriptionFile, root);
}

std::optional<std::string> ResolveDiscLine(const std::string& folder, const std::string& line) {
  if (auto found = catalogue::ResolveFile(folder, line)) return found;
  if (!IsValidUtf8(line)) return catalogue::ResolveFile(folder, DecodeDiscName(line));
  return std::nullopt;
}

ProgramFile InspectProgram(const std::string& path, const std::string& root) {
  // Only the first bytes are looked at, to name the kind of program a
  // target is; whether it may be started at all is its caller's rule.
  ProgramFile program;
  const DiscFile file = OpenDiscFile(path, root);
  if (!file) return program;
  program.kind = ProgramKind::kOther;
  program.mode = static_cast<unsigned>(file.info().st_mode) & 07777u;
  unsigned char head[64];
  const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, file.size()));
  if (want < 2 || ::pread(file.fd(), head, want, 0) != static_cast<ssize_t>(want)) return program;
  if (head[0] == '#' && head[1] == '!') {
    program.kind = ProgramKind::kScript;
  } else if (want >= 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) {
    program.kind = ProgramKind::kElf;
  } else if (want == sizeof head && head[0] == 'M' && head[1] == 'Z') {
    const std::uint32_t offset = std::uint32_t{head[0x3c]} | (std::uint32_t{head[0x3d]} << 8) |
                                 (std::uint32_t{head[0x3e]} << 16) | (std::uint32_t{head[0x3f]} << 24);
    char signature[4];
    if (std::uint64_t{offset} + 4 <= file.size() &&
        ::pread(file.fd(), signature, sizeof signature, offset) == static_cast<ssize_t>(sizeof signature) &&
        std::memcmp(signature, "PE\0\0", 4) == 0) {
      program.kind = ProgramKind::kWindows;
    }
  }
  return program;
}

bool HasWindowsProgramSignature(const std::string& path) {
  return InspectProgram(path, kAnyFolder).kind == ProgramKind::kWindows;
}

bool IsSafeRelativePath(std::string_view relative) {
  if (relative.empty() || relative.find('\0') != std::string_view::npos) return false;
  if (relative.front() == '/' || relative.front() == '\\') return false;
  if (relative.size() >= 2 && relative[1] == ':') return false;  // "C:" and the like
  return ForEachPathPart(relative, [](std::string_view part) { return part != ".."; });
}

std::string LexicalPath(const std::string& path) {
  std::vector<std::string_view> parts;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string joined;
  for (const std::string_view part : parts) {
    joined += '/';
    joined += part;
  }
  return joined.empty() ? std::string("/") : joined;
}

}  // namespace zolt::disc
