#pragma once
// libgsf, opened on the first compound file rather than linked: the program
// and its tools start without it and the libraries it brings (gio, libxml2,
// liblzma, ...), which a workbook-less run never needs. Only the types and
// macros come from its headers; every call goes through TGsfLibrary.

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <string>

namespace zolt::biff {

// The calls the compound-file layer makes: the member, then the function of
// libgsf (or of gobject and glib, reached through libgsf) it stands for.
#define ZOLT_GSF_CALLS(X)                             \
  X(objectUnref, g_object_unref)                      \
  X(errorFree, g_error_free)                          \
  X(logSetHandler, g_log_set_handler)                 \
  X(logRemoveHandler, g_log_remove_handler)           \
  X(typeCheckInstanceIsA, g_type_check_instance_is_a) \
  X(infileGetType, gsf_infile_get_type)               \
  X(infileMsoleNew, gsf_infile_msole_new)             \
  X(infileNumChildren, gsf_infile_num_children)       \
  X(infileNameByIndex, gsf_infile_name_by_index)      \
  X(infileChildByIndex, gsf_infile_child_by_index)    \
  X(inputStdioNewFile, gsf_input_stdio_new_FILE)      \
  X(inputMemoryNew, gsf_input_memory_new)             \
  X(inputSize, gsf_input_size)                        \
  X(inputRemaining, gsf_input_remaining)              \
  X(inputTell, gsf_input_tell)                        \
  X(inputSeek, gsf_input_seek)                        \
  X(inputRead, gsf_input_read)

struct TGsfCalls {
#define ZOLT_GSF_MEMBER(member, function) decltype(&::function) member = nullptr;
  ZOLT_GSF_CALLS(ZOLT_GSF_MEMBER)
#undef ZOLT_GSF_MEMBER
};

class TGsfLibrary {
 public:
  // Opens the library of that soname (dlopen, local) and finds every call in
  // it; never throws: what failed is kept for Calls() to report.
  // The library is never closed: the types it registers with gobject
  // outlive it.
  explicit TGsfLibrary(const std::string& soname);
  TGsfLibrary(const TGsfLibrary&) = delete;
  TGsfLibrary& operator=(const TGsfLibrary&) = delete;

  // The calls, or ESpreadSheetError saying why the library cannot be used.
  const TGsfCalls& Calls() const;

  // The libgsf the build found, opened on the first call from any thread and
  // kept for the life of the process (failure included: no retry per file).
  static const TGsfLibrary& Shared();

 private:
  TGsfCalls calls_;
  std::string problem_;
};

}  // namespace zolt::biff
