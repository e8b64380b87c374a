#pragma once
// The search window: a word, the items whose description holds it, and the
// matching rows of the archive workbook.

#include <QWidget>

class TZolt;

class TFRicerca : public QWidget {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(TFRicerca)

 public:
  explicit TFRicerca(TZolt* zolt, QWidget* parent = nullptr);
  ~TFRicerca() override;

 private:
  TZolt* Zolt_ = nullptr;
};
