#include "platform/shellcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <utility>

#include "disc/discfile.h"
#include "disc/disctext.h"
#include "platform/textcodec.h"

namespace zolt::platform {

namespace fs = std::filesystem;

namespace {

// copy_file_range is asked for this much at a time, so the progress dialog
// hears from a big file several times a second.
constexpr std::size_t kKernelChunk = std::size_t{8} << 20;
// Buffer of the read/write fallback (another file system, an old kernel).
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

CopyOutcome Failure(std::string path, int code) {
  CopyOutcome outcome;
  outcome.result = CopyOutcome::Result::Failed;
  outcome.failedPath = std::move(path);
  outcome.errorCode = code;
  outcome.error = std::strerror(code);
  return outcome;
}

// Closes a descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  int Close() {  // 0, or the errno of a failed close (a late write error)
    int code = 0;
    if (fd_ >= 0 && ::close(fd_) != 0) code = errno;
    fd_ = -1;
    return code;
  }

 private:
  int fd_;
};

// A temporary file in the destination folder, under a short name of its own
// so that it fits beside any name the file system accepts; removed unless
// committed. Created and renamed relative to the folder's descriptor, never
// through a link.
class TempFile {
 public:
  // `mode` is asked of the kernel, which takes the user's umask from it.
  TempFile(int folder, mode_t mode) : folder_(folder) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Names need only be unlikely to meet; O_EXCL settles the rest.
    thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
      name_ = ".zolt-";
      for (int i = 0; i < 10; ++i) name_ += kLetters[random() % (sizeof kLetters - 1)];
      name_ += ".tmp";
      fd_ = ::openat(folder_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) name_.clear();
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlinkat(folder_, name_.c_str(), 0);
  }
  int fd() const { return fd_; }
  // Closes and renames over `name` (which replaces a link of that name, not
  // what it points to); 0 or the errno.
  int Commit(const std::string& name) {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return errno;
    if (::renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0) return errno;
    name_.clear();
    return 0;
  }

 private:
  int folder_;
  std::string name_;
  int fd_ = -1;
};

enum class Pump { Done, Cancelled, Failed };

// Moves the bytes from `in` to `out`: copy_file_range while the kernel takes
// it, plain reads and writes otherwise. `error` is set for Failed.
Pump PumpBytes(int in, int out, const CopyProgress& progress, std::uint64_t& copied,
               int& error, bool& readSide) {
  bool kernel = true;
  std::vector<char> buffer;
  for (;;) {
    ssize_t n = 0;
    if (kernel) {
      n = ::copy_file_range(in, nullptr, out, nullptr, kKernelChunk, 0);
      if (n < 0 && copied == 0 &&
          (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernel = false;
        continue;
      }
      if (n < 0) {
        error = errno;
        readSide = (error == EIO);
        return Pump::Failed;
      }
    } else {
      if (buffer.empty()) buffer.resize(kBufferSize);
      n = ::read(in, buffer.data(), buffer.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        readSide = true;
        return Pump::Failed;
      }
      for (ssize_t done = 0; done < n;) {
        const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
          error = w < 0 ? errno : EIO;
          readSide = false;
          return Pump::Failed;
        }
        done += w;
      }
    }
    if (n == 0) return Pump::Done;
    copied += static_cast<std::uint64_t>(n);
    if (progress && !progress(0, copied, {})) return Pump::Cancelled;
  }
}

struct DirId {
  dev_t dev;
  ino_t ino;
  auto operator<=>(const DirId&) const = default;
};

bool IdOf(const std::string& path, DirId& id) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  id = {st.st_dev, st.st_ino};
  return true;
}

// Walks the source for PlanCopy. Folders are listed where they are; a link
// is followed only when it leads to a file or folder inside the source, and
// is copied as what it points to. A link to a folder that holds it (a loop),
// to itself or to nothing is left out, as is a second link to a folder
// already followed once, so links cannot multiply the copy.
class Planner {
 public:
  Planner(CopyPlan& plan, CopyOutcome& outcome, const std::string& source, const std::string& exclude)
      : plan_(plan), outcome_(outcome) {
    hasExclude_ = !exclude.empty() && IdOf(exclude, exclude_);
    sourceReal_ = disc::RealPath(source).value_or(source);
  }

