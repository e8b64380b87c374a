#include "app/labelbutton.h"

#include <QMouseEvent>

namespace zolt {

LabelButton::LabelButton(QWidget* parent) : LabelButton(QString(), parent) {}

LabelButton::LabelButton(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
}

void LabelButton::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void LabelButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) emit clicked();
}

void LabelButton::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  emit mouseMoved();
}

void LabelButton::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  emit mouseLeft();
}

void SetHoverLook(QLabel* label, bool underline) {
  QFont font = label->font();
  font.setBold(false);
  font.setItalic(false);
  font.setStrikeOut(false);
  font.setUnderline(underline);
  if (font != label->font()) label->setFont(font);
}

}  // namespace zolt
