#pragma once
// What a link of the disc may open: web addresses only. No Qt.

#include <string>
#include <string_view>

namespace zolt::disc {

// The address to hand to the desktop's browser when `target` (blanks around
// it ignored) is a web address: "http://", "https://", "ftp://" or "mailto:"
// followed by something, without regard to case, or "www." followed by a
// name, which gains "http://". Empty for anything else: local paths,
// "file:", "javascript:", program names, addresses holding control
// characters.
std::string WebAddress(std::string_view target);

}  // namespace zolt::disc