  bool Walk(const std::string& folder, const std::string& relative, const std::vector<std::string>& skip) {
    DirId id{};
    if (!IdOf(folder, id)) {
      outcome_ = Failure(folder, errno);
      return false;
    }
    chain_.push_back(id);
    const bool ok = List(folder, relative, skip);
    chain_.pop_back();
    return ok;
  }

 private:
  bool List(const std::string& folder, const std::string& relative, const std::vector<std::string>& skip) {
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      names.push_back(it->path().filename().string());
    }
    if (ec) {
      outcome_ = Failure(folder, ec.value());
      return false;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (std::any_of(skip.begin(), skip.end(),
                      [&](const std::string& s) { return disc::EqualsIgnoringCase(s, name); })) {
        continue;
      }
      if (!Add(folder + "/" + name, relative.empty() ? name : relative + "/" + name)) return false;
    }
    return true;
  }

  bool Inside(const std::string& real) const {
    if (real == sourceReal_) return true;
    const std::string prefix = sourceReal_ == "/" ? sourceReal_ : sourceReal_ + "/";
    return real.compare(0, prefix.size(), prefix) == 0;
  }

  bool Add(const std::string& path, const std::string& relative) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return true;  // gone meanwhile
      outcome_ = Failure(path, errno);
      return false;
    }
    std::string from = path;
    bool throughLink = false;
    if (S_ISLNK(st.st_mode)) {
      const std::optional<std::string> real = disc::RealPath(path);
      if (!real || ::stat(real->c_str(), &st) != 0) {
        ++plan_.linksLeftOut;  // to nothing, to itself, round in a loop
        return true;
      }
      if (!Inside(*real)) {
        ++plan_.linksOutside;
        return true;
      }
      from = *real;
      throughLink = true;
    }
    if (S_ISDIR(st.st_mode)) {
      const DirId id{st.st_dev, st.st_ino};
      if (hasExclude_ && id == exclude_) return true;
      if (throughLink) {
        if (std::find(chain_.begin(), chain_.end(), id) != chain_.end() || !followed_.insert(id).second) {
          ++plan_.linksLeftOut;
          return true;
        }
      } else if (std::find(chain_.begin(), chain_.end(), id) != chain_.end()) {
        return true;  // a folder mounted inside itself
      }
      plan_.entries.push_back({relative, true, 0, from});
      return Walk(from, relative, {});
    }
    if (S_ISREG(st.st_mode)) {
      const auto size = static_cast<std::uint64_t>(st.st_size);
      plan_.entries.push_back({relative, false, size, from});
      ++plan_.files;
      plan_.bytes += size;
    }
    return true;  // pipes, sockets and devices are not copied
  }

  CopyPlan& plan_;
  CopyOutcome& outcome_;
  std::string sourceReal_;
  DirId exclude_{};
  bool hasExclude_ = false;
  std::vector<DirId> chain_;   // the folders being listed, outermost first
  std::set<DirId> followed_;   // folders reached through a link
};

// The folder part and the last name of a path.
std::pair<std::string, std::string> SplitLast(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// The folder `name` in `parent`, made when missing (`made` tells). A link
// of that name is neither followed nor removed (it is not the copy's to
// remove): the copy stops there with ELOOP. -1 with errno on failure.
int OpenOrMakeFolder(int parent, const std::string& name, bool* made = nullptr) {
  if (made) *made = false;
  struct stat st {};
  if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(st.st_mode)) {
      errno = ELOOP;
      return -1;
    }
    if (!S_ISDIR(st.st_mode)) {
      errno = ENOTDIR;
      return -1;
    }
  }
  if (::mkdirat(parent, name.c_str(), 0777) == 0) {
    if (made) *made = true;
  } else if (errno != EEXIST) {
    return -1;
  }
  return ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Copies the disc file `source` to `name` in the folder `folder`; `shown` is
