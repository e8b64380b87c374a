#include "platform/rtf/rtfreader.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextOption>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "disc/webaddress.h"
#include "platform/jpeg/jpegdecoder.h"
#include "platform/rtf/codepages.h"
#include "platform/rtf/linkify.h"
#include "platform/rtf/rtfwords.h"
#include "platform/textcodec.h"

namespace zolt::rtf {
namespace {

// Limits that keep any input, however hostile, within bounded time and memory.
constexpr std::size_t kMaxDepth = 1024;                // deeper groups share their parent's state
constexpr qsizetype kMaxTextChars = 4 * 1024 * 1024;  // a description is never near this
constexpr std::size_t kMaxPictureBytes = 32 * 1024 * 1024;
constexpr std::size_t kMaxFields = 100000;
constexpr std::size_t kMaxFieldInstruction = 2048;
constexpr std::size_t kMaxColours = 4096;
constexpr std::size_t kMaxFonts = 4096;
constexpr std::size_t kMaxCachedFormats = 32;
constexpr std::size_t kMaxFontName = 256;
constexpr int kMaxTwips = 31680;            // 22 inches: indents and spacing beyond are noise
constexpr int kDefaultTab = 720;            // twips between tab stops unless \deftab says
constexpr int kMaxPictureSide = 4096;       // pixels on screen
constexpr std::size_t kFlushThreshold = 65536;  // characters buffered before they go to the document

// Where the text of a group goes.
enum class Dest : unsigned char { Body, Skip, FontTable, ColourTable, FieldInstruction, Picture };

struct CharState {
  int font = -1;
  int halfPoints = 0;  // 0: the viewer's own size
  int foreground = -1;
  int background = -1;
  signed char vertical = 0;  // 1 superscript, -1 subscript
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  bool hidden = false;
  bool operator==(const CharState&) const = default;
};

struct ParaState {
  int alignment = 0;  // 0 left, 1 centre, 2 right, 3 justified
  int leftIndent = 0;  // twips, as all below
  int rightIndent = 0;
  int firstIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;
  bool inTable = false;  // \intbl: the paragraph is in a table cell
  bool operator==(const ParaState&) const = default;
};

struct GroupState {
  CharState chars;
  ParaState para;
  int codePage = 1252;
  int unicodeSkip = 1;  // \ucN
  int field = -1;       // the field whose instruction or result this group holds
  int link = -1;        // the field whose address the text links to
  Dest dest = Dest::Body;
  bool ownsPicture = false;
};

// \uN pairs make the characters beyond the first 65536; a half pair alone
// is shown as the replacement character.
void ReplaceLoneSurrogates(QString& text) {
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
    }
  }
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Twips(int value) { return std::clamp(value, -kMaxTwips, kMaxTwips); }
double Pixels(int twips) { return twips / 15.0; }  // 1440 twips an inch, 96 pixels an inch

void SetTabStops(QTextDocument& document, int twips) {
  QTextOption option = document.defaultTextOption();
  option.setTabStopDistance(Pixels(twips));
  document.setDefaultTextOption(option);
}

// Keeps a paragraph's layout cheap whatever its text: an invisible break
// opportunity after every kMaxUnbrokenChars characters without a blank, a
// paragraph break after kMaxParagraphChars. Ordinary text passes unchanged.
class LineBreaker {
 public:
  void NewParagraph() { unbroken_ = paragraph_ = 0; }
  void Apply(QString& text) {
    const qsizetype size = text.size();
    if (unbroken_ + size < kMaxUnbrokenChars && paragraph_ + size < kMaxParagraphChars) {
      // No bound within reach (most pieces): only the last break matters.
      qsizetype i = size;
      while (i > 0 && !IsBreak(text.at(i - 1).unicode())) --i;
      paragraph_ += size;
      if (i == 0) {
        unbroken_ += size;
      } else {
        unbroken_ = size - i;
        if (IsParagraphEnd(text.at(i - 1).unicode())) paragraph_ = size - i;
      }
      return;
    }
    QString out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < size; ++i) {
      const char16_t c = text.at(i).unicode();
      if (IsParagraphEnd(c)) {
        NewParagraph();
        continue;
      }
      ++paragraph_;
      unbroken_ = IsBreak(c) ? 0 : unbroken_ + 1;
      QChar inserted;
      if (paragraph_ >= kMaxParagraphChars) {
        inserted = QChar::ParagraphSeparator;
        NewParagraph();
      } else if (unbroken_ >= kMaxUnbrokenChars) {
        inserted = QChar(u'\u200B');  // zero width space
        unbroken_ = 0;
        ++paragraph_;
      } else {
        continue;
      }
      out.append(QStringView(text).mid(copied, i + 1 - copied));
      out.append(inserted);
      copied = i + 1;
    }
    if (copied == 0) return;
    out.append(QStringView(text).mid(copied));
    text = std::move(out);
  }

