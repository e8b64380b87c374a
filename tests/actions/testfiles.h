#pragma once
// Small file helpers for tests that lay out folders in a temporary directory.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testfiles {

inline void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every name below `folder`, relative and sorted, folders ending in "/".
inline std::string Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    std::string name = std::filesystem::relative(entry.path(), folder).string();
    if (entry.is_directory()) name += "/";
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += name + " ";
  return joined;
}

// Every entry below `folder` with what it is, byte for byte: "name=content",
// "name/" for a folder, "name->target" for a link (never followed).
inline std::string Snapshot(const std::filesystem::path& folder) {
  std::vector<std::string> lines;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().lexically_relative(folder).string();
    const auto status = it->symlink_status();
    if (std::filesystem::is_symlink(status)) {
      lines.push_back(name + "->" + std::filesystem::read_symlink(it->path()).string());
    } else if (std::filesystem::is_directory(status)) {
      lines.push_back(name + "/");
    } else if (std::filesystem::is_regular_file(status)) {
      lines.push_back(name + "=" + Read(it->path()));
    } else {
      lines.push_back(name + "|");
    }
  }
  std::sort(lines.begin(), lines.end());
  std::string joined;
  for (const auto& line : lines) joined += line + "\n";
  return joined;
}

}  // namespace testfiles
