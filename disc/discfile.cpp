#include "disc/discfile.h"

#include "disc/catalogue.h"
#include "disc/disctext.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zolt::disc {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// False once the kernel said it has no openat2 (before Linux 5.6).
std::atomic<bool> beneathWalks{true};

// The folder the last open was confined to, held open so that the kernel
// walks only the part of each path below it. One per thread: the check
// reads from two.
struct Boundary {
  std::string given;  // the root as the caller wrote it, without trailing separators
  int fd = -1;        // an O_PATH descriptor of it, -1 when it cannot be opened
  std::string real;   // its real path, looked up the first time it is needed
  Boundary() = default;
  Boundary(const Boundary&) = delete;
  Boundary& operator=(const Boundary&) = delete;
  ~Boundary() {
    if (fd >= 0) ::close(fd);
  }
  void Reset(std::string root) {
    if (fd >= 0) ::close(fd);
    given = std::move(root);
    fd = ::open(given.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    real.clear();
  }
};

Boundary& BoundaryOf(const std::string& root, bool fresh) {
  thread_local Boundary boundary;
  if (fresh || boundary.given != root) boundary.Reset(root);
  return boundary;
}

std::string WithoutTrailingSeparators(std::string root) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root.empty() ? std::string(".") : root;
}

// The part of `path` below `root`, when `path` is written as `root` + "/" + more.
std::optional<std::string> Below(const std::string& path, const std::string& root) {
  if (path.compare(0, root.size(), root) != 0 || path.size() <= root.size() || path[root.size()] != '/') {
    return std::nullopt;
  }
  std::size_t start = root.size();
  while (start < path.size() && path[start] == '/') ++start;
  if (start == path.size()) return std::nullopt;
  return path.substr(start);
}

// Where an open descriptor really leads: the kernel's own answer, or the
// name resolved again where /proc is not mounted.
std::optional<std::string> RealPathOf(int fd, const std::string& path) {
  char link[32];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link, target, sizeof target);
  if (n > 0 && static_cast<std::size_t>(n) < sizeof target && target[0] == '/') return std::string(target, static_cast<std::size_t>(n));
  return RealPath(path);
}

bool LiesIn(const std::string& real, const std::string& folder) {
  if (folder == "/") return true;
  return real.size() > folder.size() && real.compare(0, folder.size(), folder) == 0 && real[folder.size()] == '/';
}

