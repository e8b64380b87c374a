#pragma once
// The local files a home page uses, found by a real HTML parser.

#include <string>
#include <string_view>
#include <vector>

namespace zolt::check {

struct PageReference {
  std::string element;  // "img", "link", "a", ...
  std::string value;    // the attribute as written (UTF-8)
  std::string path;     // the local file it names: query and fragment cut, %-escapes decoded, "/" separators
};

// Every reference of `html` (src, href, background, poster, data) that names
// a local file by a relative path. Web addresses, "mailto:", fragments and
// scripts are left out. A page with a <base> element gives none: its
// references are not relative to the page.
std::vector<PageReference> LocalReferences(std::string_view html);

}  // namespace zolt::check
