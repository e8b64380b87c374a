// Names the disc's assembly takes at the root: a catalogue holding one is
// refused by the assembly (or, made into a disc some other way, loses it).

#include "tools/zolt-check/authorrules.h"

#include "disc/discfile.h"

namespace zolt::check {

std::vector<Finding> RootNameFindings(const std::vector<std::string>& rootNames, bool assembled) {
  std::vector<Finding> found;
  if (assembled) return found;  // they are the disc's own
  for (const std::string& name : rootNames) {
    if (!disc::IsAssemblyRootName(name)) continue;
    found.push_back({"name-reserved-at-root", name,
                     "alla radice del disco questo nome è del disco stesso (il programma \"zolt\", "
                     "\"autorun.sh\", la cartella \".zolt\", \".xdg-volume-info\"), senza badare alle "
                     "maiuscole: l'assemblaggio del disco lo rifiuta o lo sovrascrive. Rinominarlo o spostarlo "
                     "in una cartella."});
  }
  return found;
}

}  // namespace zolt::check
