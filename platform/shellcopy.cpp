#include "platform/shellcopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <utility>

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

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
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
  int Close() {  // 0, or the errno of a failed close (a late write error)
    int code = 0;
    if (fd_ >= 0 && ::close(fd_) != 0) code = errno;
    fd_ = -1;
    return code;
  }

 private:
  int fd_;
};

// A temporary file beside the destination; removed unless kept.
class TempFile {
 public:
  explicit TempFile(const std::string& destination) {
    const fs::path dst(destination);
    const fs::path folder = dst.has_parent_path() ? dst.parent_path() : fs::path(".");
    path_ = (folder / ("." + dst.filename().string() + ".zolt-XXXXXX")).string();
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) path_.clear();
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  int fd() const { return fd_; }
  // Closes and renames over `destination`; 0 or the errno.
  int Commit(const std::string& destination) {
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return errno;
    if (::rename(path_.c_str(), destination.c_str()) != 0) return errno;
    path_.clear();
    return 0;
  }

 private:
  std::string path_;
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

// Walks one folder of the source for PlanCopy.
class Planner {
 public:
  Planner(CopyPlan& plan, CopyOutcome& outcome, const std::string& exclude)
      : plan_(plan), outcome_(outcome) {
    hasExclude_ = !exclude.empty() && IdOf(exclude, exclude_);
  }

  bool Walk(const fs::path& folder, const std::string& relative,
            const std::vector<std::string>& skip) {
    if (DirId id{}; relative.empty() && IdOf(folder.string(), id)) visited_.insert(id);
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      names.push_back(it->path().filename().string());
    }
    if (ec) {
      outcome_ = Failure(folder.string(), ec.value());
      return false;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (std::any_of(skip.begin(), skip.end(),
                      [&](const std::string& s) { return EqualNoCase(s, name); })) {
        continue;
      }
      if (!Add(folder / name, relative.empty() ? name : relative + "/" + name)) return false;
    }
    return true;
  }

 private:
  bool Add(const fs::path& path, const std::string& relative) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return true;  // a dangling link or a file gone meanwhile
      outcome_ = Failure(path.string(), errno);
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      const DirId id{st.st_dev, st.st_ino};
      if (hasExclude_ && id == exclude_) return true;
      if (!visited_.insert(id).second) return true;  // a link back up: the loop is cut
      plan_.entries.push_back({relative, true, 0});
      return Walk(path, relative, {});
    }
    if (S_ISREG(st.st_mode)) {
      const auto size = static_cast<std::uint64_t>(st.st_size);
      plan_.entries.push_back({relative, false, size});
      ++plan_.files;
      plan_.bytes += size;
    }
    return true;  // pipes, sockets and devices are not copied
  }

  CopyPlan& plan_;
  CopyOutcome& outcome_;
  DirId exclude_{};
  bool hasExclude_ = false;
  std::set<DirId> visited_;
};

}  // namespace

CopyPlan PlanCopy(const std::string& source, const std::vector<std::string>& skipTopLevel,
                  const std::string& exclude, CopyOutcome& outcome) {
  CopyPlan plan;
  outcome = {};
  Planner(plan, outcome, exclude).Walk(fs::path(source), {}, skipTopLevel);
  return plan;
}

CopyOutcome CopyOneFile(const std::string& source, const std::string& destination,
                        const CopyProgress& progress) {
  Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok()) return Failure(source, errno);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return Failure(source, errno);
  if (S_ISDIR(st.st_mode)) return Failure(source, EISDIR);

  struct stat existing {};
  if (::stat(destination.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) return Failure(destination, EISDIR);
    // A file the user made read-only is not replaced behind their back (the
    // mode bits are asked too, since access() lets the superuser write anything).
    if (::access(destination.c_str(), W_OK) != 0) return Failure(destination, errno);
    if ((existing.st_mode & 0222) == 0) return Failure(destination, EACCES);
  }

  TempFile temp(destination);
  if (temp.fd() < 0) return Failure(destination, errno);

  std::uint64_t copied = 0;
  int error = 0;
  bool readSide = false;
  switch (PumpBytes(in.get(), temp.fd(), progress, copied, error, readSide)) {
    case Pump::Cancelled: {
      CopyOutcome outcome;
      outcome.result = CopyOutcome::Result::Cancelled;
      outcome.failedPath = source;
      return outcome;
    }
    case Pump::Failed:
      return Failure(readSide ? source : destination, error);
    case Pump::Done:
      break;
  }
  // Files from a disc are read-only; the copy is the user's and stays writable.
  ::fchmod(temp.fd(), (st.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID)) | S_IWUSR);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(temp.fd(), times);
  if (const int code = temp.Commit(destination)) return Failure(destination, code);

  CopyOutcome outcome;
  outcome.files = 1;
  outcome.bytes = copied;
  return outcome;
}

CopyOutcome CopyTree(const std::string& source, const std::string& destination,
                     const CopyPlan& plan, const CopyProgress& progress) {
  CopyOutcome outcome;
  std::error_code ec;
  fs::create_directories(destination, ec);
  if (ec || !fs::is_directory(destination)) {
    return Failure(destination, ec ? ec.value() : ENOTDIR);
  }
  const fs::path from(source);
  const fs::path to(destination);
  for (const CopyPlan::Entry& entry : plan.entries) {
    const fs::path target = to / entry.relative;
    if (entry.folder) {
      if (!fs::create_directory(target, ec) && !fs::is_directory(target)) {
        return Failure(target.string(), ec ? ec.value() : ENOTDIR);
      }
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
    CopyOutcome one = CopyOneFile((from / entry.relative).string(), target.string(), inner);
    if (one.result != CopyOutcome::Result::Completed) {
      one.files = outcome.files;
      one.bytes = outcome.bytes;
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
    default: return QStringLiteral("errore di sistema %1").arg(code);
  }
}

QString DescribeCopyFailure(const CopyOutcome& outcome) {
  const QString name = PathToQString(outcome.failedPath);
  const QString done = QStringLiteral("%1 file già copiati.").arg(outcome.files);
  if (outcome.result == CopyOutcome::Result::Cancelled) {
    return QStringLiteral("Copia annullata. %1").arg(done);
  }
  return QStringLiteral("Copia non riuscita: impossibile copiare \"%1\" (%2). %3")
      .arg(name, DescribeSystemError(outcome.errorCode), done);
}

}  // namespace zolt::platform
