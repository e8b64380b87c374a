#include "spreadsheet/compoundfile.h"

#include "spreadsheet/spreadsheet.h"

#include "spreadsheet/gsflibrary.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <strings.h>

namespace zolt::biff {

namespace {

struct TGObjectUnref {
  const TGsfCalls* gsf = nullptr;
  void operator()(void* p) const noexcept {
    if (p != nullptr) gsf->objectUnref(p);
  }
};
template <typename T>
using TGObject = std::unique_ptr<T, TGObjectUnref>;

template <typename T>
TGObject<T> Own(const TGsfCalls& gsf, T* object) {
  return TGObject<T>(object, TGObjectUnref{&gsf});
}

// libgsf reports damage through g_warning (some under no log domain) as
// well as through its results; the reader reports it through its exception,
// so the warnings are silenced while libgsf reads.
class TQuietGsf {
 public:
  explicit TQuietGsf(const TGsfCalls& gsf) : gsf_(gsf) {
    for (std::size_t i = 0; i < kDomains.size(); ++i)
      ids_[i] = gsf_.logSetHandler(kDomains[i], kLevels, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                                   nullptr);
  }
  ~TQuietGsf() {
    for (std::size_t i = 0; i < kDomains.size(); ++i) gsf_.logRemoveHandler(kDomains[i], ids_[i]);
  }
  TQuietGsf(const TQuietGsf&) = delete;
  TQuietGsf& operator=(const TQuietGsf&) = delete;

 private:
  static constexpr std::array<const char*, 3> kDomains{nullptr, "libgsf", "libgsf:msole"};
  static constexpr auto kLevels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                               G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_RECURSION);
  const TGsfCalls& gsf_;
  std::array<guint, 3> ids_{};
};

// A stream of the compound file; keeps the file and its root storage open
// while the records are read.
class TGsfSource final : public TByteSource {
 public:
  TGsfSource(const TGsfCalls& gsf, TGObject<GsfInput> file, TGObject<GsfInfile> root, TGObject<GsfInput> stream,
             std::string name)
      : gsf_(gsf), file_(std::move(file)), root_(std::move(root)), stream_(std::move(stream)), name_(std::move(name)) {}

  std::size_t Read(std::uint8_t* out, std::size_t n) override {
    const TQuietGsf quiet(gsf_);
    const gsf_off_t left = gsf_.inputRemaining(stream_.get());
    if (left <= 0) return 0;
    n = std::min(n, static_cast<std::size_t>(left));
    if (gsf_.inputRead(stream_.get(), n, out) != nullptr) return n;
    // A damaged sector somewhere in the piece: hand over the bytes before it,
    // so the records that lie wholly before it are still read, and fail
    // only when a record needs the first byte that cannot be read.
    std::size_t got = 0;
    while (got < n && gsf_.inputRead(stream_.get(), 1, out + got) != nullptr) ++got;
    if (got > 0) return got;
    throw ESpreadSheetError("Damaged compound file: stream " + name_ + " cannot be read at offset " +
                            std::to_string(gsf_.inputTell(stream_.get())));
  }

  void SeekTo(std::size_t offset) override {
    const TQuietGsf quiet(gsf_);
    if (gsf_.inputSeek(stream_.get(), static_cast<gsf_off_t>(offset), G_SEEK_SET))
      throw ESpreadSheetError("Damaged compound file: stream " + name_ + " has no offset " + std::to_string(offset));
  }

 private:
  const TGsfCalls& gsf_;
  TGObject<GsfInput> file_;
  TGObject<GsfInfile> root_;
  TGObject<GsfInput> stream_;
  std::string name_;
};

// The root element of that name (without regard to case), or -1.
int FindElement(const TGsfCalls& gsf, GsfInfile* root, const char* wanted) {
  const int count = gsf.infileNumChildren(root);
  for (int i = 0; i < count; ++i) {
    const char* name = gsf.infileNameByIndex(root, i);
    if (name != nullptr && strcasecmp(name, wanted) == 0) return i;
  }
  return -1;
}

TWorkbookStream OpenFromInput(const TGsfCalls& gsf, TGObject<GsfInput> file) {
  const TQuietGsf quiet(gsf);
  const gsf_off_t fileSize = gsf.inputSize(file.get());
  GError* rawError = nullptr;
  TGObject<GsfInfile> root = Own(gsf, gsf.infileMsoleNew(file.get(), &rawError));
  std::unique_ptr<GError, decltype(gsf.errorFree)> error(rawError, gsf.errorFree);
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
    const int index = FindElement(gsf, root.get(), wanted);
    if (index < 0) continue;
    const char* name = gsf.infileNameByIndex(root.get(), index);
    TGObject<GsfInput> stream = Own(gsf, gsf.infileChildByIndex(root.get(), index));
    if (!stream) throw ESpreadSheetError(std::string("Damaged compound file: cannot open the stream ") + name);
    // A storage lists its own elements; a stream has none to list.
    const bool isInfile = gsf.typeCheckInstanceIsA(reinterpret_cast<GTypeInstance*>(stream.get()), gsf.infileGetType());
    if (isInfile && gsf.infileNumChildren(reinterpret_cast<GsfInfile*>(stream.get())) >= 0) {
      if (storageName == nullptr) storageName = name;
      continue;
    }
    const gsf_off_t size = gsf.inputSize(stream.get());
    // A stream is made of the file's own sectors, so it cannot be larger
    // than the file; a directory entry that says otherwise is damaged.
    if (size < 0 || size > fileSize)
      throw ESpreadSheetError(std::string("Damaged compound file: stream ") + name + " is larger than the file");
    result.found = true;
    result.book = std::strcmp(wanted, "Book") == 0;
    result.size = static_cast<std::size_t>(size);
    result.source = std::make_unique<TGsfSource>(gsf, std::move(file), std::move(root), std::move(stream), name);
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
  const TGsfCalls* gsf = nullptr;
  try {
    gsf = &TGsfLibrary::Shared().Calls();
  } catch (const ESpreadSheetError&) {
    std::fclose(file);
    throw;
  }
  TGObject<GsfInput> input = Own(*gsf, gsf->inputStdioNewFile(name.c_str(), file, FALSE));
  if (!input) {
    std::fclose(file);
    throw ESpreadSheetError("Cannot open the file: " + name);
  }
  return OpenFromInput(*gsf, std::move(input));
}

TWorkbookStream OpenWorkbookStream(const std::uint8_t* data, std::size_t size) {
  const TGsfCalls& gsf = TGsfLibrary::Shared().Calls();
  TGObject<GsfInput> input = Own(gsf, gsf.inputMemoryNew(data, static_cast<gsf_off_t>(size), FALSE));
  if (!input) throw ESpreadSheetError("Damaged compound file: cannot be read");
  return OpenFromInput(gsf, std::move(input));
}

}  // namespace zolt::biff
