#pragma once
// The read-only rich-text viewer of item descriptions. It loads RTF (or plain
// text), shows web addresses as links and reports a click on a link: a press
// and a release of the same mouse button, left or right, on the same link,
// without a drag in between. Text is selected by dragging with the left
// button and copied with Ctrl+C. From the keyboard, Tab and Shift+Tab step
// through the links and Enter or Space opens the one marked.

#include <QString>
#include <QTextEdit>
#include <string_view>
#include <vector>

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

  // The link the keyboard has marked, or an empty text.
  QString focusedLink() const;

 signals:
  void linkClicked(const QString& address);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  struct Link {
    int start;
    int end;
    QString address;
  };
  QString linkAt(const QPoint& viewportPos) const;
  std::vector<Link> links() const;
  bool markLink(int index);
  void resetPress();

  QString pressedLink_;
  Qt::MouseButton pressedButton_ = Qt::NoButton;
  QPoint pressedAt_;
  bool dragged_ = false;
  int markedLink_ = -1;
};

}  // namespace zolt
