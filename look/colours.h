#pragma once
// The program's colours and the ways both windows apply them.

#include <QColor>
#include <QStyledItemDelegate>

class QLabel;

namespace zolt {

// Label-buttons, unselected tabs, headings: 0xA0855C as a 0x00BBGGRR value.
inline const QColor kDark(92, 133, 160);
// Panels and the selected tab: 0xE8E1D7.
inline const QColor kLight(215, 225, 232);

// A label's background and text colours, its background painted.
void SetColours(QLabel* label, const QColor& background, const QColor& text);

// Hot tracking of a list: the row under the mouse is underlined and, when
// `text` is given, written in that colour.
class HotTrackDelegate : public QStyledItemDelegate {
 public:
  explicit HotTrackDelegate(QObject* parent, QColor text = QColor()) : QStyledItemDelegate(parent), text_(text) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  QColor text_;
};

}  // namespace zolt
