// The letters of a description as its file stores them. The search matches
// the file as stored, so a letter written as an RTF escape is never found,
// and the reader shows raw bytes in the document's code page, so raw UTF-8
// shows as odd characters.

#include "tools/zolt-check/authorrules.h"

#include "disc/disctext.h"

#include <QChar>

#include <algorithm>
#include <array>
#include <cstdint>

namespace zolt::check {
namespace {

// Destinations whose text is never shown: fonts, colours, styles, document
// information, pictures, lists, revision tables.
constexpr std::string_view kHiddenDestinations[] = {
    "fonttbl", "colortbl", "stylesheet", "info", "pict", "listtable", "listoverridetable", "rsidtbl",
    "generator", "xmlnstbl", "themedata", "colorschememapping", "datastore", "latentstyles", "revtbl",
    "filetbl", "object", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"};

// What a byte is to the scan: a letter or digit of ASCII, what parts words
// (blanks, punctuation), or what needs a closer look.
enum ByteKind : unsigned char { kAlnum, kParting, kSpecial };

constexpr auto kByteKinds = [] {
  std::array<ByteKind, 256> kinds{};
  for (int c = 0; c < 256; ++c) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool special = c >= 0x80 || c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n';
    kinds[static_cast<std::size_t>(c)] = alnum ? kAlnum : special ? kSpecial : kParting;
  }
  return kinds;
}();

bool IsAsciiAlnum(unsigned char c) { return kByteKinds[c] == kAlnum; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the valid UTF-8 sequence of two or more bytes at `at`, or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  return disc::IsValidUtf8(text.substr(at, length)) ? length : 0;
}

// A whole-file look, cheap beside the scan, that lets the scan stop early.
bool HasHighByte(std::string_view text) {
  unsigned char any = 0;
  for (const char c : text) any |= static_cast<unsigned char>(c);
  return (any & 0x80) != 0;
}

char32_t DecodeUtf8(std::string_view sequence) {
  const auto lead = static_cast<unsigned char>(sequence[0]);
  char32_t code = sequence.size() == 2 ? lead & 0x1F : sequence.size() == 3 ? lead & 0x0F : lead & 0x07;
  for (std::size_t k = 1; k < sequence.size(); ++k) code = (code << 6) | (static_cast<unsigned char>(sequence[k]) & 0x3F);
  return code;
}

class LetterScanner {
 public:
  LetterScanner(std::string_view rtf, std::size_t named, std::size_t tried)
      : rtf_(rtf), rawLimit_(named) {
    found_.rawHighBytes = HasHighByte(rtf);
    escapedLimit_ = found_.rawHighBytes ? std::max(named, tried) : named;
  }

  DescriptionLetters Run() {
    while (at_ < rtf_.size() && !Full()) Step();
    EndWord();
    return std::move(found_);
  }

 private:
  struct Group {
    long unicodeSkip = 1;  // \ucN: the fallback characters after each \uN
    bool hidden = false;   // a destination that is never shown
  };

  // Enough words of each kind; with no raw byte beyond ASCII there is no raw UTF-8 to find.
  bool Full() const {
    return found_.escaped.size() >= escapedLimit_ &&
           (utf8Document_ || !found_.rawHighBytes || found_.rawUtf8.size() >= rawLimit_);
  }

  void Step() {
    const auto c = static_cast<unsigned char>(rtf_[at_]);
    if (kByteKinds[c] != kSpecial && fallback_ == 0) {
      if (kByteKinds[c] == kAlnum) {
        AsciiRun();
      } else {
        EndWord();
        ++at_;
      }
    } else if (c == '{' || c == '}') {
      ++at_;
      EndWord();
      fallback_ = 0;
      if (c == '{') {
        // Beyond any real nesting the innermost group stands for the deeper ones.
        if (groups_.size() < kMaxDepth) {
          groups_.push_back(groups_.back());
        } else {
          ++depthBeyond_;
        }
        groupStart_ = at_;
      } else if (depthBeyond_ > 0) {
        --depthBeyond_;
      } else if (groups_.size() > 1) {
        groups_.pop_back();
      }
    } else if (c == '\\') {
      Control();
    } else if (c == '\r' || c == '\n') {
      ++at_;  // line breaks in an RTF file are not text
    } else if (Fallback()) {
      at_ += c >= 0x80 ? std::max<std::size_t>(1, Utf8SequenceAt(rtf_, at_)) : 1;
    } else if (c >= 0x80) {
      RawBytes();
    } else {
      ++at_;
      if (IsAsciiAlnum(c)) {
        word_.push_back(static_cast<char>(c));
      } else {
        EndWord();
      }
    }
  }

