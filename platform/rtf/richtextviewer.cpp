#include "platform/rtf/richtextviewer.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextDocument>

#include "platform/rtf/rtfreader.h"

namespace zolt {

RichTextViewer::RichTextViewer(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  // No caret, no selection: the text is shown, and its links are clicked.
  setTextInteractionFlags(Qt::NoTextInteraction);
  setFrameShape(QFrame::NoFrame);
  setUndoRedoEnabled(false);
  viewport()->setCursor(Qt::ArrowCursor);
  viewport()->setMouseTracking(true);
  setContextMenuPolicy(Qt::PreventContextMenu);
}

void RichTextViewer::LoadRtf(std::string_view data) {
  pressedLink_.clear();
  pressedButton_ = Qt::NoButton;
  // Read into a document of its own and then show it: a new document is laid
  // out a screenful at a time, where a changed one would be laid out whole.
  auto* fresh = new QTextDocument(this);
  fresh->setUndoRedoEnabled(false);
  QTextDocument* previous = document();
  fresh->setDefaultFont(font());
  fresh->setDocumentMargin(previous->documentMargin());  // a margin the page may have set
  rtf::ReadRtf(data, *fresh);
  // No page yet: the layout that comes with the document then waits for the
  // viewer to give it its width, instead of laying the text out unwrapped first.
  fresh->setPageSize(QSizeF(0, 0));
  const bool ours = previous->parent() == this;  // the first one belongs to QTextEdit
  setDocument(fresh);
  if (ours) previous->deleteLater();
  verticalScrollBar()->setValue(0);
  viewport()->setCursor(Qt::ArrowCursor);
}

void RichTextViewer::Clear() {
  pressedLink_.clear();
  pressedButton_ = Qt::NoButton;
  document()->clear();
  viewport()->setCursor(Qt::ArrowCursor);
}

QString RichTextViewer::linkAt(const QPoint& viewportPos) const {
  return anchorAt(viewportPos);
}

void RichTextViewer::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (button == Qt::LeftButton || button == Qt::RightButton) {
    // A press while another button is held starts nothing new.
    if (pressedButton_ == Qt::NoButton) {
      pressedButton_ = button;
      pressedLink_ = linkAt(event->position().toPoint());
    } else {
      pressedLink_.clear();
    }
  }
  event->accept();
}

void RichTextViewer::mouseReleaseEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (button != pressedButton_) {
    event->accept();
    return;
  }
  const QString pressed = pressedLink_;
  pressedLink_.clear();
  pressedButton_ = Qt::NoButton;
  event->accept();
  if (!pressed.isEmpty() && linkAt(event->position().toPoint()) == pressed) {
    emit linkClicked(pressed);
  }
}

void RichTextViewer::mouseMoveEvent(QMouseEvent* event) {
  const bool overLink = !linkAt(event->position().toPoint()).isEmpty();
  viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
  event->accept();
}

void RichTextViewer::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click starts no click of its own: a double
  // click on a link opens it once, not twice.
  event->accept();
}

void RichTextViewer::contextMenuEvent(QContextMenuEvent* event) {
  // The right button follows links; there is no menu to offer.
  event->accept();
}

}  // namespace zolt
