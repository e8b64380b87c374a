#include "disc/discfile.h"

#include "disc/catalogue.h"
#include "disc/disctext.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zolt::disc {

std::uint64_t SizeLimitFor(std::string_view catalogueName) {
  if (EqualsIgnoringCase(catalogueName, kDescriptionFile)) return kMaxDescriptionBytes;
  if (EqualsIgnoringCase(catalogueName, kPictureFile)) return kMaxPictureBytes;
  if (EqualsIgnoringCase(catalogueName, kBannerFile)) return kMaxBannerBytes;
  if (EqualsIgnoringCase(catalogueName, kBannerAddressFile)) return kMaxAddressBytes;
  return 0;
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

DiscFile OpenDiscFile(const std::string& path) {
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
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    file.error_ = errno;
    file.state_ = FileState::kUnreadable;
    return file;
  }
  struct stat after {};
  if (::fstat(fd, &after) != 0) {
    file.error_ = errno;
    file.state_ = FileState::kUnreadable;
    ::close(fd);
    return file;
  }
  if (!S_ISREG(after.st_mode) || after.st_dev != before.st_dev || after.st_ino != before.st_ino) {
    // Replaced between the look and the open.
    file.error_ = EINVAL;
    file.state_ = FileState::kNotRegular;
    ::close(fd);
    return file;
  }
  file.fd_ = fd;
  file.state_ = FileState::kReadable;
  file.size_ = static_cast<std::uint64_t>(after.st_size);
  file.info_ = after;
  return file;
}

FileState ClassifyFile(const std::string& path, int* error) {
  const DiscFile file = OpenDiscFile(path);
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

ReadResult ReadDiscFile(const std::string& path, std::uint64_t limit) {
  ReadResult result;
  DiscFile file = OpenDiscFile(path);
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

ItemFile FindItemFile(const std::string& itemFolder, std::string_view name) {
  ItemFile item;
  if (itemFolder.empty()) return item;
  const auto path = catalogue::ResolveFile(itemFolder, name);
  if (!path) return item;
  item.path = *path;
  item.state = ClassifyFile(item.path, &item.error);
  if (item.state == FileState::kMissing) item.path.clear();
  return item;
}

bool IsCatalogueName(std::string_view name) {
  return !name.empty() && !IsHiddenName(name) && name.find('_') == name.size() - 1;
}

}  // namespace zolt::disc
