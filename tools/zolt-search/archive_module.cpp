// The archive half of zolt-search, loaded only when --archive asks for it:
// the workbook reader brings libgsf and GLib, whose loading would cost the
// description search more than its own work.

#include "tools/zolt-search/archive_module.h"

#include "search/archive.h"
#include "spreadsheet/msexcel.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) int ZoltSearchArchive(const char* root, const char* word,
                                                                         ZoltSearchLine line, void* context,
                                                                         char* error, std::size_t errorSize) {
  zolt::TMSExcel reader;
  const zolt::search::ArchiveResult result =
      zolt::search::SearchArchive(reader, root, zolt::search::TextMatcher(std::string_view(word)));
  if (!result.loaded) {
    if (errorSize > 0) {
      std::strncpy(error, result.error.c_str(), errorSize - 1);
      error[errorSize - 1] = '\0';
    }
    return 0;
  }
  for (const std::string& text : result.lines) line(context, text.data(), text.size());
  return 1;
}
