// The mode of the program "  Installa  " starts. A published disc is owned
// by root and read by someone else: a program runs only with the execute
// bit for others, and a desktop opens a script or program without it in an
// editor instead.

#include "tools/zolt-check/authorrules.h"

#include <sys/stat.h>

namespace zolt::check {

std::vector<Finding> InstallerModeFindings(const disc::ProgramFile& program) {
  std::vector<Finding> found;
  const bool runnable = program.kind == disc::ProgramKind::kScript || program.kind == disc::ProgramKind::kElf;
  if (runnable && (program.mode & S_IXOTH) == 0) {
    found.push_back({"installer-not-executable", "",
                     std::string(program.kind == disc::ProgramKind::kScript ? "lo script" : "il programma") +
                         " non ha il permesso di esecuzione per tutti: sul disco \"  Installa  \" non lo avvia "
                         "ma lo fa aprire al desktop, di solito in un editor di testo. Dargli il permesso "
                         "(chmod a+x) prima di fare l'immagine."});
  }
  std::string unsafe;
  if ((program.mode & S_ISUID) != 0) unsafe = "setuid";
  if ((program.mode & S_ISGID) != 0) unsafe += std::string(unsafe.empty() ? "" : ", ") + "setgid";
  if ((program.mode & S_IWOTH) != 0) unsafe += std::string(unsafe.empty() ? "" : ", ") + "scrivibile da tutti";
  if (!unsafe.empty()) {
    found.push_back({"installer-unsafe-mode", "",
                     "il file è " + unsafe +
                         ": un programma di un disco non deve cambiare utente né lasciarsi modificare da altri. "
                         "Togliere questi permessi (chmod u-s,g-s,o-w)."});
  }
  return found;
}

}  // namespace zolt::check