// the destination as messages name it. In a folder this copy has just made
// (`fresh`) there is nothing to replace, so nothing is looked up first; the
// rename would replace a link put there meanwhile, never follow it.
CopyOutcome CopyOneFileAt(const std::string& source, const std::string& within, int folder,
                          const std::string& name, const std::string& shown, const CopyProgress& progress,
                          bool fresh = false) {
  disc::DiscFile in = disc::OpenDiscFile(source, within);
  if (!in) {
    if (in.state() == disc::FileState::kNotRegular && in.error() != disc::kOutsideError) return Failure(source, EINVAL);
    return Failure(source, in.error());
  }
  const struct stat& st = in.info();

  struct stat existing {};
  if (!fresh && ::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(existing.st_mode)) return Failure(shown, EISDIR);
    // A file the user made read-only is not replaced behind their back (the
    // mode bits are asked too, since access() lets the superuser write
    // anything). A link is replaced by the file, whatever it points to.
    if (S_ISREG(existing.st_mode)) {
      if (::faccessat(folder, name.c_str(), W_OK, 0) != 0) return Failure(shown, errno);
      if ((existing.st_mode & 0222) == 0) return Failure(shown, EACCES);
    }
  }

  // The copy is the user's: writable as their umask allows, runnable where
  // the original was, never set-user-id.
  TempFile temp(folder, (st.st_mode & 0111) != 0 ? 0777 : 0666);
  if (temp.fd() < 0) return Failure(shown, errno);

  std::uint64_t copied = 0;
  int error = 0;
  bool readSide = false;
  switch (PumpBytes(in.fd(), temp.fd(), progress, copied, error, readSide)) {
    case Pump::Cancelled: {
      CopyOutcome outcome;
      outcome.result = CopyOutcome::Result::Cancelled;
      outcome.failedPath = source;
      return outcome;
    }
    case Pump::Failed:
      return Failure(readSide ? source : shown, error);
    case Pump::Done:
      break;
  }
  // A damaged medium may end a file early without an error: what was read
  // must be all that the file held when it was opened.
  if (copied != in.size()) return Failure(source, EIO);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(temp.fd(), times);
  if (const int code = temp.Commit(name)) return Failure(shown, code);

  CopyOutcome outcome;
  outcome.files = 1;
  outcome.bytes = copied;
  return outcome;
}

}  // namespace

CopyPlan PlanCopy(const std::string& source, const std::vector<std::string>& skipTopLevel,
                  const std::string& exclude, CopyOutcome& outcome) {
  CopyPlan plan;
  outcome = {};
  Planner(plan, outcome, source, exclude).Walk(source, {}, skipTopLevel);
  return plan;
}

CopyOutcome CopyOneFile(const std::string& source, const std::string& within, const std::string& destination,
                        const CopyProgress& progress) {
  const auto [parent, name] = SplitLast(destination);
  if (name.empty() || name == "." || name == "..") return Failure(destination, EISDIR);
  Fd folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.ok()) return Failure(destination, errno);
  return CopyOneFileAt(source, within, folder.get(), name, destination, progress);
}

