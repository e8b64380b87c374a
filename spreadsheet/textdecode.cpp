#include "spreadsheet/textdecode.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace zolt::biff {

namespace {

void AppendCodePoint(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// iconv names of the code pages a CODEPAGE record may give.
std::string IconvName(int codepage) {
  switch (codepage) {
    case 367: return "ASCII";
    case 10000: case 32768: return "MACINTOSH";
    case 10006: return "MACGREEK";
    case 10007: return "MACCYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 10081: return "MACTURKISH";
    case 32769: return "CP1252";
    case 1361: return "JOHAB";
    default: return "CP" + std::to_string(codepage);
  }
}

class TIconv {
 public:
  explicit TIconv(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
  ~TIconv() {
    if (ok()) iconv_close(cd_);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

void AppendUtf16(std::string& out, const std::uint8_t* p, std::size_t units, std::uint16_t& pending) {
  for (std::size_t i = 0; i < units; ++i) {
    const auto u = static_cast<std::uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (u < 0x80 && pending == 0) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    if (pending != 0) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        AppendCodePoint(out, 0x10000 + ((static_cast<std::uint32_t>(pending) - 0xD800) << 10) + (u - 0xDC00u));
        pending = 0;
        continue;
      }
      AppendCodePoint(out, kReplacement);
      pending = 0;
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
      pending = u;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      AppendCodePoint(out, kReplacement);
    } else {
      AppendCodePoint(out, u);
    }
  }
}

void FlushUtf16(std::string& out, std::uint16_t& pending) {
  if (pending != 0) AppendCodePoint(out, kReplacement);
  pending = 0;
}

void AppendLatin1(std::string& out, const std::uint8_t* p, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    // Copy the run of ASCII bytes in one go, testing eight bytes at a time.
    std::size_t j = i;
    while (j + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + j, sizeof word);
      if ((word & 0x8080808080808080ull) != 0) break;
      j += 8;
    }
    while (j < n && p[j] < 0x80) ++j;
    out.append(reinterpret_cast<const char*>(p + i), j - i);
    for (i = j; i < n && p[i] >= 0x80; ++i) {
      out.push_back(static_cast<char>(0xC0 | (p[i] >> 6)));
      out.push_back(static_cast<char>(0x80 | (p[i] & 0x3F)));
    }
  }
}

TCodePage::TCodePage(int codepage) : number_(codepage) {
  doubleByte_ = codepage == 932 || codepage == 936 || codepage == 949 || codepage == 950 || codepage == 1361;
  iconvName_ = IconvName(codepage);
  TIconv probe(iconvName_);
  if (!probe.ok()) {
    number_ = 1252;
    doubleByte_ = false;
    iconvName_ = "CP1252";
  }
  TIconv cd(iconvName_);
  for (int b = 0; b < 256; ++b) {
    std::string utf8;
    if (b < 0x80 || !cd.ok()) {
      const auto byte = static_cast<std::uint8_t>(b);
      AppendLatin1(utf8, &byte, 1);
    } else {
      char in = static_cast<char>(b);
      char outBuf[8];
      char* inPtr = &in;
      char* outPtr = outBuf;
      std::size_t inLeft = 1, outLeft = sizeof outBuf;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0 &&
          outPtr - outBuf <= 3 && outPtr != outBuf) {
        utf8.assign(outBuf, outPtr);
      } else {
        const auto byte = static_cast<std::uint8_t>(b);
        AppendLatin1(utf8, &byte, 1);
      }
    }
    auto& entry = table_[static_cast<std::size_t>(b)];
    for (std::size_t i = 0; i < utf8.size(); ++i) entry[i] = utf8[i];
    entry[3] = static_cast<char>(utf8.size());
  }
}

void TCodePage::Append(std::string& out, const std::uint8_t* p, std::size_t n) const {
  if (!doubleByte_) {
    for (std::size_t i = 0; i < n; ++i) {
      const auto& entry = table_[p[i]];
      out.append(entry.data(), static_cast<std::size_t>(entry[3]));
    }
    return;
  }
  TIconv cd(iconvName_);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(p));
  std::size_t inLeft = n;
  std::string buf(4 * n + 8, '\0');
  char* outPtr = buf.data();
  std::size_t outLeft = buf.size();
  while (inLeft > 0) {
    if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) break;  // cannot happen: four bytes out per byte in is enough
    // An invalid or cut double-byte sequence: one replacement character per byte.
    const std::size_t used = static_cast<std::size_t>(outPtr - buf.data());
    buf.resize(used);
    AppendCodePoint(buf, kReplacement);
    buf.resize(buf.size() + 4 * inLeft + 8);
    outPtr = buf.data() + used + 3;
    outLeft = buf.size() - used - 3;
    ++in;
    --inLeft;
  }
  buf.resize(static_cast<std::size_t>(outPtr - buf.data()));
  out += buf;
}

}  // namespace zolt::biff