 private:
  static bool IsParagraphEnd(char16_t c) { return c == u'\n' || c == QChar::ParagraphSeparator; }
  // Where a line may break (a paragraph's end ends a line too).
  static bool IsBreak(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\u200B' || c == QChar::LineSeparator || IsParagraphEnd(c);
  }

  qsizetype unbroken_ = 0;
  qsizetype paragraph_ = 0;
};

struct Font {
  int charset = 0;
  int codePage = 0;  // \cpg, when given
  std::string name;
  bool nameDone = false;
};

struct FieldState {
  std::string instruction;
  QString address;
  bool parsed = false;
};

struct PictureState {
  enum class Format { Other, Jpeg, Png } format = Format::Other;
  int goalWidth = 0;
  int goalHeight = 0;
  int scaleX = 100;
  int scaleY = 100;
  std::string data;
  int highNibble = -1;
  bool tooBig = false;
};

class Reader {
 public:
  Reader(std::string_view data, QTextDocument& document)
      : data_(data), document_(document), cursor_(&document) {
    stack_.reserve(64);
    stack_.push_back(GroupState{});
  }

  void Run();
  void Diagnose(RtfDiagnostics* diagnostics) { diagnostics_ = diagnostics; }

 private:
  GroupState& top() { return stack_.back(); }

  void openGroup();
  void closeGroup();
  void readControl();
  void readText();
  void handleWord(std::string_view name, bool hasParam, int param);
  void handleBodyWord(const WordEntry& entry, bool hasParam, int param);
  void documentWord(Word word, int param);
  void characterWord(Word word, bool hasParam, int param);
  void paragraphWord(const WordEntry& entry, int param);
  void destinationWord(Word word);
  void handleSymbol(char c);
  void handleBytes(std::string_view bytes);
  void skipBinary(int length);

  void fontTableText(std::string_view bytes);
  void colourTableText(std::string_view bytes);
  void pictureHex(std::string_view bytes);
  void finishPicture();
  void finishFontTable();

  int codePageFor(int font) const;
  QColor colour(int index) const;
  const QString& fieldAddress(int field);

  void startText();
  void emitBytes(std::string_view bytes);
  void emitChar(char16_t c);
  void decodePendingBytes();
  void takePendingText();  // decoded, whole and counted, ready to go in
  void flushText();
  void endParagraph();
  void endParagraph(const ParaState& para);
  void breakBeforeMoreCellText();
  const QTextCharFormat& charFormat(const CharState& chars, int link);  // good until the next call
  QTextCharFormat makeCharFormat(const CharState& chars, int link) const;
  QTextBlockFormat blockFormat(const ParaState& para) const;

  RtfDiagnostics* diagnostics_ = nullptr;
  std::string_view data_;
  std::size_t pos_ = 0;
  QTextDocument& document_;
  QTextCursor cursor_;
  bool stopped_ = false;

  std::vector<GroupState> stack_;
  std::size_t overflowDepth_ = 0;  // groups opened beyond kMaxDepth
  int skipCount_ = 0;              // fallback characters still to skip after \uN
  bool starPending_ = false;
  bool atGroupStart_ = false;  // \* marks a destination only as a group's first word

  int documentCodePage_ = 1252;
  int defaultFont_ = -1;
  int defaultTab_ = kDefaultTab;
  std::unordered_map<int, Font> fonts_;
  int fontBeingDefined_ = -1;
  std::vector<QColor> colours_;
  int red_ = -1, green_ = -1, blue_ = -1;
  std::vector<FieldState> fields_;
  PictureState picture_;
  bool pictureActive_ = false;
  int pictureCount_ = 0;
  std::uint64_t picturePixels_ = 0;  // decoded so far, by the pictures' own sizes
  std::size_t picturesLeftOut_ = 0;

  // The layout's budget: runs of one format, and long words and paragraphs.
  std::size_t runs_ = 0;
  std::size_t paragraphRuns_ = 0;
  bool formattingCut_ = false;
  LineBreaker breaker_;

  // Text waiting to go into the document, all in one format.
  CodePageDecoder decoder_;
  std::string pendingBytes_;
  int pendingCodePage_ = 1252;
  QString pendingText_;
  CharState pendingChars_;
  int pendingLink_ = -1;
  int pendingCells_ = 0;
  bool cellBreakPending_ = false;  // a paragraph mark in a cell, not yet known to be the cell's last
  ParaState cellBreakPara_;
  ParaState blockPara_;
  ParaState lastBlockPara_;  // the format the current block inherited
  QTextBlockFormat lastBlockFormat_;
  bool blockFormatSet_ = false;
  qsizetype textChars_ = 0;

