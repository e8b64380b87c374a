#include "disc/tree.h"

#include "disc/catalogue.h"
#include "disc/discfile.h"

#include <algorithm>

namespace zolt::catalogue {

std::vector<std::string> TabbedSections(const std::vector<std::string>& listed) {
  std::vector<std::string> tabbed;
  for (std::size_t i = 0; i < listed.size() && i < kTabCount; ++i) {
    if (listed[i] != disc::kHomeFolder) tabbed.push_back(listed[i]);
  }
  return tabbed;
}

std::optional<std::string> ResolveInListing(const std::vector<std::string>& sortedNames, std::string_view name) {
  const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  const std::string* first = nullptr;
  for (const std::string& entry : sortedNames) {
    if (entry == name) return entry;
    if (first != nullptr || entry.size() != name.size()) continue;
    if (std::equal(entry.begin(), entry.end(), name.begin(), [&](char a, char b) { return fold(a) == fold(b); })) {
      first = &entry;
    }
  }
  if (first == nullptr) return std::nullopt;
  return *first;
}

bool HoldsPageFiles(const std::string& folder) {
  for (const std::string_view name : {disc::kDescriptionFile, disc::kPictureFile, disc::kBannerFile}) {
    if (ResolveFile(folder, name)) return true;
  }
  return false;
}

bool HoldsItemFiles(const std::string& folder) {
  if (HoldsPageFiles(folder)) return true;
  for (const std::string_view name : {disc::kBannerAddressFile, disc::kSetupFile, disc::kCopyListFile}) {
    if (ResolveFile(folder, name)) return true;
  }
  return false;
}

bool IsCatalogueFolder(const std::string& folder) {
  if (HoldsPageFiles(folder)) return true;
  std::vector<std::string> listed;
  ElencaCartelle(JoinPath(folder, ""), listed);
  return !listed.empty();
}

bool IsGroupEntry(const std::string& entryFolder) {
  // Any entry of that name counts, whatever it is or leads to: the rule is
  // about names, like its twin on a listing.
  return entryFolder.empty() || !ResolveFile(entryFolder, disc::kDescriptionFile);
}

bool IsGroupEntry(const std::vector<std::string>& sortedNames) {
  return !ResolveInListing(sortedNames, disc::kDescriptionFile);
}

}  // namespace zolt::catalogue