  // Letters and digits: most of a description. They are copied only into a
  // word that has a letter worth naming; until then the word is where it began.
  void AsciiRun() {
    const std::size_t begin = at_;
    const char* const data = rtf_.data();
    std::size_t end = at_ + 1;
    while (end < rtf_.size() && kByteKinds[static_cast<unsigned char>(data[end])] == kAlnum) ++end;
    at_ = end;
    if (groups_.back().hidden) return;
    if (Naming()) {
      word_.append(rtf_.substr(begin, std::min(at_ - begin, Room())));
    } else if (wordBegin_ == kNoWord) {
      wordBegin_ = begin;
    }
  }

  bool Naming() const { return escapedWord_ || rawUtf8Word_; }

  // What a word may still take: a word is named, not quoted whole.
  std::size_t Room() const { return word_.size() < kMaxWordBytes ? kMaxWordBytes - word_.size() : 0; }

  // The word so far, from where it began up to `end`, before a letter worth naming.
  void StartNaming(std::size_t end) {
    if (Naming() || wordBegin_ == kNoWord) return;
    for (std::size_t k = wordBegin_; k < end && Room() > 0; ++k) {
      if (IsAsciiAlnum(static_cast<unsigned char>(rtf_[k]))) word_.push_back(rtf_[k]);
    }
  }

  // The word so far kept in word_, so that what stands at `end` is left out of it.
  void Keep(std::size_t end) {
    StartNaming(end);
    if (!Naming()) wordBegin_ = kNoWord;
  }

  // One fallback character after \uN is being skipped.
  bool Fallback() {
    if (fallback_ == 0) return false;
    --fallback_;
    return true;
  }

  void RawBytes() {
    const std::size_t begin = at_;
    const std::size_t length = Utf8SequenceAt(rtf_, at_);
    if (length == 0) {  // a byte of the document's code page
      ++at_;
      Letter(disc::Cp1252ToUnicode(static_cast<unsigned char>(rtf_[begin])), false, begin);
      return;
    }
    const std::string_view sequence = rtf_.substr(at_, length);
    at_ += length;
    if (groups_.back().hidden) return;
    const bool letter = QChar::isLetterOrNumber(DecodeUtf8(sequence));
    StartNaming(begin);
    if (Room() >= sequence.size()) word_.append(sequence);
    rawUtf8Word_ = rawUtf8Word_ || !utf8Document_;
    if (!Naming()) wordBegin_ = kNoWord;  // a UTF-8 document: the word is kept in word_
    if (!letter) EndWord();
  }

  void Control() {
    if (at_ + 1 >= rtf_.size()) {
      at_ = rtf_.size();
      return;
    }
    const char symbol = rtf_[at_ + 1];
    const std::size_t begin = at_;
    if (symbol == '\'') {
      const int high = at_ + 2 < rtf_.size() ? HexValue(rtf_[at_ + 2]) : -1;
      const int low = at_ + 3 < rtf_.size() ? HexValue(rtf_[at_ + 3]) : -1;
      at_ += high < 0 ? 2 : low < 0 ? 3 : 4;
      if (Fallback() || high < 0 || low < 0) return;
      Letter(disc::Cp1252ToUnicode(static_cast<unsigned char>(high * 16 + low)), true, begin);
      return;
    }
    if (!IsAsciiAlnum(static_cast<unsigned char>(symbol)) || (symbol >= '0' && symbol <= '9')) {
      at_ += 2;  // a control symbol: \\ \{ \} \~ \- \* ...
      if (symbol == '*') {
        groups_.back().hidden = true;
        groupStart_ = at_;  // the destination's name follows
      } else if (!Fallback()) {
        EndWord();
      }
      return;
    }
    std::size_t end = at_ + 1;
    while (end < rtf_.size() && ((rtf_[end] >= 'a' && rtf_[end] <= 'z') || (rtf_[end] >= 'A' && rtf_[end] <= 'Z'))) ++end;
    const std::string_view name = rtf_.substr(at_ + 1, end - at_ - 1);
    const bool negative = end < rtf_.size() && rtf_[end] == '-';
    if (negative) ++end;
    long parameter = 0;
    bool hasParameter = false;
    for (int digits = 0; end < rtf_.size() && rtf_[end] >= '0' && rtf_[end] <= '9'; ++end, ++digits) {
      if (digits < 10) parameter = parameter * 10 + (rtf_[end] - '0');
      hasParameter = true;
    }
    if (negative) parameter = -parameter;
    if (end < rtf_.size() && rtf_[end] == ' ') ++end;
    at_ = end;
    if (name == "ansicpg" && parameter == 65001) {
      utf8Document_ = true;
    } else if (name == "bin" && hasParameter) {
      at_ += static_cast<std::size_t>(std::clamp<long>(parameter, 0, static_cast<long>(rtf_.size() - at_)));
    } else if (name == "uc" && hasParameter) {
      groups_.back().unicodeSkip = std::clamp<long>(parameter, 0, 16);
      Keep(begin);  // the word goes on after it
    } else if (name == "u" && hasParameter) {
      Unicode(parameter < 0 ? parameter + 65536 : parameter, begin);
    } else if (begin == groupStart_ &&
               std::find(std::begin(kHiddenDestinations), std::end(kHiddenDestinations), name) !=
                   std::end(kHiddenDestinations)) {
      groups_.back().hidden = true;
    } else if (!Fallback()) {
      EndWord();  // formatting in the middle of a word parts it in the file
    }
  }

