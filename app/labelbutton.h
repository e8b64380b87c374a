#pragma once
// A label used as a button: it reports a click (left button pressed and
// released over it), mouse moves over it and the mouse leaving it.

#include <QLabel>

namespace zolt {

class LabelButton : public QLabel {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(LabelButton)

 public:
  explicit LabelButton(QWidget* parent = nullptr);
  LabelButton(const QString& text, QWidget* parent);

 signals:
  void clicked();
  void mouseMoved();
  void mouseLeft();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool pressed_ = false;
};

// The label-buttons' hover look: underline alone while the mouse is over the
// label, no style at all once it has left. Colours do not change.
void SetHoverLook(QLabel* label, bool underline);

}  // namespace zolt
