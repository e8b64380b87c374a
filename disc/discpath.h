#pragma once
// Where a path written on the disc really leads, and which per-item files
// count as present. No Qt.

#include <optional>
#include <string>
#include <string_view>

namespace zolt::disc {

// `path` with "." and ".." taken away and every link resolved, when it lies
// inside `root` (itself resolved the same way) or is `root` itself; nothing
// when it leads outside. A path that does not exist is judged by its
// existing part resolved and the rest taken literally, so a missing file on
// the disc is still "inside" and a missing file elsewhere is not.
std::optional<std::string> PathInside(const std::string& root, const std::string& path);

// True when the per-item file `name` of `itemFolder` is a regular file of
// the disc below `root`, readable or not. Folders, pipes, devices, links to
// nothing and links out of the disc of that name do not count: the item
// behaves as if the file were absent.
bool ItemHasFile(const std::string& itemFolder, std::string_view name, const std::string& root);

// True when the item has a description ("testo.txt" as a regular file): an
// entry without one is a group.
bool ItemHasDescription(const std::string& itemFolder, const std::string& root);

// The file a line of "setup.txt" or "copia.txt" names ("bin\\Setup.EXE"),
// found below `folder` without regard to case. A line in Windows-1252 that
// matches nothing as it stands is tried again in UTF-8, the way this system
// names files. Nothing when neither spelling exists.
std::optional<std::string> ResolveDiscLine(const std::string& folder, const std::string& line);

// True when `path` is a regular file that starts as a Windows program does:
// "MZ", and "PE\0\0" at the offset its header gives.
bool HasWindowsProgramSignature(const std::string& path);

// What kind of program a regular file is, by its first bytes: a Windows
// program (as above), an ELF file, a script ("#!"), or anything else.
enum class ProgramKind { kNotAFile, kOther, kWindows, kElf, kScript };
struct ProgramFile {
  ProgramKind kind = ProgramKind::kNotAFile;
  unsigned mode = 0;  // the file's permission bits, setuid and setgid included
};
// Opens the file once within `root` (see OpenDiscFile) and reads its head.
ProgramFile InspectProgram(const std::string& path, const std::string& root);

// Calls `visit` with each part of `path` between "/" or "\" separators,
// empty parts included, until it returns false; whether it never did.
template <class Visit>
bool ForEachPathPart(std::string_view path, Visit visit) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    if (!visit(path.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

// True when `relative` (either separator) stays inside the folder it is taken
// from: not empty, not absolute, no drive letter, no ".." part, no NUL.
bool IsSafeRelativePath(std::string_view relative);

// `path` with "." and ".." taken away by the letter, the way the kernel
// walks a path whose parts do not exist: "/" first, "/" between levels.
std::string LexicalPath(const std::string& path);

}  // namespace zolt::disc
