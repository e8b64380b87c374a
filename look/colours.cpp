#include "look/colours.h"

#include <QLabel>
#include <QPalette>

namespace zolt {

void SetColours(QLabel* label, const QColor& background, const QColor& text) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, text);
  label->setPalette(palette);
  label->setAutoFillBackground(true);
}

void HotTrackDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!(option->state & QStyle::State_MouseOver)) return;
  option->font.setUnderline(true);
  if (text_.isValid()) option->palette.setColor(QPalette::Text, text_);
}

}  // namespace zolt
