#pragma once
// A label used as a button: it reports a click (left button pressed and
// released over it, or Enter or Space while it has the keyboard focus),
// mouse moves over it and the mouse leaving it. It is reached with Tab, shows
// a focus mark while the keyboard is on it, and is announced to assistive
// technology as a button (or a tab, a picture, a link) with its caption
// without the padding blanks.

#include <QAccessible>
#include <QColor>
#include <QImage>
#include <QLabel>

namespace zolt {

class LabelButton : public QLabel {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(LabelButton)

 public:
  explicit LabelButton(QWidget* parent = nullptr);
  LabelButton(const QString& text, QWidget* parent);

  // What assistive technology hears it as; a button unless told otherwise.
  void setAccessibleRole(QAccessible::Role role) { role_ = role; }
  QAccessible::Role accessibleRole() const { return role_; }
  // The selected state of a tab.
  void setSelected(bool selected);
  bool isSelected() const { return selected_; }
  // The colour of the focus mark; the text colour unless set.
  void setFocusColour(const QColor& colour) { focusColour_ = colour; }

  // Shows `image` fitted into the label, keeping its proportions, scaled
  // from the decoded picture at the screen's own pixels.
  void setPicture(const QImage& image);

 signals:
  void clicked();
  void mouseMoved();
  void mouseLeft();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool pressed_ = false;
  bool keyboardFocus_ = false;
  bool selected_ = false;
  QAccessible::Role role_ = QAccessible::Button;
  QColor focusColour_;
};

// The label-buttons' hover look: underline alone while the mouse is over the
// label, no style at all once it has left. Colours do not change.
void SetHoverLook(QLabel* label, bool underline);

// Draws a one-pixel frame of `colour` over `surface` while `owner` has the
// keyboard focus because of the keyboard (Tab, Shift+Tab), not of a click.
void AddFocusMark(QWidget* owner, QWidget* surface, const QColor& colour);

// Makes the label-buttons known to the accessibility framework (once).
void InstallLabelButtonAccessibility();

}  // namespace zolt
