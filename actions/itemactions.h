#pragma once
// What the item page's buttons do. Each takes the main window's state it
// needs and talks to the desktop through platform::CurrentShell().

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell.h"

class QWidget;

namespace zolt::actions {

// "  Installa  ": the file named by the first line of "setup.txt", else the
// program file found for the item, else nothing. Only what lies inside the
// disc (after "..", links and letter case are resolved) is opened; anything
// else and an open that fails are told in a warning box owned by `owner`.
// A "setup.txt" that cannot be read stops the action silently.
void Installa(const std::string& percorsoProdotto, const std::string& eseguibileProdotto,
              QWidget* owner = nullptr);

// "  Copia file  ": the one file named by "copia.txt" (a missing, unreadable
// or empty one names none), else the whole item into a folder named after
// its title, below a folder the user chooses. The one file must really lie
// in the item folder; a file, or a link, named like the title in the chosen
// folder stops the whole-item copy with a warning and is left as it is.
void CopiaProdotto(QWidget* owner, const std::string& percorsoProdotto, const QString& titolo);

// Shows the picture in the modal zoom window and returns when it is closed.
// Throws std::runtime_error, showing nothing, when the picture cannot be read.
void MostraZoom(const std::string& percorsoImmagine);

// Copies the whole content of `sorgente` into `destinazione` through the
// shell's folder copy, leaving out the catalogue's own files at the top
// level. Blanks and control characters around either path are ignored; an
// empty source copies nothing.
platform::CopyOutcome CopiaCartella(QWidget* owner, std::string sorgente, std::string destinazione);

// The per-item files that serve the presentation and stay out of a copy.
const std::vector<std::string>& FileDelCatalogo();

// Helpers shared by the actions, exposed for their tests.

// A folder name made from the item title: blanks trimmed, characters that no
// folder name may hold replaced by "_"; when nothing usable is left, the item
// folder's own name (without its "_"), else "Prodotto".
std::string SafeFolderName(const QString& titolo, const std::string& percorsoProdotto);

}  // namespace zolt::actions
