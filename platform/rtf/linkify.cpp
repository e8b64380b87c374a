#include "platform/rtf/linkify.h"

#include <QColor>
#include <QTextCursor>
#include <QTextDocument>
#include <array>

namespace zolt::rtf {
namespace {

struct Prefix {
  QLatin1StringView text;
  qsizetype minimumRest;  // characters that must follow for an address
};

// Only what a click can open: a "file:" address is never opened from a
// description, so it is not drawn as a link either.
constexpr std::array<Prefix, 5> kPrefixes = {{
    {QLatin1StringView("http://"), 1},
    {QLatin1StringView("https://"), 1},
    {QLatin1StringView("ftp://"), 1},
    {QLatin1StringView("www."), 2},
    {QLatin1StringView("mailto:"), 3},
}};

bool EndsAddress(QChar c) {
  if (c.isSpace() || c.category() == QChar::Other_Control) return true;
  switch (c.unicode()) {
    case u'<': case u'>': case u'"': case u'\u00A0': case u'\uFFFC': case u'\u2028':
    case u'\u2029': case u'\u201C': case u'\u201D': case u'\u00AB': case u'\u00BB':
      return true;
    default:
      return false;
  }
}

bool IsTrailingPunctuation(QChar c) {
  switch (c.unicode()) {
    case u'.': case u',': case u';': case u':': case u'!': case u'?': case u'\'':
    case u')': case u']': case u'}': case u'\u2019':
      return true;
    default:
      return false;
  }
}

// A closing bracket stays when the address itself opened it (wiki-style).
bool KeepsClosingBracket(QStringView address, QChar close) {
  const QChar open = close == u')' ? u'(' : close == u']' ? u'[' : u'{';
  return address.count(open) >= address.count(close);
}

qsizetype TrimmedEnd(QStringView text, qsizetype start, qsizetype end) {
  while (end > start) {
    const QChar last = text[end - 1];
    if (!IsTrailingPunctuation(last)) break;
    if ((last == u')' || last == u']' || last == u'}') &&
        KeepsClosingBracket(text.mid(start, end - start), last)) {
      break;
    }
    --end;
  }
  return end;
}

}  // namespace

std::vector<WebAddress> FindWebAddresses(QStringView text) {
  std::vector<WebAddress> found;
  qsizetype i = 0;
  while (i < text.size()) {
    const char16_t lower = text[i].unicode() | 0x20;  // ASCII letters only matter here
    if ((lower != u'h' && lower != u'f' && lower != u'w' && lower != u'm') ||
        (i > 0 && (text[i - 1].isLetterOrNumber() || text[i - 1] == u'.' ||
                   text[i - 1] == u'@' || text[i - 1] == u'/'))) {
      ++i;
      continue;
    }
    const Prefix* match = nullptr;
    for (const Prefix& prefix : kPrefixes) {
      if (text.mid(i, prefix.text.size()).compare(prefix.text, Qt::CaseInsensitive) == 0) {
        match = &prefix;
        break;
      }
    }
    if (match == nullptr) {
      ++i;
      continue;
    }
    qsizetype end = i + match->text.size();
    while (end < text.size() && !EndsAddress(text[end])) ++end;
    end = TrimmedEnd(text, i, end);
    if (end - i - match->text.size() < match->minimumRest) {
      i += match->text.size();
      continue;
    }
    WebAddress address{i, end - i, text.mid(i, end - i).toString()};
    if (match->text.startsWith(u'w')) address.address.prepend(QStringLiteral("http://"));
    found.push_back(std::move(address));
    i = end;
  }
  return found;
}

bool LinkWebAddresses(QTextDocument& document, std::size_t maxLinks) {
  const QString text = document.toRawText();
  std::vector<WebAddress> addresses = FindWebAddresses(text);
  if (addresses.empty()) return true;
  const bool all = addresses.size() <= maxLinks;
  if (!all) addresses.resize(maxLinks);
  QTextCursor cursor(&document);
  QTextCharFormat link;
  link.setAnchor(true);
  link.setFontUnderline(true);
  link.setForeground(QColor(Qt::blue));
  for (const WebAddress& address : addresses) {
    // An address never runs over a paragraph's end: the mark ends it.
    cursor.setPosition(static_cast<int>(address.start + 1));
    if (cursor.charFormat().isAnchor()) continue;  // already a link of the document's own
    cursor.setPosition(static_cast<int>(address.start));
    cursor.setPosition(static_cast<int>(address.start + address.length), QTextCursor::KeepAnchor);
    link.setAnchorHref(address.address);
    cursor.mergeCharFormat(link);
  }
  return all;
}

}  // namespace zolt::rtf
