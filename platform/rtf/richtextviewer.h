#pragma once
// The read-only rich-text viewer of item descriptions. It loads RTF (or plain
// text), shows web addresses as links and reports a click on a link: a press
// and a release of the same mouse button, left or right, on the same link.

#include <QString>
#include <QTextEdit>
#include <string_view>

namespace zolt {

class RichTextViewer : public QTextEdit {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(RichTextViewer)

 public:
  explicit RichTextViewer(QWidget* parent = nullptr);

  // Replaces the shown text with the document read from `data`.
  void LoadRtf(std::string_view data);
  // Shows nothing.
  void Clear();

 signals:
  void linkClicked(const QString& address);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QString linkAt(const QPoint& viewportPos) const;

  QString pressedLink_;
  Qt::MouseButton pressedButton_ = Qt::NoButton;
};

}  // namespace zolt
