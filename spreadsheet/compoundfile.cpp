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

TWorkbookStream ReadFromInput(GsfInput* source) {
  const TQuietGsf quiet;
  const gsf_off_t fileSize = gsf_input_size(source);
  GError* rawError = nullptr;
  TGObject<GsfInfile> root(gsf_infile_msole_new(source, &rawError));
  std::unique_ptr<GError, TGErrorFree> error(rawError);
  if (!root) {
    throw ESpreadSheetError(std::string("Damaged compound file: ") +
                            (error ? error->message : "the root storage cannot be read"));
  }
  // Excel 97 can save a workbook twice, as "Workbook" and as an Excel 95
  // "Book" copy whose texts lose every character outside the code page.
  // The library lists "Book" first; a "Workbook" beside it is the one read.
  int chosen = -1;
  bool chosenBook = false;
  const int count = gsf_infile_num_children(root.get());
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(root.get(), i);
    if (name == nullptr) continue;
    if (strcasecmp(name, "Workbook") == 0) {
      chosen = i;
      chosenBook = false;
      break;
    }
    if (chosen < 0 && strcasecmp(name, "Book") == 0) {
      chosen = i;
      chosenBook = true;
    }
  }
  TWorkbookStream result;
  if (chosen < 0) return result;
  const char* name = gsf_infile_name_by_index(root.get(), chosen);
  TGObject<GsfInput> stream(gsf_infile_child_by_index(root.get(), chosen));
  if (!stream) throw ESpreadSheetError(std::string("Damaged compound file: cannot open the stream ") + name);
  const gsf_off_t size = gsf_input_size(stream.get());
  // A stream is made of the file's own sectors, so it cannot be larger
  // than the file; a directory entry that says otherwise is damaged.
  if (size < 0 || size > fileSize)
    throw ESpreadSheetError(std::string("Damaged compound file: stream ") + name + " is larger than the file");
  result.found = true;
  result.book = chosenBook;
  result.size = static_cast<std::size_t>(size);
  result.data = std::make_unique_for_overwrite<std::uint8_t[]>(result.size);
  if (size > 0 && gsf_input_read(stream.get(), result.size, result.data.get()) == nullptr)
    throw ESpreadSheetError(std::string("Damaged compound file: stream ") + name + " cannot be read whole");
  return result;
}

}  // namespace

bool HasCompoundSignature(const std::uint8_t* data, std::size_t size) noexcept {
  static constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

TWorkbookStream ReadWorkbookStream(const std::string& path) {
  GError* rawError = nullptr;
  TGObject<GsfInput> input(gsf_input_stdio_new(path.c_str(), &rawError));
  std::unique_ptr<GError, TGErrorFree> error(rawError);
  if (!input) throw ESpreadSheetError(std::string("Cannot open the file: ") + (error ? error->message : path));
  return ReadFromInput(input.get());
}

TWorkbookStream ReadWorkbookStream(const std::uint8_t* data, std::size_t size) {
  TGObject<GsfInput> input(gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE));
  if (!input) throw ESpreadSheetError("Damaged compound file: cannot be read");
  return ReadFromInput(input.get());
}

}  // namespace zolt::biff