CopyOutcome CopyTree(const std::string& source, const std::string& destination,
                     const CopyPlan& plan, const CopyProgress& progress) {
  CopyOutcome outcome;
  outcome.linksOutside = plan.linksOutside;
  outcome.linksLeftOut = plan.linksLeftOut;
  const auto fail = [&](std::string path, int code) {
    CopyOutcome failed = Failure(std::move(path), code);
    failed.files = outcome.files;
    failed.bytes = outcome.bytes;
    failed.linksOutside = outcome.linksOutside;
    failed.linksLeftOut = outcome.linksLeftOut;
    return failed;
  };
  // The chosen folder is followed if it is a link; below it nothing is.
  const auto [parent, leaf] = SplitLast(destination);
  Fd chosen(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!chosen.ok() && errno == ENOENT) {
    // A destination whose folders are missing has them made, as the shell's copy does.
    std::error_code ec;
    fs::create_directories(parent, ec);
    chosen.Reset(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  if (!chosen.ok()) return fail(parent, errno);
  // The folders from the destination down to the entry being copied.
  struct Open {
    std::string relative;
    std::unique_ptr<Fd> fd;
    bool made = false;
  };
  std::vector<Open> chain;
  bool made = false;
  chain.push_back({std::string(), std::make_unique<Fd>(OpenOrMakeFolder(chosen.get(), leaf, &made)), made});
  if (!chain.back().fd->ok()) return fail(destination, errno);
  const std::string from = source;
  for (const CopyPlan::Entry& entry : plan.entries) {
    const std::size_t slash = entry.relative.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : entry.relative.substr(0, slash);
    const std::string name = slash == std::string::npos ? entry.relative : entry.relative.substr(slash + 1);
    while (chain.size() > 1 && chain.back().relative != folder) chain.pop_back();
    if (chain.back().relative != folder) return fail(destination + "/" + entry.relative, ENOENT);
    const int here = chain.back().fd->get();
    const std::string shown = destination + "/" + entry.relative;
    if (entry.folder) {
      auto fd = std::make_unique<Fd>(OpenOrMakeFolder(here, name, &made));
      if (!fd->ok()) return fail(shown, errno);
      chain.push_back({entry.relative, std::move(fd), made});
      continue;
    }
    const std::uint64_t before = outcome.bytes;
    if (progress && !progress(outcome.files, before, entry.relative)) {
      outcome.result = CopyOutcome::Result::Cancelled;
      return outcome;
    }
    CopyProgress inner;
    if (progress) {
      inner = [&](std::uint64_t, std::uint64_t bytes, std::string_view) {
        return progress(outcome.files, before + bytes, entry.relative);
      };
    }
    const std::string path = entry.source.empty() ? from + "/" + entry.relative : entry.source;
    CopyOutcome one = CopyOneFileAt(path, source, here, name, shown, inner, chain.back().made);
    if (one.result != CopyOutcome::Result::Completed) {
      one.files = outcome.files;
      one.bytes = outcome.bytes;
      one.linksOutside = outcome.linksOutside;
      one.linksLeftOut = outcome.linksLeftOut;
      return one;
    }
    ++outcome.files;
    outcome.bytes += one.bytes;
  }
  if (progress) progress(outcome.files, outcome.bytes, {});
  return outcome;
}

QString DescribeSystemError(int code) {
  switch (code) {
    case ENOENT: return QStringLiteral("il file o la cartella non esiste");
    case EACCES:
    case EPERM: return QStringLiteral("accesso negato o file di sola lettura");
    case EROFS: return QStringLiteral("il disco di destinazione è di sola lettura");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("spazio su disco esaurito");
    case EISDIR: return QStringLiteral("al suo posto c'è una cartella");
    case ENOTDIR:
    case EEXIST: return QStringLiteral("al posto della cartella c'è un file");
    case EIO: return QStringLiteral("errore di lettura o scrittura sul disco");
    case ENAMETOOLONG: return QStringLiteral("nome troppo lungo");
    case EINVAL: return QStringLiteral("non è un file ordinario");
    case ELOOP: return QStringLiteral("al suo posto c'è un collegamento");
    case EXDEV: return QStringLiteral("porta fuori dalla cartella del prodotto");
    default: return QStringLiteral("errore di sistema %1").arg(code);
  }
}

QString DescribeCopyFailure(const CopyOutcome& outcome) {
  const QString name = PathToQString(outcome.failedPath);
  const QString done = outcome.files == 1 ? QStringLiteral("1 file già copiato.")
                                          : QStringLiteral("%1 file già copiati.").arg(outcome.files);
  if (outcome.result == CopyOutcome::Result::Cancelled) {
    return QStringLiteral("Copia annullata. %1").arg(done);
  }
  return QStringLiteral("Copia non riuscita: impossibile copiare \"%1\" (%2). %3")
      .arg(name, DescribeSystemError(outcome.errorCode), done);
}

}  // namespace zolt::platform
