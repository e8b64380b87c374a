#pragma once
// Our RTF reader. It builds a QTextDocument directly from the RTF source,
// without recursion per group (an explicit state stack with a depth cap), so
// any input, however deep, broken or large, ends in a document showing what
// could be read. Web addresses in the text become links by themselves.

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <string_view>

class QTextDocument;

namespace zolt::rtf {

// Bounds that keep a description's document cheap to build and lay out.
//
// Pictures (\pngblip, \jpegblip): the pixels of each by its header, and of
// all of a description's together. Each is decoded at no more than twice
// the size it is shown at; one over a bound is left out, as a picture that
// cannot be decoded is.
inline constexpr std::uint64_t kMaxPicturePixels = 4096 * 4096;
inline constexpr std::uint64_t kMaxDescriptionPicturePixels = 4 * kMaxPicturePixels;
inline constexpr std::size_t kMaxPictures = 4096;
// Laying out a paragraph costs the square of its runs of differently
// formatted text: past this many in one paragraph its rest is plain text,
// and past the second bound so is the rest of the description. Web
// addresses found in the text are runs too.
inline constexpr std::size_t kMaxRunsPerParagraph = 500;
inline constexpr std::size_t kMaxRuns = 50'000;
inline constexpr std::size_t kMaxLinks = 1000;
// A line is broken at a blank; finding none costs a look to the paragraph's
// end for every line. A word longer than this gets an invisible break
// opportunity, a paragraph longer than the second bound a paragraph break.
inline constexpr qsizetype kMaxUnbrokenChars = 1000;
inline constexpr qsizetype kMaxParagraphChars = 65536;

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
  std::size_t picturesLeftOut = 0;  // pictures over the bounds above, not shown
  bool formattingCut = false;       // runs or links over the bounds above: part shown as plain text
  bool damaged() const { return unclosedGroups > 0 || textAfterEnd || textCut; }
  bool overBounds() const { return picturesLeftOut > 0 || formattingCut; }
};

// As above, and reports what it found in `diagnostics`.
void ReadRtf(std::string_view data, QTextDocument& document, RtfDiagnostics* diagnostics);

}  // namespace zolt::rtf
