#pragma once
// Our RTF reader. It builds a QTextDocument directly from the RTF source,
// without recursion per group (an explicit state stack with a depth cap), so
// any input, however deep, broken or large, ends in a document showing what
// could be read. Web addresses in the text become links by themselves.

#include <cstddef>
#include <string_view>

class QTextDocument;

namespace zolt::rtf {

// Replaces the document's content with the text of `data`. Data that does
// not start with "{\rtf" is plain text (UTF-8 when valid, else Windows-1252).
void ReadRtf(std::string_view data, QTextDocument& document);

// What a read found wrong with the RTF itself, for a tool that checks
// descriptions rather than shows them; the document is the same either way.
struct RtfDiagnostics {
  bool rtf = false;                // the data starts with "{\rtf"
  std::size_t unclosedGroups = 0;  // groups still open at the end: the file is cut short
  bool textAfterEnd = false;       // more than blanks after the document's closing brace
  bool textCut = false;            // the text reached the reader's limit; the rest is dropped
  bool damaged() const { return unclosedGroups > 0 || textAfterEnd || textCut; }
};

// As above, and reports what it found in `diagnostics`.
void ReadRtf(std::string_view data, QTextDocument& document, RtfDiagnostics* diagnostics);

}  // namespace zolt::rtf
