#include "search/fricerca.h"

TFRicerca::TFRicerca(TZolt* zolt, QWidget* parent) : QWidget(parent), Zolt_(zolt) {
  setObjectName(QStringLiteral("FRicerca"));
  setWindowTitle(QStringLiteral("Ricerca"));
}

TFRicerca::~TFRicerca() = default;
