#pragma once
// Small helpers shared by the RTF tests.

#include <QString>
#include <QTextCursor>
#include <QTextDocument>
#include <string>
#include <string_view>

#include "platform/rtf/rtfreader.h"

namespace zolt::rtf::test {

inline QString PlainText(std::string_view rtf) {
  QTextDocument document;
  ReadRtf(rtf, document);
  return document.toPlainText();
}

// The character format at `index` of the document's text (0 = first character).
inline QTextCharFormat FormatAt(const QTextDocument& document, int index) {
  QTextCursor cursor(const_cast<QTextDocument*>(&document));
  cursor.setPosition(index + 1);
  return cursor.charFormat();
}

// Position of the first occurrence of `text` in the document.
inline int Find(const QTextDocument& document, const QString& text) {
  return static_cast<int>(document.toRawText().indexOf(text));
}

}  // namespace zolt::rtf::test
