#include "disc/webaddress.h"

#include "disc/disctext.h"

namespace zolt::disc {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string WebAddress(std::string_view target) {
  while (!target.empty() && IsBlank(target.front())) target.remove_prefix(1);
  while (!target.empty() && IsBlank(target.back())) target.remove_suffix(1);
  for (const char c : target) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
  }
  for (const std::string_view scheme : {"http://", "https://", "ftp://", "mailto:"}) {
    if (StartsWithIgnoringCase(target, scheme)) {
      if (target.size() == scheme.size()) return {};
      return std::string(target);
    }
  }
  if (StartsWithIgnoringCase(target, "www.") && target.size() > 4 && target[4] != '.' && target[4] != '/') {
    return "http://" + std::string(target);
  }
  return {};
}

}  // namespace zolt::disc