  void Unicode(long value, std::size_t begin) {
    fallback_ = groups_.back().unicodeSkip;
    if (value >= 0xD800 && value < 0xDC00) {
      highSurrogate_ = static_cast<char32_t>(value);
      return;
    }
    char32_t code = static_cast<char32_t>(value);
    if (value >= 0xDC00 && value < 0xE000) {
      if (highSurrogate_ == 0) return;
      code = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (code - 0xDC00);
    }
    highSurrogate_ = 0;
    Letter(code, true, begin);
  }

  // A letter that is not in the file as it is: escaped, or a raw byte of the code page.
  void Letter(char32_t code, bool escaped, std::size_t begin) {
    if (groups_.back().hidden) return;
    if (code < 0x80 ? !IsAsciiAlnum(static_cast<unsigned char>(code)) : !QChar::isLetterOrNumber(code)) {
      EndWord();
      return;
    }
    StartNaming(begin);
    if (Room() >= 4) disc::AppendUtf8(word_, code);
    escapedWord_ = escapedWord_ || (escaped && code >= 0x80);
    if (!Naming()) wordBegin_ = kNoWord;  // the word is kept in word_ from here
  }

  void EndWord() {
    if (wordBegin_ == kNoWord && word_.empty()) return;
    if (escapedWord_) AddOnce(found_.escaped, escapedLimit_);
    if (rawUtf8Word_) AddOnce(found_.rawUtf8, rawLimit_);
    if (!word_.empty()) word_.clear();
    escapedWord_ = rawUtf8Word_ = false;
    wordBegin_ = kNoWord;
  }

  void AddOnce(std::vector<std::string>& words, std::size_t limit) const {
    if (words.size() < limit && std::find(words.begin(), words.end(), word_) == words.end()) words.push_back(word_);
  }

  static constexpr std::size_t kNoWord = std::string_view::npos;
  static constexpr std::size_t kMaxDepth = 1024;
  static constexpr std::size_t kMaxWordBytes = 64;

  std::string_view rtf_;
  std::size_t rawLimit_;
  std::size_t escapedLimit_ = 0;
  bool utf8Document_ = false;  // \ansicpg65001: raw UTF-8 is what the file means
  std::size_t at_ = 0;
  std::vector<Group> groups_{Group{}};
  long fallback_ = 0;
  std::size_t depthBeyond_ = 0;
  std::size_t groupStart_ = kNoWord;  // just after the last "{": where a destination's name stands
  char32_t highSurrogate_ = 0;
  std::string word_;            // the word, once it has a letter worth naming
  std::size_t wordBegin_ = kNoWord;  // where the word began, before that
  bool escapedWord_ = false;
  bool rawUtf8Word_ = false;
  DescriptionLetters found_;
};

std::string Listed(const std::vector<std::string>& words) {
  std::string list;
  for (const std::string& word : words) list += (list.empty() ? "«" : ", «") + word + "»";
  return list;
}

// What a reader sees of UTF-8 bytes read as Windows-1252.
std::string AsCp1252(std::string_view utf8) {
  std::string shown;
  for (const char c : utf8) disc::AppendUtf8(shown, disc::Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return shown;
}

}  // namespace

DescriptionLetters ScanDescriptionLetters(std::string_view rtf, std::size_t named, std::size_t tried) {
  return LetterScanner(rtf, named, tried).Run();
}

std::vector<Finding> DescriptionLetterFindings(const std::vector<std::string>& unsearchable,
                                               const std::vector<std::string>& rawUtf8) {
  std::vector<Finding> found;
  if (!unsearchable.empty()) {
    found.push_back({"description-accents-unsearchable", "",
                     "le lettere accentate sono scritte come codici RTF (per esempio \\'f9 per «ù»), non come "
                     "lettere: la ricerca legge il file così com'è e chi cerca " + Listed(unsearchable) +
                         " non trova questa voce. Per renderle cercabili, sostituire nel file i codici con le "
                         "lettere in Windows-1252 (il README dice come)."});
  }
  if (!rawUtf8.empty()) {
    std::string shown;
    for (const std::string& word : rawUtf8) shown += (shown.empty() ? "" : ", ") + ("«" + AsCp1252(word) + "»");
    found.push_back({"description-raw-utf8", "",
                     "l'RTF contiene lettere in UTF-8 scritte senza codice, ma l'RTF si legge nella sua code "
                     "page (Windows-1252): il lettore vede " + shown + " invece di " + Listed(rawUtf8) +
                         ". Salvare il file con un programma di videoscrittura, o scrivere le lettere in "
                         "Windows-1252."});
  }
  return found;
}

}  // namespace zolt::check
