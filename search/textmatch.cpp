#include "search/textmatch.h"

#include "disc/disctext.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

namespace zolt::search {

namespace {

constexpr unsigned char FoldByte(unsigned char b) noexcept {
  return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (unsigned i = 0; i < 256; ++i) table[i] = FoldByte(static_cast<unsigned char>(i));
  return table;
}
constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

inline unsigned char Fold(char c) noexcept { return kFold[static_cast<unsigned char>(c)]; }

// The Windows-1252 byte that the disc's text decoding turns into `u`, if any.
std::optional<unsigned char> Cp1252Byte(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<unsigned char>(u);
  // 0x80..0x9F hold the code page's own letters and signs (the five bytes it
  // leaves undefined stand for the C1 controls).
  for (unsigned b = 0x80; b < 0xA0; ++b)
    if (disc::Cp1252ToUnicode(static_cast<unsigned char>(b)) == u) return static_cast<unsigned char>(b);
  return std::nullopt;
}

// The code point that starts at p (valid UTF-8), and its length.
char32_t NextCodePoint(const unsigned char* p, std::size_t& length) {
  if (p[0] < 0x80) {
    length = 1;
    return p[0];
  }
  if (p[0] < 0xE0) {
    length = 2;
    return (static_cast<char32_t>(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
  }
  if (p[0] < 0xF0) {
    length = 3;
    return (static_cast<char32_t>(p[0] & 0x0F) << 12) | (static_cast<char32_t>(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
  }
  length = 4;
  return (static_cast<char32_t>(p[0] & 0x07) << 18) | (static_cast<char32_t>(p[1] & 0x3F) << 12) |
         (static_cast<char32_t>(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
}

inline bool IsLineBreak(char c) noexcept { return c == '\n' || c == '\r'; }

std::size_t FindLineBreak(std::string_view text, std::size_t from) noexcept {
  for (std::size_t i = from; i < text.size(); ++i)
    if (IsLineBreak(text[i])) return i;
  return std::string_view::npos;
}

inline bool IsContinuationByte(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t FindLastLineBreak(std::string_view text) noexcept {
  for (std::size_t i = text.size(); i > 0; --i)
    if (IsLineBreak(text[i - 1])) return i - 1;
  return std::string_view::npos;
}

}  // namespace

FoldedPattern::FoldedPattern(std::string bytes) : bytes_(std::move(bytes)) {
  for (char& c : bytes_) c = static_cast<char>(Fold(c));
  const std::size_t m = bytes_.size();
  skip_.fill(m);
  if (m == 0) return;
  // Horspool's shift table, indexed by the raw byte so that a lower-case
  // letter shifts like its upper-case form.
  auto set = [this](unsigned char b, std::size_t shift) {
    skip_[b] = shift;
    if (b >= 'A' && b <= 'Z') skip_[b + ('a' - 'A')] = shift;
  };
  for (std::size_t i = 0; i + 1 < m; ++i) set(static_cast<unsigned char>(bytes_[i]), m - 1 - i);
  // The last byte itself shifts by 0, which stops the fast loop to compare;
  // after a failed comparison the window moves by its ordinary shift.
  const auto last = static_cast<unsigned char>(bytes_[m - 1]);
  shiftAfterLast_ = skip_[last];
  set(last, 0);
}

std::size_t FoldedPattern::FindIn(std::string_view text) const noexcept {
  const std::size_t m = bytes_.size();
  const std::size_t n = text.size();
  if (m == 0 || n < m) return std::string_view::npos;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const char* p = bytes_.data();
  std::size_t pos = 0;
#if defined(__SSE2__)
  // Sixteen windows at a time: a window is a candidate when its first and
  // last bytes are the word's, with letters compared in either case (an
  // ASCII letter and only its other case give the same byte once 0x20 is
  // set). Candidates are then compared in full.
  auto caseMask = [](unsigned char b) { return static_cast<char>(b >= 'A' && b <= 'Z' ? 0x20 : 0x00); };
  const auto firstByte = static_cast<unsigned char>(p[0]);
  const auto lastByte = static_cast<unsigned char>(p[m - 1]);
  const __m128i firstMask = _mm_set1_epi8(caseMask(firstByte));
  const __m128i lastMask = _mm_set1_epi8(caseMask(lastByte));
  const __m128i first = _mm_set1_epi8(static_cast<char>(firstByte | static_cast<unsigned char>(caseMask(firstByte))));
  const __m128i last = _mm_set1_epi8(static_cast<char>(lastByte | static_cast<unsigned char>(caseMask(lastByte))));
  for (; pos + m - 1 + 16 <= n; pos += 16) {
    const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos)), firstMask);
    const __m128i b = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos + m - 1)), lastMask);
    unsigned bits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (bits != 0) {
      const std::size_t at = pos + static_cast<std::size_t>(__builtin_ctz(bits));
      std::size_t i = 1;
      while (i + 1 < m && kFold[t[at + i]] == static_cast<unsigned char>(p[i])) ++i;
      if (i + 1 >= m) return at;
      bits &= bits - 1;
    }
  }
  // The last windows, fewer than sixteen, one by one below.
#endif
  const std::size_t lastStart = n - m;
  if (pos > lastStart) return std::string_view::npos;
  for (;;) {
    // Skip until the window's last byte is the word's last byte.
    std::size_t shift;
    while ((shift = skip_[t[pos + m - 1]]) != 0) {
      pos += shift;
      if (pos > lastStart) return std::string_view::npos;
    }
    std::size_t i = 0;
    while (i + 1 < m && kFold[t[pos + i]] == static_cast<unsigned char>(p[i])) ++i;
    if (i + 1 == m) return pos;
    pos += shiftAfterLast_;
    if (pos > lastStart) return std::string_view::npos;
  }
}

TextMatcher::TextMatcher(std::string_view utf8Word) {
  if (utf8Word.empty() || !disc::IsValidUtf8(utf8Word)) return;
  if (utf8Word.find_first_of("\r\n") != std::string_view::npos) return;
  std::string upper(utf8Word);
  for (char& c : upper) c = static_cast<char>(Fold(c));

  asciiOnly_ = true;
  std::string cp;
  cp.reserve(upper.size());
  bool representable = true;
  const auto* p = reinterpret_cast<const unsigned char*>(upper.data());
  for (std::size_t i = 0, length = 0; i < upper.size(); i += length) {
    const char32_t u = NextCodePoint(p + i, length);
    if (u >= 0x80) asciiOnly_ = false;
    const std::optional<unsigned char> b = Cp1252Byte(u);
    if (!b) {
      representable = false;
      continue;
    }
    cp.push_back(static_cast<char>(*b));
  }
  utf8_ = FoldedPattern(std::move(upper));
  if (representable) cp1252_ = FoldedPattern(std::move(cp));
}

bool TextMatcher::MatchesLines(std::string_view text) const {
  if (MatchesNothing()) return false;
  LineScanner scanner(*this);
  scanner.Feed(text);
  return scanner.Finish();
}

bool TextMatcher::MatchesUtf8(std::string_view text) const noexcept {
  return !MatchesNothing() && utf8_.FindIn(text) != std::string_view::npos;
}

// ---------------------------------------------------------------------------

bool LineScanner::Feed(std::string_view piece) {
  if (found_ || matcher_.MatchesNothing() || piece.empty()) return found_;
  if (matcher_.AsciiOnly()) {
    ScanAsciiWord(piece);
    return found_;
  }
  // The first stretch continues the line the previous piece ended in.
  std::size_t pos = FindLineBreak(piece, 0);
  if (pos == std::string_view::npos) {
    ScanLinePiece(piece, false);
    return found_;
  }
  ScanLinePiece(piece.substr(0, pos), true);
  ++pos;
  if (found_) return found_;
  // When neither form of the word occurs in the rest, no line that ends in
  // this piece can match: only the last, unfinished line needs reading.
  const std::string_view rest = piece.substr(pos);
  constexpr std::size_t npos = std::string_view::npos;
  if (matcher_.Utf8Form().FindIn(rest) == npos && matcher_.Cp1252Form().FindIn(rest) == npos) {
    const std::size_t lastBreak = FindLastLineBreak(rest);
    if (lastBreak == std::string_view::npos) {
      ScanLinePiece(rest, false);
    } else if (lastBreak + 1 < rest.size()) {
      ScanLinePiece(rest.substr(lastBreak + 1), false);
    }
    return found_;
  }
  while (!found_ && pos < piece.size()) {
    const std::size_t eol = FindLineBreak(piece, pos);
    if (eol == std::string_view::npos) {
      ScanLinePiece(piece.substr(pos), false);
      break;
    }
    ScanLinePiece(piece.substr(pos, eol - pos), true);
    pos = eol + 1;
  }
  return found_;
}

bool LineScanner::Finish() {
  if (!found_ && !matcher_.MatchesNothing() && !matcher_.AsciiOnly()) ScanLinePiece({}, true);
  tail_.clear();
  return found_;
}

// A plain-ASCII word cannot hold a line break, so it cannot span two lines,
// and a line's encoding cannot change what its ASCII bytes say: the whole
// text is one haystack. Only the last bytes are kept for the next piece.
void LineScanner::ScanAsciiWord(std::string_view piece) {
  const FoldedPattern& word = matcher_.Utf8Form();
  const std::size_t keep = word.Size() - 1;
  if (!tail_.empty()) {
    // Occurrences that start in the kept bytes and end in this piece.
    joint_.assign(tail_);
    joint_.append(piece.substr(0, std::min(piece.size(), keep)));
    if (word.FindIn(joint_) != std::string_view::npos) {
      found_ = true;
      return;
    }
  }
  if (word.FindIn(piece) != std::string_view::npos) {
    found_ = true;
    return;
  }
  if (piece.size() >= keep) {
    tail_.assign(piece.substr(piece.size() - keep));
  } else {
    tail_.append(piece);
    if (tail_.size() > keep) tail_.erase(0, tail_.size() - keep);
  }
}

// One stretch of a line, with the bytes kept from the line's previous
// stretch in front of it. When the line goes on in the next piece, only the
// bytes that a later occurrence might start in stay unvalidated and kept.
void LineScanner::ScanLinePiece(std::string_view piece, bool endsLine) {
  std::string_view text = piece;
  if (!tail_.empty()) {
    joint_.assign(tail_);
    joint_.append(piece);
    text = joint_;
  }
  tail_.clear();

  const FoldedPattern& utf8 = matcher_.Utf8Form();
  const FoldedPattern& cp = matcher_.Cp1252Form();
  if (!lineHasUtf8Form_ && utf8.FindIn(text) != std::string_view::npos) lineHasUtf8Form_ = true;
  if (!lineHasCp1252Form_ && !cp.Empty() && cp.FindIn(text) != std::string_view::npos)
    lineHasCp1252Form_ = true;

  if (endsLine) {
    // A whole line's encoding matters only once a form of the word is on it.
    if (lineValid_ && (lineHasUtf8Form_ || lineHasCp1252Form_)) lineValid_ = disc::IsValidUtf8(text);
    EndLine();
    return;
  }
  // The line goes on: what is read now is validated now, since the word may
  // still turn up later on this line.
  const std::size_t keep = std::max(utf8.Size(), cp.Size()) - 1;
  std::size_t cut = text.size() > keep ? text.size() - keep : 0;
  // Never split a UTF-8 sequence between what is validated now and later.
  for (int back = 0; back < 3 && cut > 0 && cut < text.size() && IsContinuationByte(text[cut]); ++back) --cut;
  tail_.assign(text.substr(cut));
  if (lineValid_ && cut > 0) lineValid_ = disc::IsValidUtf8(text.substr(0, cut));
}

void LineScanner::EndLine() {
  if (lineValid_ ? lineHasUtf8Form_ : lineHasCp1252Form_) found_ = true;
  lineValid_ = true;
  lineHasUtf8Form_ = false;
  lineHasCp1252Form_ = false;
}

}  // namespace zolt::search
