#pragma once
// Our RTF reader. It builds a QTextDocument directly from the RTF source,
// without recursion per group (an explicit state stack with a depth cap), so
// any input, however deep, broken or large, ends in a document showing what
// could be read. Web addresses in the text become links by themselves.

#include <string_view>

class QTextDocument;

namespace zolt::rtf {

// Replaces the document's content with the text of `data`. Data that does
// not start with "{\rtf" is plain text (UTF-8 when valid, else Windows-1252).
void ReadRtf(std::string_view data, QTextDocument& document);

}  // namespace zolt::rtf
