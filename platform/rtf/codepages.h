#pragma once
// Byte-to-text decoding for the code pages RTF writers use: the document's
// \ansicpg, a font's \fcharset, the Mac code pages of older writers, and the
// symbol fonts whose bytes are glyph numbers rather than letters.

#include <QString>
#include <map>
#include <memory>
#include <string_view>

class QStringDecoder;

namespace zolt::rtf {

// Pseudo code pages for the two symbol fonts that bullets are drawn from.
inline constexpr int kSymbolCodePage = -2;
inline constexpr int kWingdingsCodePage = -3;

// The code page of a font, from its \fcharset (and name, for symbol fonts);
// `documentCodePage` where the charset means "the document's own".
int CodePageForCharset(int charset, std::string_view fontName, int documentCodePage);

// Decodes byte runs under any supported code page; unknown code pages and
// bytes the code page leaves undefined fall back to Windows-1252. Holds one
// converter per code page met, so a document's runs share them.
class CodePageDecoder {
 public:
  CodePageDecoder();
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  void Append(std::string_view bytes, int codePage, QString& out);

 private:
  QStringDecoder* converterFor(int codePage);

  std::map<int, std::unique_ptr<QStringDecoder>> converters_;
};

}  // namespace zolt::rtf
