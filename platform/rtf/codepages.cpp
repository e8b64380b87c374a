#include "platform/rtf/codepages.h"

#include <QStringDecoder>
#include <array>

#include "platform/textcodec.h"

namespace zolt::rtf {
namespace {

// The converter name our text codec library knows each Windows code page by.
const char* ConverterName(int codePage) {
  switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 866: return "IBM866";
    case 874: return "windows-874";
    case 932: return "windows-31j";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 10000: return "macintosh";
    case 10001: return "windows-31j";  // Mac Japanese: Shift-JIS for our purposes
    case 10002: return "Big5";
    case 10003: return "EUC-KR";
    case 10006: return "x-mac-greek";
    case 10007: return "x-mac-cyrillic";
    case 10008: return "GB2312";
    case 10029: return "x-mac-centraleurroman";
    case 20866: return "KOI8-R";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28595: return "ISO-8859-5";
    case 65001: return "UTF-8";
    default: return nullptr;
  }
}

// Symbol font glyphs 0x41-0x7A are Greek letters in keyboard order.
constexpr std::array<char16_t, 58> kSymbolLetters = {
    u'Α', u'Β', u'Χ', u'Δ', u'Ε', u'Φ', u'Γ', u'Η', u'Ι', u'ϑ', u'Κ', u'Λ', u'Μ', u'Ν', u'Ο',
    u'Π', u'Θ', u'Ρ', u'Σ', u'Τ', u'Υ', u'ς', u'Ω', u'Ξ', u'Ψ', u'Ζ', u'[', u'∴', u']', u'⊥',
    u'_', u'‾', u'α', u'β', u'χ', u'δ', u'ε', u'φ', u'γ', u'η', u'ι', u'ϕ', u'κ', u'λ', u'μ',
    u'ν', u'ο', u'π', u'θ', u'ρ', u'σ', u'τ', u'υ', u'ϖ', u'ω', u'ξ', u'ψ', u'ζ'};

char16_t SymbolGlyph(unsigned char byte) {
  if (byte >= 0x41 && byte <= 0x7A) return kSymbolLetters[byte - 0x41];
  switch (byte) {
    case 0xB7: return u'•';
    case 0xA8: return u'♣';
    case 0xA9: return u'♦';
    case 0xAA: return u'♥';
    case 0xAB: return u'♠';
    case 0xAE: return u'→';
    case 0xB0: return u'°';
    case 0xB1: return u'±';
    case 0xB4: return u'×';
    case 0xB8: return u'÷';
    case 0xD3: return u'©';
    case 0xD2: return u'®';
    case 0xD4: return u'™';
    case 0xE0: return u'◊';
    case 0xA3: return u'≤';
    case 0xA5: return u'∞';
    case 0xB3: return u'≥';
    case 0xB9: return u'≠';
    case 0xBA: return u'≡';
    case 0xBB: return u'≈';
    case 0xBC: return u'…';
    case 0xD6: return u'√';
    case 0xE5: return u'∑';
    case 0xAC: return u'←';
    case 0xAD: return u'↑';
    case 0xAF: return u'↓';
    default: return byte < 0x80 ? char16_t{byte} : u'•';  // other glyphs: most often a list mark
  }
}

char16_t WingdingsGlyph(unsigned char byte) {
  switch (byte) {
    case 0x6C: return u'●';
    case 0x6E: return u'■';
    case 0x71: return u'❑';
    case 0x76: return u'❖';
    case 0xA7: return u'▪';
    case 0xD8: return u'➢';
    case 0xE0: return u'➢';
    case 0xFC: return u'✓';
    case 0xFB: return u'✗';
    default: return u'•';  // a glyph we cannot name still marks a list item
  }
}

bool NameContains(std::string_view name, std::string_view word) {
  if (word.size() > name.size()) return false;
  for (std::size_t i = 0; i + word.size() <= name.size(); ++i) {
    bool same = true;
    for (std::size_t j = 0; j < word.size() && same; ++j) {
      char a = name[i + j];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      same = a == word[j];
    }
    if (same) return true;
  }
  return false;
}

bool IsNamed(std::string_view name, std::string_view word) {
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name.size() == word.size() && NameContains(name, word);
}

}  // namespace

int CodePageForCharset(int charset, std::string_view fontName, int documentCodePage) {
  // Writers name the symbol fonts without their charset as often as with it.
  if (NameContains(fontName, "wingdings")) return kWingdingsCodePage;
  if (IsNamed(fontName, "symbol")) return kSymbolCodePage;
  switch (charset) {
    case 2:
      return NameContains(fontName, "wingdings") ? kWingdingsCodePage : kSymbolCodePage;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return documentCodePage;  // 0 (ANSI), 1 (default) and names we do not know
  }
}

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

QStringDecoder* CodePageDecoder::converterFor(int codePage) {
  auto found = converters_.find(codePage);
  if (found != converters_.end()) return found->second.get();
  std::unique_ptr<QStringDecoder> converter;
  if (const char* name = ConverterName(codePage)) {
    converter = std::make_unique<QStringDecoder>(name, QStringConverter::Flag::Stateless);
    if (!converter->isValid()) converter.reset();
  }
  return converters_.emplace(codePage, std::move(converter)).first->second.get();
}

void CodePageDecoder::Append(std::string_view bytes, int codePage, QString& out) {
  if (bytes.empty()) return;
  if (codePage == kSymbolCodePage || codePage == kWingdingsCodePage) {
    for (char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      out += QChar(codePage == kSymbolCodePage ? SymbolGlyph(byte) : WingdingsGlyph(byte));
    }
    return;
  }
  if (codePage != 1252) {
    if (QStringDecoder* converter = converterFor(codePage)) {
      out += converter->decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
      return;
    }
  }
  out += DecodeCp1252(bytes);
}

}  // namespace zolt::rtf