  // The formats made so far, newest last: runs mostly alternate between a few.
  struct CachedFormat {
    CharState chars;
    int link;
    QTextCharFormat format;
  };
  std::vector<CachedFormat> formats_;
};

void Reader::Run() {
  const std::size_t size = data_.size();
  while (pos_ < size && !stopped_) {
    switch (data_[pos_]) {
      case '{':
        ++pos_;
        openGroup();
        break;
      case '}':
        ++pos_;
        closeGroup();
        break;
      case '\\':
        ++pos_;
        readControl();
        break;
      case '\r':
      case '\n':
        ++pos_;
        break;
      default:
        readText();
        break;
    }
  }
  if (diagnostics_ != nullptr) {
    diagnostics_->textCut = textChars_ >= kMaxTextChars;
    diagnostics_->picturesLeftOut = picturesLeftOut_;
    diagnostics_->formattingCut = formattingCut_;
    if (!stopped_) diagnostics_->unclosedGroups = stack_.size() - 1 + overflowDepth_;
    // Blanks, NULs and a DOS end-of-file mark after the end are harmless padding.
    diagnostics_->textAfterEnd = stopped_ && !diagnostics_->textCut &&
                                 data_.find_first_not_of(std::string_view(" \t\r\n\0\x1a", 6), pos_) !=
                                     std::string_view::npos;
  }
  // A truncated file: close what is open so a picture in progress still shows.
  while (stack_.size() > 1 && !stopped_) closeGroup();
  flushText();
  if (!blockFormatSet_ || !(blockPara_ == lastBlockPara_)) cursor_.setBlockFormat(blockFormat(blockPara_));
  SetTabStops(document_, defaultTab_);
}

void Reader::openGroup() {
  skipCount_ = 0;
  starPending_ = false;
  atGroupStart_ = true;
  if (stack_.size() >= kMaxDepth) {
    ++overflowDepth_;
    return;
  }
  GroupState inner = stack_.back();
  inner.ownsPicture = false;
  stack_.push_back(inner);
}

void Reader::closeGroup() {
  skipCount_ = 0;
  starPending_ = false;
  if (overflowDepth_ > 0) {
    --overflowDepth_;
    return;
  }
  if (stack_.size() <= 1) return;  // a stray closing brace before the document began
  const GroupState closed = stack_.back();
  stack_.pop_back();
  if (closed.ownsPicture) finishPicture();
  if (closed.dest == Dest::FontTable && top().dest != Dest::FontTable) finishFontTable();
  if (closed.dest == Dest::FontTable) fontBeingDefined_ = -1;
  if (closed.dest == Dest::ColourTable) formats_.clear();  // colours made before it are stale
  if (stack_.size() == 1) stopped_ = true;  // the document's own group has closed
}

