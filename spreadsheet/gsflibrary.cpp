#include "spreadsheet/gsflibrary.h"

#include "spreadsheet/spreadsheet.h"

#include <dlfcn.h>

namespace zolt::biff {

namespace {

template <typename F>
bool Resolve(void* handle, const char* name, F& call) {
  // POSIX guarantees a function pointer survives the round trip through void*.
  call = reinterpret_cast<F>(dlsym(handle, name));
  return call != nullptr;
}

}  // namespace

TGsfLibrary::TGsfLibrary(const std::string& soname) {
  // Local: its symbols stay out of the program's namespace; gobject and glib
  // come with it as its own dependencies (glib is the one Qt already has).
  void* const handle = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    problem_ = "Cannot read compound files: " + soname + " cannot be loaded" +
               (why != nullptr ? std::string(" (") + why + ")" : "");
    return;
  }
  const char* missing = nullptr;
#define ZOLT_GSF_RESOLVE(member, function) \
  if (missing == nullptr && !Resolve(handle, #function, calls_.member)) missing = #function;
  ZOLT_GSF_CALLS(ZOLT_GSF_RESOLVE)
#undef ZOLT_GSF_RESOLVE
  if (missing != nullptr) {
    problem_ = "Cannot read compound files: " + soname + " has no " + missing;
    calls_ = {};
  }
}

const TGsfCalls& TGsfLibrary::Calls() const {
  if (!problem_.empty()) throw ESpreadSheetError(problem_);
  return calls_;
}

const TGsfLibrary& TGsfLibrary::Shared() {
  static const TGsfLibrary library(ZOLT_GSF_SONAME);
  return library;
}

}  // namespace zolt::biff
