#pragma once
// Finds the web addresses in a text, as a rich edit control does by itself:
// http://, https://, ftp://, www. and mailto: at the start of a word, up to
// the next blank, with trailing punctuation left out. "file:" addresses are
// left as text: nothing opens them from a description.

#include <cstddef>
#include <QString>
#include <QStringView>
#include <vector>

class QTextDocument;

namespace zolt::rtf {

struct WebAddress {
  qsizetype start = 0;   // position of the first character in the text
  qsizetype length = 0;  // characters shown as the link
  QString address;       // what a click opens ("www." gains "http://")
};

std::vector<WebAddress> FindWebAddresses(QStringView text);

// Turns every web address of the document that is not yet a link into one,
// up to `maxLinks` of them (each is a run of its own the layout pays for).
// Returns false when addresses were left as plain text.
bool LinkWebAddresses(QTextDocument& document, std::size_t maxLinks);

}  // namespace zolt::rtf
