#include <dlfcn.h>

#include <QCoreApplication>
#include <cstdio>
#include <utility>

#include "app/homeview.h"
#include "app/zoltapplication.h"

namespace zolt {

namespace {

std::string& PathForTesting() {
  static std::string path;
  return path;
}

struct Loaded {
  bool tried = false;
  MakeHomeView make = nullptr;
};

Loaded& State() {
  static Loaded state;
  return state;
}

}  // namespace

std::string HomeModulePath() {
  if (!PathForTesting().empty()) return PathForTesting();
  const std::string& runtime = RuntimeFolder();
  if (!runtime.empty()) return runtime + "/" + kHomeModuleFile;
  return QCoreApplication::applicationDirPath().toStdString() + "/" + kHomeModuleFile;
}

void SetHomeModulePathForTesting(std::string path) {
  PathForTesting() = std::move(path);
  State() = Loaded{};
}

MakeHomeView LoadHomeModule() {
  Loaded& state = State();
  if (state.tried) return state.make;
  state.tried = true;
  const std::string path = HomeModulePath();
  // Every symbol is bound now, so a damaged module fails here and not in the
  // middle of the Home page; the module stays loaded for the whole run.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) {
    std::fprintf(stderr, "zolt: la pagina Home non è disponibile: %s\n", ::dlerror());
    return nullptr;
  }
  state.make = reinterpret_cast<MakeHomeView>(::dlsym(module, kHomeModuleEntry));
  if (state.make == nullptr) std::fprintf(stderr, "zolt: la pagina Home non è disponibile: %s\n", ::dlerror());
  return state.make;
}

bool HomeModuleReady() { return State().make != nullptr; }

}  // namespace zolt
