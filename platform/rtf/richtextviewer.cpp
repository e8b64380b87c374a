#include "platform/rtf/richtextviewer.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "platform/rtf/rtfreader.h"

namespace zolt {

RichTextViewer::RichTextViewer(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  // No caret: the text is read, selected with the mouse and copied, and its
  // links are clicked (links are followed by this class, not by the editor).
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  setFrameShape(QFrame::NoFrame);
  setUndoRedoEnabled(false);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::ArrowCursor);
  viewport()->setMouseTracking(true);
  setContextMenuPolicy(Qt::PreventContextMenu);
}

void RichTextViewer::resetPress() {
  pressedLink_.clear();
  pressedButton_ = Qt::NoButton;
  dragged_ = false;
  markedLink_ = -1;
}

void RichTextViewer::LoadRtf(std::string_view data) {
  resetPress();
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
  resetPress();
  document()->clear();
  viewport()->setCursor(Qt::ArrowCursor);
}

QString RichTextViewer::linkAt(const QPoint& viewportPos) const {
  return anchorAt(viewportPos);
}

std::vector<RichTextViewer::Link> RichTextViewer::links() const {
  std::vector<Link> found;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.isAnchor() || format.anchorHref().isEmpty()) continue;
      const int start = fragment.position();
      const int end = start + fragment.length();
      if (!found.empty() && found.back().end == start && found.back().address == format.anchorHref()) {
        found.back().end = end;  // one link split over differently formatted runs
      } else {
        found.push_back({start, end, format.anchorHref()});
      }
    }
  }
  return found;
}

bool RichTextViewer::markLink(int index) {
  const std::vector<Link> all = links();
  if (index < 0 || index >= static_cast<int>(all.size())) {
    markedLink_ = -1;
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
    return false;
  }
  markedLink_ = index;
  QTextCursor cursor(document());
  cursor.setPosition(all[static_cast<std::size_t>(index)].start);
  cursor.setPosition(all[static_cast<std::size_t>(index)].end, QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
  return true;
}

QString RichTextViewer::focusedLink() const {
  const std::vector<Link> all = links();
  if (markedLink_ < 0 || markedLink_ >= static_cast<int>(all.size())) return {};
  const Link& link = all[static_cast<std::size_t>(markedLink_)];
  const QTextCursor cursor = textCursor();
  // A selection made since with the mouse is no longer the marked link.
  if (cursor.selectionStart() != link.start || cursor.selectionEnd() != link.end) return {};
  return link.address;
}

void RichTextViewer::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (button == Qt::LeftButton || button == Qt::RightButton) {
    // A press while another button is held starts nothing new.
    if (pressedButton_ == Qt::NoButton) {
      pressedButton_ = button;
      pressedLink_ = linkAt(event->position().toPoint());
      pressedAt_ = event->position().toPoint();
      dragged_ = false;
    } else {
      pressedLink_.clear();
    }
  }
  markedLink_ = -1;
  if (button == Qt::LeftButton) QTextEdit::mousePressEvent(event);  // starts a selection
  event->accept();
}

void RichTextViewer::mouseReleaseEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (button == Qt::LeftButton) QTextEdit::mouseReleaseEvent(event);  // ends the selection
  event->accept();
  if (button != pressedButton_) return;
  const QString pressed = dragged_ ? QString() : pressedLink_;
  pressedLink_.clear();
  pressedButton_ = Qt::NoButton;
  dragged_ = false;
  if (!pressed.isEmpty() && linkAt(event->position().toPoint()) == pressed) {
    emit linkClicked(pressed);
  }
}

void RichTextViewer::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  // Only the left button selects text; a right press moved a little and
  // released on the same link is still a click on it.
  if (pressedButton_ == Qt::LeftButton &&
      (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
    dragged_ = true;  // a drag selects text; it opens no link
  }
  if (event->buttons() & Qt::LeftButton) QTextEdit::mouseMoveEvent(event);
  const bool overLink = !linkAt(at).isEmpty();
  viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
  event->accept();
}

void RichTextViewer::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click selects a word but starts no click of
  // its own: a double click on a link opens it once, not twice.
  if (event->button() == Qt::LeftButton) QTextEdit::mouseDoubleClickEvent(event);
  event->accept();
}

void RichTextViewer::contextMenuEvent(QContextMenuEvent* event) {
  // The right button follows links; there is no menu to offer.
  event->accept();
}

void RichTextViewer::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
      event->modifiers() == Qt::NoModifier) {
    const QString link = focusedLink();
    if (!link.isEmpty()) {
      event->accept();
      if (!event->isAutoRepeat()) emit linkClicked(link);
      return;
    }
  }
  QTextEdit::keyPressEvent(event);
}

void RichTextViewer::focusInEvent(QFocusEvent* event) {
  QTextEdit::focusInEvent(event);
  // Arriving with Tab marks the first link, with Shift+Tab the last.
  if (event->reason() == Qt::TabFocusReason) {
    markLink(0);
  } else if (event->reason() == Qt::BacktabFocusReason) {
    markLink(static_cast<int>(links().size()) - 1);
  }
}

bool RichTextViewer::focusNextPrevChild(bool next) {
  if (hasFocus() && markedLink_ >= 0 && !focusedLink().isEmpty()) {
    if (markLink(markedLink_ + (next ? 1 : -1))) return true;
  }
  markLink(-1);
  return QTextEdit::focusNextPrevChild(next);
}

}  // namespace zolt