void Reader::readControl() {
  const std::size_t size = data_.size();
  if (pos_ >= size) return;
  const char c = data_[pos_];
  if (!IsLetter(c)) {
    ++pos_;
    handleSymbol(c);
    return;
  }
  const std::size_t start = pos_;
  while (pos_ < size && IsLetter(data_[pos_])) ++pos_;
  const std::string_view name = data_.substr(start, pos_ - start);
  bool negative = false;
  if (pos_ + 1 < size && data_[pos_] == '-' && IsDigit(data_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  bool hasParam = false;
  long long value = 0;
  while (pos_ < size && IsDigit(data_[pos_])) {
    hasParam = true;
    if (value <= INT_MAX) value = value * 10 + (data_[pos_] - '0');  // saturates beyond
    ++pos_;
  }
  value = std::min<long long>(value, INT_MAX);
  if (pos_ < size && data_[pos_] == ' ') ++pos_;
  handleWord(name, hasParam, static_cast<int>(negative ? -value : value));
}

void Reader::readText() {
  const std::size_t start = pos_;
  const std::size_t size = data_.size();
  while (pos_ < size) {
    const char c = data_[pos_];
    if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n') break;
    ++pos_;
  }
  handleBytes(data_.substr(start, pos_ - start));
}

void Reader::handleBytes(std::string_view bytes) {
  atGroupStart_ = false;
  if (skipCount_ > 0) {
    const std::size_t skipped = std::min<std::size_t>(static_cast<std::size_t>(skipCount_), bytes.size());
    skipCount_ -= static_cast<int>(skipped);
    bytes.remove_prefix(skipped);
  }
  if (bytes.empty()) return;
  switch (top().dest) {
    case Dest::Body:
      emitBytes(bytes);
      break;
    case Dest::FontTable:
      fontTableText(bytes);
      break;
    case Dest::ColourTable:
      colourTableText(bytes);
      break;
    case Dest::FieldInstruction:
      if (top().field >= 0) {
        std::string& instruction = fields_[static_cast<std::size_t>(top().field)].instruction;
        instruction.append(bytes.substr(0, kMaxFieldInstruction - std::min(kMaxFieldInstruction, instruction.size())));
      }
      break;
    case Dest::Picture:
      if (top().ownsPicture || pictureActive_) pictureHex(bytes);
      break;
    case Dest::Skip:
      break;
  }
}

void Reader::handleSymbol(char c) {
  if (c == '\'') {
    int value = 0;
    int digits = 0;
    while (digits < 2 && pos_ < data_.size() && HexValue(data_[pos_]) >= 0) {
      value = value * 16 + HexValue(data_[pos_]);
      ++pos_;
      ++digits;
    }
    if (digits == 0) return;
    const char byte = static_cast<char>(value);
    if (top().dest == Dest::Picture) return;  // hex escapes are not picture data
    handleBytes(std::string_view(&byte, 1));
    return;
  }
  if (c == '{' || c == '}' || c == '\\') {
    handleBytes(std::string_view(&c, 1));
    return;
  }
  if (c == '*') {
    starPending_ = atGroupStart_;
    return;
  }
  atGroupStart_ = false;
  if (skipCount_ > 0) {
    --skipCount_;
    return;
  }
  if (top().dest == Dest::FieldInstruction && top().field >= 0) {
    std::string& instruction = fields_[static_cast<std::size_t>(top().field)].instruction;
    if (instruction.size() < kMaxFieldInstruction) instruction += '\\', instruction += c;
    return;
  }
  if (top().dest != Dest::Body) return;
  switch (c) {
    case '~': emitChar(u'\u00A0'); break;
    case '-': emitChar(u'\u00AD'); break;
    case '_': emitChar(u'\u2011'); break;
    case '\r':
    case '\n': endParagraph(); break;
    case '\t': emitChar(u'\t'); break;
    default: break;  // \: index subentries, \| formulas: nothing to show
  }
}

void Reader::handleWord(std::string_view name, bool hasParam, int param) {
  const bool starred = starPending_;
  starPending_ = false;
  atGroupStart_ = false;
  const WordEntry entry = LookUpWord(name);
  if (entry.word == Word::Binary) {
    skipBinary(hasParam ? param : 0);
    return;
  }
  if (skipCount_ > 0) {
    --skipCount_;  // a control word in a fallback counts as one character
    return;
  }
  GroupState& state = top();
  if (starred && entry.word != Word::Body && entry.word != Word::FieldInstruction) {
    state.dest = Dest::Skip;
    return;
  }
  switch (state.dest) {
    case Dest::Skip:
      return;
    case Dest::FontTable:
      if (entry.word == Word::Font) {
        fontBeingDefined_ = fonts_.size() < kMaxFonts || fonts_.count(param) > 0 ? param : -1;
        if (fontBeingDefined_ >= 0) fonts_[param];
      } else if (fontBeingDefined_ >= 0 && entry.word == Word::FontCharset) {
        fonts_[fontBeingDefined_].charset = param;
      } else if (fontBeingDefined_ >= 0 && entry.word == Word::FontCodePage) {
        fonts_[fontBeingDefined_].codePage = param;
      } else if (entry.word == Word::Skip) {
        state.dest = Dest::Skip;
      }
      return;
    case Dest::ColourTable:
      if (entry.word == Word::Red) red_ = std::clamp(param, 0, 255);
      if (entry.word == Word::Green) green_ = std::clamp(param, 0, 255);
      if (entry.word == Word::Blue) blue_ = std::clamp(param, 0, 255);
      return;
    case Dest::FieldInstruction:
      if (entry.word == Word::Skip) state.dest = Dest::Skip;
      return;
    case Dest::Picture:
      switch (entry.word) {
        case Word::Jpeg: picture_.format = PictureState::Format::Jpeg; break;
        case Word::Png: picture_.format = PictureState::Format::Png; break;
        case Word::GoalWidth: picture_.goalWidth = param; break;
        case Word::GoalHeight: picture_.goalHeight = param; break;
        case Word::ScaleX: picture_.scaleX = param; break;
        case Word::ScaleY: picture_.scaleY = param; break;
        case Word::Skip: state.dest = Dest::Skip; break;
        default: break;
      }
      return;
    case Dest::Body:
      handleBodyWord(entry, hasParam, param);
      return;
  }
}

void Reader::handleBodyWord(const WordEntry& entry, bool hasParam, int param) {
  switch (KindOf(entry.word)) {
    case WordKind::Document: documentWord(entry.word, param); break;
    case WordKind::Character: characterWord(entry.word, hasParam, param); break;
    case WordKind::Paragraph: paragraphWord(entry, param); break;
    case WordKind::Destination: destinationWord(entry.word); break;
  }
}

void Reader::documentWord(Word word, int param) {
  GroupState& state = top();
  switch (word) {
    case Word::Ansi: documentCodePage_ = 1252; break;
    case Word::Mac: documentCodePage_ = 10000; break;
    case Word::Pc: documentCodePage_ = 437; break;
    case Word::Pca: documentCodePage_ = 850; break;
    case Word::AnsiCodePage:
      if (param > 0) documentCodePage_ = param;
      break;
    case Word::DefaultFont:
      defaultFont_ = param;
      if (state.chars.font < 0) state.chars.font = param;
      break;
    case Word::FontTable:
      state.dest = Dest::FontTable;
      fontBeingDefined_ = -1;
      break;
    case Word::ColourTable:
      state.dest = Dest::ColourTable;
      red_ = green_ = blue_ = -1;
      break;
    case Word::Font: state.chars.font = param; break;
    case Word::Plain:
      state.chars = CharState{};
      state.chars.font = defaultFont_;
      break;
    default: return;  // table entries outside their tables
  }
  state.codePage = codePageFor(state.chars.font);
}

void Reader::characterWord(Word word, bool hasParam, int param) {
  CharState& chars = top().chars;
  const bool on = !hasParam || param != 0;
  switch (word) {
    case Word::Bold: chars.bold = on; break;
    case Word::Italic: chars.italic = on; break;
    case Word::Underline: chars.underline = on; break;
    case Word::UnderlineNone: chars.underline = false; break;
    case Word::Strike: chars.strike = on; break;
    case Word::Hidden: chars.hidden = on; break;
    case Word::FontSize: chars.halfPoints = hasParam ? std::clamp(param, 0, 3276) : 24; break;
    case Word::Foreground: chars.foreground = param; break;
    case Word::Background: chars.background = param; break;
    case Word::Super: chars.vertical = 1; break;
    case Word::Sub: chars.vertical = -1; break;
    case Word::NoSuperSub: chars.vertical = 0; break;
    case Word::Up: chars.vertical = on ? 1 : 0; break;
    case Word::Down: chars.vertical = on ? -1 : 0; break;
    default: break;
  }
}

void Reader::paragraphWord(const WordEntry& entry, int param) {
  GroupState& state = top();
  ParaState& para = state.para;
  switch (entry.word) {
    case Word::DefaultTab:
      if (param > 0) defaultTab_ = std::min(param, kMaxTwips);
      break;
    case Word::Pard: para = ParaState{}; break;
    case Word::Par:
      if (para.inTable) {
        // The last paragraph mark of a cell only ends the cell: keep the row on one line.
        cellBreakPending_ = true;
        cellBreakPara_ = para;
      } else {
        endParagraph();
      }
      break;
    case Word::InTable: para.inTable = true; break;
    case Word::Line: emitChar(u'\u2028'); break;
    case Word::Tab: emitChar(u'\t'); break;
    case Word::AlignLeft: para.alignment = 0; break;
    case Word::AlignCentre: para.alignment = 1; break;
    case Word::AlignRight: para.alignment = 2; break;
    case Word::AlignJustify: para.alignment = 3; break;
    case Word::LeftIndent: para.leftIndent = Twips(param); break;
    case Word::RightIndent: para.rightIndent = Twips(param); break;
    case Word::FirstIndent: para.firstIndent = Twips(param); break;
    case Word::SpaceBefore: para.spaceBefore = Twips(param); break;
    case Word::SpaceAfter: para.spaceAfter = Twips(param); break;
    case Word::Cell:
      cellBreakPending_ = false;
      if (!state.chars.hidden) pendingCells_ = std::min(pendingCells_ + 1, 1000);
      break;
    case Word::Row:
      pendingCells_ = 0;
      endParagraph();
      break;
    case Word::Unicode: {
      const int code = param < 0 ? param + 65536 : param;
      if (code > 0 && code <= 0xFFFF) emitChar(static_cast<char16_t>(code));
      skipCount_ = state.unicodeSkip;
      break;
    }
    case Word::UnicodeSkip: state.unicodeSkip = std::clamp(param, 0, 16); break;
    case Word::Special:
      if (entry.character != 0) emitChar(entry.character);
      break;
    default: break;
  }
}

void Reader::destinationWord(Word word) {
  GroupState& state = top();
  switch (word) {
    case Word::Skip: state.dest = Dest::Skip; break;
    case Word::Field:
      state.field = -1;
      if (fields_.size() < kMaxFields) {
        state.field = static_cast<int>(fields_.size());
        fields_.emplace_back();
      }
      break;
    case Word::FieldInstruction:
      state.dest = state.field >= 0 ? Dest::FieldInstruction : Dest::Skip;
      break;
    case Word::FieldResult:
      if (state.field >= 0 && !fieldAddress(state.field).isEmpty()) state.link = state.field;
      break;
    case Word::Picture:
      // One picture at a time: a picture inside a picture is skipped.
      state.dest = pictureActive_ ? Dest::Skip : Dest::Picture;
      if (!pictureActive_) {
        picture_ = PictureState{};
        pictureActive_ = true;
        state.ownsPicture = true;
      }
      break;
    default: break;  // picture properties outside a picture, optional destinations we show
  }
}

void Reader::skipBinary(int length) {
  const std::size_t left = data_.size() - pos_;
  const std::size_t count = std::min<std::size_t>(length > 0 ? static_cast<std::size_t>(length) : 0, left);
  if (top().dest == Dest::Picture && pictureActive_ && !picture_.tooBig) {
    if (picture_.data.size() + count > kMaxPictureBytes) {
      picture_.tooBig = true;
    } else {
      picture_.data.append(data_.substr(pos_, count));
    }
  }
  pos_ += count;
  if (skipCount_ > 0) --skipCount_;
}

void Reader::fontTableText(std::string_view bytes) {
  if (fontBeingDefined_ < 0) return;
  Font& font = fonts_[fontBeingDefined_];
  for (char c : bytes) {
    if (font.nameDone) return;
    if (c == ';') {
      font.nameDone = true;
    } else if (font.name.size() < kMaxFontName) {
      font.name += c;
    }
  }
}

void Reader::colourTableText(std::string_view bytes) {
  for (char c : bytes) {
    if (c != ';') continue;
    if (colours_.size() < kMaxColours) {
      colours_.push_back(red_ < 0 && green_ < 0 && blue_ < 0
                             ? QColor()
                             : QColor(std::max(red_, 0), std::max(green_, 0), std::max(blue_, 0)));
    }
    red_ = green_ = blue_ = -1;
  }
}

void Reader::pictureHex(std::string_view bytes) {
  if (picture_.tooBig) return;
  for (char c : bytes) {
    const int nibble = HexValue(c);
    if (nibble < 0) continue;
    if (picture_.highNibble < 0) {
      picture_.highNibble = nibble;
      continue;
    }
    if (picture_.data.size() >= kMaxPictureBytes) {
      picture_.tooBig = true;
      return;
    }
    picture_.data += static_cast<char>(picture_.highNibble * 16 + nibble);
    picture_.highNibble = -1;
  }
}

// The picture's own size from its header, read before anything is decoded.
QSize PictureSize(std::string_view data, bool jpeg) {
  if (jpeg) return JpegSize(data);
  QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  return QImageReader(&buffer, "PNG").size();
}

// Decoded at no more than `box`, the picture's proportions kept.
QImage DecodePicture(std::string_view data, bool jpeg, QSize own, QSize box) {
  QImage image;
  if (jpeg) {
    if (!DecodeJpegToCover(data, box, image)) return {};
  } else {
    QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "PNG");
    if (!reader.read(&image)) return {};
  }
  if (image.width() > box.width() || image.height() > box.height()) {
    image = image.scaled(own.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
  }
  return image;
}

void Reader::finishPicture() {
  pictureActive_ = false;
  PictureState picture = std::move(picture_);
  picture_ = PictureState{};
  if (picture.format == PictureState::Format::Other || picture.tooBig || picture.data.empty()) return;
  const bool jpeg = picture.format == PictureState::Format::Jpeg;
  const QSize own = PictureSize(picture.data, jpeg);
  if (own.isEmpty()) return;  // no picture to decode
  const std::uint64_t pixels = std::uint64_t(own.width()) * std::uint64_t(own.height());
  if (pixels > kMaxPicturePixels || pixels > kMaxDescriptionPicturePixels - picturePixels_ ||
      static_cast<std::size_t>(pictureCount_) >= kMaxPictures) {
    ++picturesLeftOut_;
    return;
  }
  picturePixels_ += pixels;
  double width = picture.goalWidth > 0 ? Pixels(picture.goalWidth) : own.width();
  double height = picture.goalHeight > 0 ? Pixels(picture.goalHeight) : own.height();
  if (picture.scaleX > 0) width = width * picture.scaleX / 100.0;
  if (picture.scaleY > 0) height = height * picture.scaleY / 100.0;
  width = std::clamp(width, 1.0, double{kMaxPictureSide});
  height = std::clamp(height, 1.0, double{kMaxPictureSide});
  // Twice the shown size stays sharp on a screen of twice the density.
  const QSize box(static_cast<int>(std::ceil(width * 2)), static_cast<int>(std::ceil(height * 2)));
  const QImage image = DecodePicture(picture.data, jpeg, own, box);
  if (image.isNull()) return;
  const QUrl name(QStringLiteral("rtfpicture:%1").arg(++pictureCount_));
  document_.addResource(QTextDocument::ImageResource, name, image);
  startText();  // a picture is text: it takes its place in the cell or paragraph
  flushText();
  QTextImageFormat format;
  format.setName(name.toString());
  format.setWidth(width);
  format.setHeight(height);
  cursor_.insertImage(format);
  ++textChars_;
}

void Reader::finishFontTable() {
  // Fonts are known now: the text before the table used them blind.
  formats_.clear();
  for (GroupState& state : stack_) state.codePage = codePageFor(state.chars.font);
}

int Reader::codePageFor(int font) const {
  const auto found = fonts_.find(font);
  if (found == fonts_.end()) return documentCodePage_;
  if (found->second.codePage > 0 && found->second.charset != 2) return found->second.codePage;
  return CodePageForCharset(found->second.charset, found->second.name, documentCodePage_);
}

QColor Reader::colour(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= colours_.size()) return {};
  return colours_[static_cast<std::size_t>(index)];
}

const QString& Reader::fieldAddress(int field) {
  FieldState& state = fields_[static_cast<std::size_t>(field)];
  if (!state.parsed) {
    // A field links its text to web addresses only; any other target (a
    // local file, a program, a script) leaves the text as plain text.
    const std::string web = disc::WebAddress(HyperlinkAddress(state.instruction).toStdString());
    state.address = QString::fromStdString(web);
    state.parsed = true;
    std::string().swap(state.instruction);
  }
  return state.address;
}

// More text in the same cell after a paragraph mark: the mark was a real break.
void Reader::breakBeforeMoreCellText() {
  if (cellBreakPending_) endParagraph(cellBreakPara_);
}

void Reader::startText() {
  breakBeforeMoreCellText();
  const GroupState& state = top();
  CharState chars = state.chars;
  int link = state.link;
  if (runs_ >= kMaxRuns || paragraphRuns_ >= kMaxRunsPerParagraph) {
    // Over the layout's budget: the rest (of the paragraph, or of all) is plain.
    CharState plain;
    plain.font = defaultFont_;
    if (!(chars == plain) || link >= 0) formattingCut_ = true;
    chars = plain;
    link = -1;
  }
  if (!(pendingChars_ == chars) || pendingLink_ != link) {
    flushText();
    pendingChars_ = chars;
    pendingLink_ = link;
    ++runs_;
    ++paragraphRuns_;
  }
  blockPara_ = state.para;
  if (pendingCells_ > 0) {
    decodePendingBytes();
    pendingText_.append(QString(pendingCells_, QChar(u'\t')));
    pendingCells_ = 0;
  }
}

void Reader::emitBytes(std::string_view bytes) {
  if (top().chars.hidden) return;
  startText();
  if (pendingCodePage_ != top().codePage) {
    decodePendingBytes();
    pendingCodePage_ = top().codePage;
  }
  while (!bytes.empty() && !stopped_) {
    const std::string_view chunk = bytes.substr(0, kFlushThreshold);
    bytes.remove_prefix(chunk.size());
    for (char c : chunk) {
      // Control characters other than the tab have no place in a description.
      if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') pendingBytes_ += c;
    }
    if (pendingBytes_.size() >= kFlushThreshold) flushText();
  }
}

void Reader::emitChar(char16_t c) {
  if (top().chars.hidden) return;
  startText();
  decodePendingBytes();
  pendingText_ += QChar(c);
  if (static_cast<std::size_t>(pendingText_.size()) > kFlushThreshold) flushText();
}

void Reader::decodePendingBytes() {
  if (pendingBytes_.empty()) return;
  decoder_.Append(pendingBytes_, pendingCodePage_, pendingText_);
  pendingBytes_.clear();
}

void Reader::takePendingText() {
  decodePendingBytes();
  if (pendingText_.isEmpty()) return;
  ReplaceLoneSurrogates(pendingText_);
  breaker_.Apply(pendingText_);
  if (pendingText_.size() > kMaxTextChars - textChars_) {
    pendingText_.truncate(kMaxTextChars - textChars_);
    stopped_ = true;
  }
  textChars_ += pendingText_.size();
}

void Reader::flushText() {
  takePendingText();
  if (pendingText_.isEmpty()) return;
  cursor_.insertText(pendingText_, charFormat(pendingChars_, pendingLink_));
  pendingText_.clear();
  if (textChars_ > kMaxTextChars) stopped_ = true;
}

void Reader::endParagraph() { endParagraph(top().para); }

void Reader::endParagraph(const ParaState& para) {
  cellBreakPending_ = false;
  pendingCells_ = 0;
  if (blockFormatSet_ && para == lastBlockPara_) {
    // The paragraph keeps the format its block inherited: its text and its
    // mark go in with one call, the mark in the text's own format.
    takePendingText();
    pendingText_ += QChar::ParagraphSeparator;
    cursor_.insertText(pendingText_, charFormat(pendingChars_, pendingLink_));
    pendingText_.clear();
    breaker_.NewParagraph();
    paragraphRuns_ = 0;
    blockPara_ = top().para;
    if (++textChars_ >= kMaxTextChars) stopped_ = true;
    return;
  }
  flushText();
  // A new block starts with its predecessor's format: set it only when it changes.
  if (!blockFormatSet_ || !(para == lastBlockPara_)) {
    lastBlockFormat_ = blockFormat(para);
    cursor_.setBlockFormat(lastBlockFormat_);
    lastBlockPara_ = para;
    blockFormatSet_ = true;
  }
  cursor_.insertBlock(lastBlockFormat_, charFormat(pendingChars_, pendingLink_));
  breaker_.NewParagraph();
  paragraphRuns_ = 0;
  blockPara_ = top().para;
  if (++textChars_ >= kMaxTextChars) stopped_ = true;
}

const QTextCharFormat& Reader::charFormat(const CharState& chars, int link) {
  for (auto cached = formats_.rbegin(); cached != formats_.rend(); ++cached) {
    if (cached->link == link && cached->chars == chars) return cached->format;
  }
  if (formats_.size() >= kMaxCachedFormats) formats_.erase(formats_.begin());
  formats_.push_back({chars, link, makeCharFormat(chars, link)});
  return formats_.back().format;
}

QTextCharFormat Reader::makeCharFormat(const CharState& chars, int link) const {
  QTextCharFormat format;
  if (chars.bold) format.setFontWeight(QFont::Bold);
  if (chars.italic) format.setFontItalic(true);
  if (chars.underline) format.setFontUnderline(true);
  if (chars.strike) format.setFontStrikeOut(true);
  if (chars.halfPoints > 0) format.setFontPointSize(chars.halfPoints / 2.0);
  if (chars.vertical != 0) {
    format.setVerticalAlignment(chars.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                   : QTextCharFormat::AlignSubScript);
  }
  const auto font = fonts_.find(chars.font);
  if (font != fonts_.end() && !font->second.name.empty() && codePageFor(chars.font) > 0) {
    QString family = DecodeDiscText(font->second.name).trimmed();
    if (!family.isEmpty()) format.setFontFamilies(QStringList{family});
  }
  const QColor foreground = colour(chars.foreground);
  if (foreground.isValid()) format.setForeground(foreground);
  const QColor background = colour(chars.background);
  if (background.isValid()) format.setBackground(background);
  if (link >= 0) {
    format.setAnchor(true);
    format.setAnchorHref(fields_[static_cast<std::size_t>(link)].address);
    format.setFontUnderline(true);
    if (!foreground.isValid()) format.setForeground(QColor(Qt::blue));
  }
  return format;
}

QTextBlockFormat Reader::blockFormat(const ParaState& para) const {
  QTextBlockFormat format;
  static constexpr Qt::Alignment kAlignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                  Qt::AlignJustify};
  format.setAlignment(kAlignments[para.alignment]);
  if (para.leftIndent != 0) format.setLeftMargin(Pixels(para.leftIndent));
  if (para.rightIndent != 0) format.setRightMargin(Pixels(para.rightIndent));
  if (para.firstIndent != 0) format.setTextIndent(Pixels(para.firstIndent));
  if (para.spaceBefore != 0) format.setTopMargin(Pixels(para.spaceBefore));
  if (para.spaceAfter != 0) format.setBottomMargin(Pixels(para.spaceAfter));
  return format;
}

