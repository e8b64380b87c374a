#include "actions/itemactions.h"

#include <stdexcept>

namespace zolt::actions {

void Installa(const std::string&, const std::string&) {}
void CopiaProdotto(QWidget*, const std::string&, const QString&) {}
void MostraZoom(const std::string&) { throw std::runtime_error("zoom window not built yet"); }

}  // namespace zolt::actions
