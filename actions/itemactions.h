#pragma once
// What the item page's buttons do. Each takes the main window's state it
// needs and talks to the desktop through platform::CurrentShell().

#include <QString>
#include <string>

class QWidget;

namespace zolt::actions {

// "  Installa  ": the file named by the first line of "setup.txt", else the
// program file found for the item, else nothing.
void Installa(const std::string& percorsoProdotto, const std::string& eseguibileProdotto);

// "  Copia file  ": the one file named by "copia.txt", else the whole item
// into a folder named after its title, below a folder the user chooses.
void CopiaProdotto(QWidget* owner, const std::string& percorsoProdotto, const QString& titolo);

// Shows the picture in the modal zoom window and returns when it is closed.
// Throws std::runtime_error, showing nothing, when the picture cannot be read.
void MostraZoom(const std::string& percorsoImmagine);

}  // namespace zolt::actions
