#include "spreadsheet/compoundfile.h"

#include "spreadsheet/spreadsheet.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <strings.h>

namespace zolt::biff {

namespace {

struct TGObjectUnref {
  void operator()(void* p) const noexcept {
    if (p != nullptr) g_object_unref(p);
  }
};
template <typename T>
using TGObject = std::unique_ptr<T, TGObjectUnref>;

struct TGErrorFree {
  void operator()(GError* e) const noexcept {
    if (e != nullptr) g_error_free(e);
  }
};

// libgsf reports damage through g_warning (some under no log domain) as
// well as through its results; the reader reports it through its exception,
// so the warnings are silenced while libgsf reads.
class TQuietGsf {
 public:
  TQuietGsf() {
    for (std::size_t i = 0; i < kDomains.size(); ++i)
      ids_[i] = g_log_set_handler(kDomains[i], kLevels, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                                  nullptr);
  }
  ~TQuietGsf() {
    for (std::size_t i = 0; i < kDomains.size(); ++i) g_log_remove_handler(kDomains[i], ids_[i]);
  }
  TQuietGsf(const TQuietGsf&) = delete;
  TQuietGsf& operator=(const TQuietGsf&) = delete;

 private:
  static constexpr std::array<const char*, 3> kDomains{nullptr, "libgsf", "libgsf:msole"};
  static constexpr auto kLevels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                               G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_RECURSION);
  std::array<guint, 3> ids_{};
};

// A stream of the compound file; keeps the file and its root storage open
// while the records are read.
class TGsfSource final : public TByteSource {
 public:
  TGsfSource(TGObject<GsfInput> file, TGObject<GsfInfile> root, TGObject<GsfInput> stream, std::string name)
      : file_(std::move(file)), root_(std::move(root)), stream_(std::move(stream)), name_(std::move(name)) {}

  std::size_t Read(std::uint8_t* out, std::size_t n) override {
    const TQuietGsf quiet;
    const gsf_off_t left = gsf_input_remaining(stream_.get());
    if (left <= 0) return 0;
    n = std::min(n, static_cast<std::size_t>(left));
    if (gsf_input_read(stream_.get(), n, out) != nullptr) return n;
    // A damaged sector somewhere in the piece: hand over the bytes before it,
    // so the records that lie wholly before it are still read, and fail
    // only when a record needs the first byte that cannot be read.
    std::size_t got = 0;
    while (got < n && gsf_input_read(stream_.get(), 1, out + got) != nullptr) ++got;
    if (got > 0) return got;
    throw ESpreadSheetError("Damaged compound file: stream " + name_ + " cannot be read at offset " +
                            std::to_string(gsf_input_tell(stream_.get())));
  }

  void SeekTo(std::size_t offset) override {
    const TQuietGsf quiet;
    if (gsf_input_seek(stream_.get(), static_cast<gsf_off_t>(offset), G_SEEK_SET))
      throw ESpreadSheetError("Damaged compound file: stream " + name_ + " has no offset " + std::to_string(offset));
  }

 private:
  TGObject<GsfInput> file_;
  TGObject<GsfInfile> root_;
  TGObject<GsfInput> stream_;
  std::string name_;
};

// The root element of that name (without regard to case), or -1.
int FindElement(GsfInfile* root, const char* wanted) {
  const int count = gsf_infile_num_children(root);
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(root, i);
    if (name != nullptr && strcasecmp(name, wanted) == 0) return i;
  }
  return -1;
}

TWorkbookStream OpenFromInput(TGObject<GsfInput> file) {
  const TQuietGsf quiet;
  const gsf_off_t fileSize = gsf_input_size(file.get());
  GError* rawError = nullptr;
  TGObject<GsfInfile> root(gsf_infile_msole_new(file.get(), &rawError));
  std::unique_ptr<GError, TGErrorFree> error(rawError);
  if (!root) {
    throw ESpreadSheetError(std::string("Damaged compound file: ") +
                            (error ? error->message : "the root storage cannot be read"));
  }
  // Excel 97 can save a workbook twice, as "Workbook" and as an Excel 95
  // "Book" copy whose texts lose every character outside the code page: the
  // "Workbook" is read when it is a stream, the "Book" otherwise.
  TWorkbookStream result;
  const char* storageName = nullptr;
  for (const char* wanted : {"Workbook", "Book"}) {
    const int index = FindElement(root.get(), wanted);
    if (index < 0) continue;
    const char* name = gsf_infile_name_by_index(root.get(), index);
    TGObject<GsfInput> stream(gsf_infile_child_by_index(root.get(), index));
    if (!stream) throw ESpreadSheetError(std::string("Damaged compound file: cannot open the stream ") + name);
    // A storage lists its own elements; a stream has none to list.
    if (GSF_IS_INFILE(stream.get()) && gsf_infile_num_children(GSF_INFILE(stream.get())) >= 0) {
      if (storageName == nullptr) storageName = name;
      continue;
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    // A stream is made of the file's own sectors, so it cannot be larger
    // than the file; a directory entry that says otherwise is damaged.
    if (size < 0 || size > fileSize)
      throw ESpreadSheetError(std::string("Damaged compound file: stream ") + name + " is larger than the file");
    result.found = true;
    result.book = std::strcmp(wanted, "Book") == 0;
    result.size = static_cast<std::size_t>(size);
    result.source = std::make_unique<TGsfSource>(std::move(file), std::move(root), std::move(stream), name);
    return result;
  }
  if (storageName != nullptr) {
    throw ESpreadSheetError(std::string("File is not a Excel Workbook: \"") + storageName +
                            "\" is a storage, not a stream");
  }
  return result;
}

}  // namespace

bool HasCompoundSignature(const std::uint8_t* data, std::size_t size) noexcept {
  static constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

TWorkbookStream OpenWorkbookStream(std::FILE* file, const std::string& name) {
  TGObject<GsfInput> input(gsf_input_stdio_new_FILE(name.c_str(), file, FALSE));
  if (!input) {
    std::fclose(file);
    throw ESpreadSheetError("Cannot open the file: " + name);
  }
  return OpenFromInput(std::move(input));
}

TWorkbookStream OpenWorkbookStream(const std::uint8_t* data, std::size_t size) {
  TGObject<GsfInput> input(gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE));
  if (!input) throw ESpreadSheetError("Damaged compound file: cannot be read");
  return OpenFromInput(std::move(input));
}

}  // namespace zolt::biff
