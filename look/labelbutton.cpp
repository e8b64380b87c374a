#include "look/labelbutton.h"

#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace zolt {

namespace {

bool IsKeyboardReason(Qt::FocusReason reason) {
  return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::ShortcutFocusReason;
}

void DrawFocusMark(QWidget* surface, const QColor& colour) {
  QPainter painter(surface);
  painter.setPen(QPen(colour, 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(surface->rect().adjusted(0, 0, -1, -1));
}

// Paints the focus mark after the surface has painted itself.
class FocusMark : public QObject {
 public:
  FocusMark(QWidget* owner, QWidget* surface, const QColor& colour)
      : QObject(owner), owner_(owner), surface_(surface), colour_(colour) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == owner_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
      const auto* focus = static_cast<QFocusEvent*>(event);
      shown_ = event->type() == QEvent::FocusIn && IsKeyboardReason(focus->reason());
      if (surface_) surface_->update();
    } else if (watched == surface_ && event->type() == QEvent::Paint && shown_ && !painting_) {
      painting_ = true;
      surface_->removeEventFilter(this);
      QCoreApplication::sendEvent(surface_, event);
      surface_->installEventFilter(this);
      painting_ = false;
      DrawFocusMark(surface_, colour_);
      return true;
    }
    return false;
  }

 private:
  QPointer<QWidget> owner_;
  QPointer<QWidget> surface_;
  QColor colour_;
  bool shown_ = false;
  bool painting_ = false;
};

class LabelButtonAccessible : public QAccessibleWidget {
 public:
  explicit LabelButtonAccessible(LabelButton* button)
      : QAccessibleWidget(button, button->accessibleRole()) {
    addControllingSignal(QStringLiteral("clicked()"));
  }

  QAccessible::Role role() const override { return button()->accessibleRole(); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      const QString name = button()->accessibleName();
      return name.isEmpty() ? button()->text().trimmed() : name;
    }
    return QAccessibleWidget::text(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (role() == QAccessible::PageTab) {
      s.selectable = true;
      s.selected = button()->isSelected();
      s.checkable = true;
      s.checked = button()->isSelected();
    }
    return s;
  }

  QStringList actionNames() const override { return {pressAction()}; }

  void doAction(const QString& action) override {
    if (action == pressAction()) QMetaObject::invokeMethod(button(), "clicked");
  }

 private:
  LabelButton* button() const { return static_cast<LabelButton*>(widget()); }
};

QAccessibleInterface* LabelButtonFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("zolt::LabelButton") && object && object->isWidgetType()) {
    return new LabelButtonAccessible(static_cast<LabelButton*>(object));
  }
  return nullptr;
}

}  // namespace

LabelButton::LabelButton(QWidget* parent) : LabelButton(QString(), parent) {}

LabelButton::LabelButton(const QString& text, QWidget* parent) : QLabel(text, parent) {
  InstallLabelButtonAccessibility();
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  // Reached with Tab; a click does not take the focus, so the mouse leaves
  // no mark behind.
  setFocusPolicy(Qt::TabFocus);
}

void LabelButton::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  QAccessible::State changed;
  changed.selected = true;
  changed.checked = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
}

void LabelButton::setPicture(const QImage& image) {
  const qreal ratio = devicePixelRatioF();
  QImage scaled = image.scaled((QSizeF(size()) * ratio).toSize(), Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
  scaled.setDevicePixelRatio(ratio);
  setPixmap(QPixmap::fromImage(std::move(scaled)));
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

void LabelButton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
      event->modifiers() == Qt::NoModifier) {
    event->accept();
    if (!event->isAutoRepeat()) emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

void LabelButton::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  keyboardFocus_ = IsKeyboardReason(event->reason());
  update();
}

void LabelButton::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  keyboardFocus_ = false;
  update();
}

void LabelButton::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (keyboardFocus_ && hasFocus()) {
    DrawFocusMark(this, focusColour_.isValid() ? focusColour_ : palette().color(QPalette::WindowText));
  }
}

void SetHoverLook(QLabel* label, bool underline) {
  QFont font = label->font();
  font.setBold(false);
  font.setItalic(false);
  font.setStrikeOut(false);
  font.setUnderline(underline);
  if (font != label->font()) label->setFont(font);
}

void AddFocusMark(QWidget* owner, QWidget* surface, const QColor& colour) {
  auto* mark = new FocusMark(owner, surface, colour);
  owner->installEventFilter(mark);
  if (surface != owner) surface->installEventFilter(mark);
}

void InstallLabelButtonAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(LabelButtonFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace zolt
