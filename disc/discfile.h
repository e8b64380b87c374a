#pragma once
// The per-item files of the catalogue: their names, the program's size limit
// for each, the one classification of a file found on the disc and the one
// way every reader opens it. A disc is untrusted input: a name may be a
// folder, a pipe, a device or a dangling link, so nothing here opens a file
// that is not a regular one, and no open can block.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "disc/disctext.h"

namespace zolt::disc {

// Per-item files, as the catalogue spells them; on the disc they are found
// without regard to letter case (catalogue::ResolveFile).
inline constexpr std::string_view kDescriptionFile = "testo.txt";
inline constexpr std::string_view kPictureFile = "img.jpg";
inline constexpr std::string_view kBannerFile = "banner.gif";
inline constexpr std::string_view kBannerAddressFile = "banner.txt";
inline constexpr std::string_view kSetupFile = "setup.txt";
inline constexpr std::string_view kCopyListFile = "copia.txt";
inline constexpr std::string_view kHomePageFile = "scheda.htm";

// The Home folder at the root, and the archive workbook below the root.
inline constexpr std::string_view kHomeFolder = "Home";
inline constexpr std::string_view kArchivePath = "home/Archivio.xls";

// The disc's own runtime (libraries, plugins, fonts of the program) lives in
// this hidden folder at the root: never listed, never searched, never checked
// as catalogue.
inline constexpr std::string_view kRuntimeFolder = ".zolt";

// The names the disc's assembly puts at the root beside the catalogue: the
// program, what a desktop runs when the disc is inserted, the runtime folder,
// the volume's name for a desktop. A catalogue holding one of them, in any
// letter case, would lose it (or the disc would lose its own).
inline constexpr std::string_view kAssemblyRootNames[] = {"zolt", "autorun.sh", kRuntimeFolder, ".xdg-volume-info"};
bool IsAssemblyRootName(std::string_view name);

// The largest files the program reads whole; a larger one is treated as a
// file that cannot be read, so a damaged disc cannot exhaust memory.
inline constexpr std::uint64_t kMaxDescriptionBytes = 16u << 20;  // far beyond any description
inline constexpr std::uint64_t kMaxPictureBytes = 256u << 20;     // a very large JPEG
inline constexpr std::uint64_t kMaxBannerBytes = 32u << 20;       // a long animated banner
inline constexpr std::uint64_t kMaxAddressBytes = 64u << 10;      // a few web addresses
// "setup.txt" and "copia.txt" are read for their first line only, up to this length.
inline constexpr std::size_t kMaxLineBytes = 64u << 10;

// The limit for a per-item file by its catalogue name; 0 for files read in
// pieces or not by the program itself ("setup.txt", "copia.txt", "scheda.htm").
std::uint64_t SizeLimitFor(std::string_view catalogueName);

// What a name on the disc is, for a reader of it.
enum class FileState {
  kMissing,     // no entry of that name
  kNotRegular,  // a folder, a pipe, a device, a socket, or a link to nothing
  kUnreadable,  // a regular file that cannot be opened (permissions, I/O)
  kReadable,    // a regular file, opened and closed again
};

// A regular file of the disc, readable or not: a per-item file that counts
// as present (the page shows its part or empties it, the actions use it).
inline bool IsPresent(FileState state) { return state == FileState::kReadable || state == FileState::kUnreadable; }

// "mancante", "non è un file", "non leggibile", "leggibile": for messages.
const char* FileStateName(FileState state);

// The error that goes with kNotRegular for a file that really lies outside
// the folder it was opened within: a link out of the disc, ".." through a
// link. From the disc's side such a name leads nowhere.
inline constexpr int kOutsideError = EXDEV;
inline bool LeadsOutside(FileState state, int error) {
  return state == FileState::kNotRegular && error == kOutsideError;
}

// The `root` that admits every file of the machine, for the tools that read
// a file the user names (a workbook to dump) rather than a disc's.
inline constexpr const char* kAnyFolder = "/";

// An open descriptor of a regular file, closed with the object.
class DiscFile {
 public:
  DiscFile() = default;
  DiscFile(DiscFile&& other) noexcept;
  DiscFile& operator=(DiscFile&& other) noexcept;
  DiscFile(const DiscFile&) = delete;
  DiscFile& operator=(const DiscFile&) = delete;
  ~DiscFile();

  explicit operator bool() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  FileState state() const { return state_; }
  int error() const { return error_; }           // errno of the failure, 0 when open
  std::uint64_t size() const { return size_; }  // at the time of the open
  // What fstat said of the open descriptor (mode, times); zeros when not open.
  const struct stat& info() const { return info_; }
  // Hands the descriptor over; the object no longer closes it.
  int Release();

 private:
  friend DiscFile OpenDiscFile(const std::string& path, const std::string& root);
  int fd_ = -1;
  FileState state_ = FileState::kMissing;
  int error_ = 0;
  std::uint64_t size_ = 0;
  struct stat info_ {};
};

// The one open of a disc file: stat the name (a regular file or nothing),
// open it without blocking and without becoming a terminal, then check that
// the descriptor is the same regular file that was looked at (device and
// inode), so a name swapped for a pipe in between is refused too.
// The file must really lie within the folder `root` (the disc root, or an
// item folder) once links and ".." are resolved; one that lies elsewhere is
// refused as kNotRegular with kOutsideError. A path written below `root`
// is walked from `root` by the kernel, which refuses any way out in the same
// call; only a link written as an absolute path (or a kernel without that
// walk) costs a look at where the descriptor really leads.
DiscFile OpenDiscFile(const std::string& path, const std::string& root);

// The classification alone: opens and closes.
FileState ClassifyFile(const std::string& path, const std::string& root, int* error = nullptr);

// A whole file read through OpenDiscFile. `error` is EFBIG when the file is
// larger than `limit`, which is checked before anything is read.
struct ReadResult {
  FileState state = FileState::kMissing;
  int error = 0;
  std::string bytes;
  bool ok() const { return state == FileState::kReadable && error == 0; }
  bool tooLarge() const;
};
ReadResult ReadDiscFile(const std::string& path, const std::string& root, std::uint64_t limit);

// Reads up to `size` bytes at the descriptor's position, retrying short
// reads and interruptions. Returns the count read (less only at the end of
// the file), or -1 with errno set.
long ReadFully(int fd, char* buffer, std::size_t size);

// A per-item file of an item folder, found without regard to case, and what
// it is. `path` is empty when the file is missing.
struct ItemFile {
  std::string path;
  FileState state = FileState::kMissing;
  int error = 0;
  bool exists() const { return state != FileState::kMissing; }
  bool readable() const { return state == FileState::kReadable; }
  bool outside() const { return LeadsOutside(state, error); }
};
// `root` as for OpenDiscFile.
ItemFile FindItemFile(const std::string& itemFolder, std::string_view name, const std::string& root);


// The first line of a text file, taken whole: it ends at CR LF, a lone CR or
// a lone LF; a leading UTF-8 byte-order mark is dropped; a file with no line
// gives "". Nothing when the file cannot be read or is not a regular file;
// it is opened as every disc file is (below `root`), so a pipe of that name
// never blocks.
std::optional<std::string> ReadFirstLine(const std::string& path, const std::string& root);

// realpath(3): the path with ".", ".." and every link resolved, or nothing
// when some part of it does not exist or cannot be searched.
std::optional<std::string> RealPath(const std::string& path);

// True when `path` is a folder, links followed.
bool IsFolder(const std::string& path);

}  // namespace zolt::disc
