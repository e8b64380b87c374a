#include "disc/webaddress.h"

namespace zolt::disc {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string WebAddress(std::string_view target) {
  while (!target.empty() && IsBlank(target.front())) target.remove_prefix(1);
  while (!target.empty() && IsBlank(target.back())) target.remove_suffix(1);
  for (const char c : target) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
  }
  for (const std::string_view scheme : {"http://", "https://", "ftp://", "mailto:"}) {
    if (StartsWithNoCase(target, scheme)) {
      if (target.size() == scheme.size()) return {};
      return std::string(target);
    }
  }
  if (StartsWithNoCase(target, "www.") && target.size() > 4 && target[4] != '.' && target[4] != '/') {
    return "http://" + std::string(target);
  }
  return {};
}

}  // namespace zolt::disc
