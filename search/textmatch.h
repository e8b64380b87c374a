#pragma once
// Matching a typed word against texts as the search window does: both sides
// upper-cased by mapping only the ASCII letters "a" to "z", then a plain
// substring test; an empty word matches nothing.
//
// The word is Unicode. A description line is read as UTF-8 when it is valid
// UTF-8 and as Windows-1252 otherwise, so "è" matches an "è" stored either
// way. The matcher never decodes a line: it keeps the word in both byte forms
// and looks for the form that fits the line, which gives the same answer.
//
// Qt-free: the search window keeps its QString forms beside it
// (searchwindow/searchtext.h).

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zolt::search {

// A byte pattern searched with only "a" to "z" folded to upper case.
class FoldedPattern {
 public:
  FoldedPattern() = default;
  explicit FoldedPattern(std::string bytes);

  bool Empty() const noexcept { return bytes_.empty(); }
  std::size_t Size() const noexcept { return bytes_.size(); }
  const std::string& Bytes() const noexcept { return bytes_; }

  // Offset of the first occurrence in `text`, or npos.
  std::size_t FindIn(std::string_view text) const noexcept;

 private:
  std::string bytes_;                   // already upper-cased
  std::array<std::size_t, 256> skip_{};  // shift by the byte under the window's last place
  std::size_t shiftAfterLast_ = 0;       // shift when that byte is the word's last one
};

class TextMatcher {
 public:
  // The word as UTF-8; a word that is not valid UTF-8 matches nothing.
  explicit TextMatcher(std::string_view utf8Word);

  // An empty word, or one that no text read line by line can hold (a line
  // break, a broken surrogate), matches nothing.
  bool MatchesNothing() const noexcept { return utf8_.Empty(); }

  // True when the word is plain ASCII: both byte forms are the same and a
  // line's encoding never matters.
  bool AsciiOnly() const noexcept { return asciiOnly_; }

  // Whether any line of `text` (lines end at CR, LF or CR LF) contains the word.
  bool MatchesLines(std::string_view text) const;

  // Whether a text already known to be UTF-8 (a workbook cell) contains the
  // word, line breaks included.
  bool MatchesUtf8(std::string_view text) const noexcept;

  const FoldedPattern& Utf8Form() const noexcept { return utf8_; }
  // The Windows-1252 form; empty when the word has a character that code page lacks.
  const FoldedPattern& Cp1252Form() const noexcept { return cp1252_; }

 private:
  FoldedPattern utf8_;
  FoldedPattern cp1252_;
  bool asciiOnly_ = false;
};

// Feeds a description to a matcher piece by piece (as it is read from disc)
// with memory bounded by the piece size, however long its lines are.
class LineScanner {
 public:
  explicit LineScanner(const TextMatcher& matcher) : matcher_(matcher) {}

  // Scans the next bytes of the text. Returns true once the word was found;
  // the rest of the text need not be fed.
  bool Feed(std::string_view piece);

  // The text has ended; returns whether the word was found.
  bool Finish();

  bool Found() const noexcept { return found_; }

 private:
  void ScanAsciiWord(std::string_view piece);
  void ScanLinePiece(std::string_view piece, bool endsLine);
  void EndLine();

  const TextMatcher& matcher_;
  bool found_ = false;
  // The last bytes of the current line, kept so that a word split between
  // two pieces is still seen, and a UTF-8 sequence is never validated in halves.
  std::string tail_;
  std::string joint_;  // the kept bytes and the next piece side by side, reused
  // State of the current line (non-ASCII words only).
  bool lineValid_ = true;
  bool lineHasUtf8Form_ = false;
  bool lineHasCp1252Form_ = false;
};

}  // namespace zolt::search