bool LooksLikeRtf(std::string_view data) {
  const std::size_t first = data.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && data.substr(first, 5) == "{\\rtf";
}

void ReadPlainText(std::string_view data, QTextDocument& document) {
  QString text = DecodeDiscText(data);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  LineBreaker().Apply(text);
  text.truncate(kMaxTextChars);
  QTextCursor(&document).insertText(text);
  SetTabStops(document, kDefaultTab);
}

}  // namespace

void ReadRtf(std::string_view data, QTextDocument& document) { ReadRtf(data, document, nullptr); }

void ReadRtf(std::string_view data, QTextDocument& document, RtfDiagnostics* diagnostics) {
  if (diagnostics != nullptr) *diagnostics = RtfDiagnostics{};
  if (data.substr(0, 3) == "\xEF\xBB\xBF") data.remove_prefix(3);  // a byte-order mark
  const bool undo = document.isUndoRedoEnabled();
  document.setUndoRedoEnabled(false);
  document.clear();
  // One edit for the whole read: the layout catches up once, not per run.
  QTextCursor edit(&document);
  edit.beginEditBlock();
  if (LooksLikeRtf(data)) {
    if (diagnostics != nullptr) diagnostics->rtf = true;
    Reader reader(data, document);
    reader.Diagnose(diagnostics);
    reader.Run();
  } else {
    ReadPlainText(data, document);
  }
  if (!LinkWebAddresses(document, kMaxLinks) && diagnostics != nullptr) diagnostics->formattingCut = true;
  edit.endEditBlock();
  document.setUndoRedoEnabled(undo);
}

}  // namespace zolt::rtf