// Opens `path` plainly and keeps it only when it really lies in `root`.
int OpenAndLook(const std::string& path, const std::string& root) {
  int fd;
  do {
    fd = ::open(path.c_str(), kOpenFlags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  Boundary& boundary = BoundaryOf(root, false);
  if (boundary.real.empty()) boundary.real = RealPath(root).value_or(std::string());
  const std::optional<std::string> real = RealPathOf(fd, path);
  if (boundary.real.empty() || !real || !LiesIn(*real, boundary.real)) {
    ::close(fd);
    errno = kOutsideError;
    return -1;
  }
  return fd;
}

// Opens `path` for reading only when it really lies in `root`; -1 with
// errno otherwise (kOutsideError when it lies elsewhere). `fresh` opens the
// root again, for a root folder that may have been replaced since.
int OpenWithin(const std::string& path, const std::string& root, bool fresh) {
  if (root == "/") {
    int fd;
    do {
      fd = ::open(path.c_str(), kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    return fd;
  }
  const std::optional<std::string> below = Below(path, root);
  if (below && beneathWalks.load(std::memory_order_relaxed)) {
    const Boundary& boundary = BoundaryOf(root, fresh);
    if (boundary.fd >= 0) {
      struct open_how how {};
      how.flags = kOpenFlags;
      how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
      long fd;
      do {
        fd = ::syscall(SYS_openat2, boundary.fd, below->c_str(), &how, sizeof how);
      } while (fd < 0 && errno == EINTR);
      if (fd >= 0) return static_cast<int>(fd);
      if (errno == ENOSYS) {
        beneathWalks.store(false, std::memory_order_relaxed);
      } else if ((errno == ENOENT || errno == ENOTDIR) && !fresh) {
        // The name was there a moment ago: the root held open may be an older folder.
        return OpenWithin(path, root, true);
      } else if (errno != kOutsideError && errno != ELOOP && errno != EPERM && errno != EINVAL && errno != E2BIG) {
        return -1;
      }
      // A link written as an absolute path, a way out, or a kernel that
      // refuses the walk: the slow road below decides.
    }
  }
  return OpenAndLook(path, root);
}

}  // namespace

std::uint64_t SizeLimitFor(std::string_view catalogueName) {
  if (EqualsIgnoringCase(catalogueName, kDescriptionFile)) return kMaxDescriptionBytes;
  if (EqualsIgnoringCase(catalogueName, kPictureFile)) return kMaxPictureBytes;
  if (EqualsIgnoringCase(catalogueName, kBannerFile)) return kMaxBannerBytes;
  if (EqualsIgnoringCase(catalogueName, kBannerAddressFile)) return kMaxAddressBytes;
  return 0;
}

bool IsAssemblyRootName(std::string_view name) {
  for (const std::string_view reserved : kAssemblyRootNames) {
    if (EqualsIgnoringCase(name, reserved)) return true;
  }
  return false;
}

const char* FileStateName(FileState state) {
  switch (state) {
    case FileState::kMissing:
      return "mancante";
    case FileState::kNotRegular:
      return "non è un file";
    case FileState::kUnreadable:
      return "non leggibile";
    case FileState::kReadable:
      return "leggibile";
  }
  return "";
}

DiscFile::DiscFile(DiscFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      state_(other.state_),
      error_(other.error_),
      size_(other.size_),
      info_(other.info_) {}

DiscFile& DiscFile::operator=(DiscFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    state_ = other.state_;
    error_ = other.error_;
    size_ = other.size_;
    info_ = other.info_;
  }
  return *this;
}

DiscFile::~DiscFile() {
  if (fd_ >= 0) ::close(fd_);
}

int DiscFile::Release() { return std::exchange(fd_, -1); }

DiscFile OpenDiscFile(const std::string& path, const std::string& within) {
  const std::string root = WithoutTrailingSeparators(within);
  DiscFile file;
  // The name itself first: a missing one costs a single call, and only a
  // link needs a second look at what it leads to.
  struct stat before {};
  if (::lstat(path.c_str(), &before) != 0) {
    file.error_ = errno;
    file.state_ = file.error_ == ENOENT || file.error_ == ENOTDIR ? FileState::kMissing : FileState::kUnreadable;
    return file;
  }
  if (S_ISLNK(before.st_mode) && ::stat(path.c_str(), &before) != 0) {
    // A name that is there but leads nowhere (a dangling link, a loop of
    // links) exists as far as the reader can tell: it is not a file.
    file.error_ = errno;
    file.state_ = FileState::kNotRegular;
    return file;
  }
  if (!S_ISREG(before.st_mode)) {
    file.state_ = FileState::kNotRegular;
    file.error_ = S_ISDIR(before.st_mode) ? EISDIR : EINVAL;
    return file;
  }
  struct stat after {};
  int fd = -1;
  for (bool fresh : {false, true}) {
    fd = OpenWithin(path, root, fresh);
    if (fd < 0) {
      file.error_ = errno;
      file.state_ = file.error_ == kOutsideError ? FileState::kNotRegular : FileState::kUnreadable;
      return file;
    }
    if (::fstat(fd, &after) != 0) {
      file.error_ = errno;
      file.state_ = FileState::kUnreadable;
      ::close(fd);
      return file;
    }
    if (S_ISREG(after.st_mode) && after.st_dev == before.st_dev && after.st_ino == before.st_ino) break;
    ::close(fd);
    fd = -1;
    // Replaced between the look and the open; or the root held open is an
    // older folder of that name, which a second try opens afresh.
  }
  if (fd < 0) {
    file.error_ = EINVAL;
    file.state_ = FileState::kNotRegular;
    return file;
  }
  file.fd_ = fd;
  file.state_ = FileState::kReadable;
  file.size_ = static_cast<std::uint64_t>(after.st_size);
  file.info_ = after;
  return file;
}

FileState ClassifyFile(const std::string& path, const std::string& root, int* error) {
  const DiscFile file = OpenDiscFile(path, root);
  if (error != nullptr) *error = file.error();
  return file.state();
}

bool ReadResult::tooLarge() const { return error == EFBIG; }

long ReadFully(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, buffer + done, size - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        // A regular file does not answer EAGAIN; whatever did is not one.
        errno = EIO;
      }
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long>(done);
}

ReadResult ReadDiscFile(const std::string& path, const std::string& root, std::uint64_t limit) {
  ReadResult result;
  DiscFile file = OpenDiscFile(path, root);
  result.state = file.state();
  result.error = file.error();
  if (!file) return result;
  if (file.size() > limit) {
    result.error = EFBIG;
    return result;
  }
  // The size is a hint: the file may have grown or shrunk since the stat, so
  // read one byte past it and past the limit to notice either.
  std::string bytes;
  std::size_t capacity = static_cast<std::size_t>(file.size()) + 1;
  for (;;) {
    const std::size_t have = bytes.size();
    bytes.resize(capacity);
    const long got = ReadFully(file.fd(), bytes.data() + have, capacity - have);
    if (got < 0) {
      result.state = FileState::kUnreadable;
      result.error = errno;
      return result;
    }
    bytes.resize(have + static_cast<std::size_t>(got));
    if (bytes.size() > limit) {
      result.error = EFBIG;
      return result;
    }
    if (bytes.size() < capacity) break;
    capacity = capacity * 2 > limit + 1 ? static_cast<std::size_t>(limit) + 1 : capacity * 2;
  }
  result.bytes = std::move(bytes);
  return result;
}

ItemFile FindItemFile(const std::string& itemFolder, std::string_view name, const std::string& root) {
  ItemFile item;
  if (itemFolder.empty()) return item;
  const auto path = catalogue::ResolveFile(itemFolder, name);
  if (!path) return item;
  item.path = *path;
  item.state = ClassifyFile(item.path, root, &item.error);
  if (item.state == FileState::kMissing) item.path.clear();
  return item;
}

std::optional<std::string> ReadFirstLine(const std::string& path, const std::string& root) {
  const DiscFile file = OpenDiscFile(path, root);
  if (!file) return std::nullopt;
  std::string line;
  char chunk[4096];
  while (line.size() < kMaxLineBytes) {
    const long got = ReadFully(file.fd(), chunk, sizeof chunk);
    if (got < 0) return std::nullopt;
    const std::string_view read(chunk, static_cast<std::size_t>(got));
    const std::size_t end = read.find_first_of("\r\n");
    line.append(read.substr(0, end));
    if (end != std::string_view::npos || got < static_cast<long>(sizeof chunk)) break;
  }
  if (line.size() > kMaxLineBytes) line.resize(kMaxLineBytes);
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  return line;
}

std::optional<std::string> RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace zolt::disc
