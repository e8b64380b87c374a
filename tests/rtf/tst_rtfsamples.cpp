// Real documents from many writers, checked against two independent plain
// text renderings beside each file. ORACLE_NOTES.md there says which
// rendering to believe where they differ; where it names none, agreeing with
// either counts.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <vector>

#include "rtftestutil.h"

using zolt::rtf::ReadRtf;

namespace {

const QString kFolder = QStringLiteral(ZOLT_SHARED_DIR "/testdata/rtf");

enum class Reference { Either, Office, Unrtf };

// The documents where the two renderings disagree and the notes name the right one.
Reference ReferenceFor(const QString& name) {
  static const QHash<QString, Reference> table = [] {
    QHash<QString, Reference> t;
    for (const char* office :
         {"pandoc/link", "pandoc/table_nested", "pandoc/unicode", "pandoc/writer-tables", "rtfjs/hyperlink",
          "rtfpipe/Issue23", "rtfpipe/Issue34", "rtfpipe/RtfParserTest_6", "rtfpipe/RtfParserTest_fail_0",
          "rtfpipe/RtfParserTest_fail_6", "rtfpipe/nested_table_report", "rtfpipe/rtf2xml_japanese",
          "striprtf/TX_RTF32_18.0.541.501", "striprtf/encoding", "striprtf/hyperlink",
          "striprtf/mac_textedit_hyperlink", "striprtf/specialchars", "tika/testFontAfterBufferedText",
          "tika/testRTFHyperlinkAndStyles", "tika/testRTFUnicodeUCNControlWordCharacterDoubling"}) {
      t.insert(QString::fromLatin1(office), Reference::Office);
    }
    for (const char* unrtf : {"pandoc/table_nested_malformed_itap", "pandoc/table_simple", "pandoc/image",
                              "tika/testBinControlWord", "tika/testRTFTableCellSeparation2"}) {
      t.insert(QString::fromLatin1(unrtf), Reference::Unrtf);
    }
    return t;
  }();
  return table.value(name, Reference::Either);
}

// Words after whitespace normalisation; soft hyphens dropped, no-break spaces
// and hyphens plain, pictures' object marks left out.
QStringList Words(QString text) {
  text.remove(QChar(0x00AD));
  text.remove(QChar::ObjectReplacementCharacter);
  text.replace(QChar(0x00A0), u' ');
  text.replace(QChar(0x2011), u'-');
  static const QRegularExpression blanks(QStringLiteral("\\s+"),
                                         QRegularExpression::UseUnicodePropertiesOption);
  return text.split(blanks, Qt::SkipEmptyParts);
}

QString ReadUtf8(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

struct Agreement {
  double bag = 0;       // shared words, order ignored
  double sequence = 0;  // longest common word sequence
  bool good() const { return bag >= 0.90 && sequence >= 0.80; }
};

Agreement Compare(const QStringList& ours, const QStringList& reference) {
  const qsizetype total = ours.size() + reference.size();
  if (total == 0) return {1, 1};
  QHash<QString, int> counts;
  for (const QString& word : reference) ++counts[word];
  qsizetype shared = 0;
  for (const QString& word : ours) {
    auto found = counts.find(word);
    if (found != counts.end() && found.value() > 0) {
      --found.value();
      ++shared;
    }
  }
  // Longest common subsequence over words (numbered, so that the inner loop
  // compares integers), two rows at a time.
  QHash<QString, int> numbers;
  const auto numbered = [&numbers](const QStringList& words) {
    std::vector<int> result;
    result.reserve(static_cast<std::size_t>(words.size()));
    for (const QString& word : words) {
      auto found = numbers.constFind(word);
      if (found == numbers.constEnd()) found = numbers.insert(word, int(numbers.size()));
      result.push_back(found.value());
    }
    return result;
  };
  std::vector<int> a = numbered(ours);
  std::vector<int> b = numbered(reference);
  // What both start and end with is common as it stands.
  std::size_t common = 0;
  while (!a.empty() && !b.empty() && a.back() == b.back()) {
    a.pop_back();
    b.pop_back();
    ++common;
  }
  const auto firstDifference = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  common += static_cast<std::size_t>(firstDifference.first - a.begin());
  a.erase(a.begin(), firstDifference.first);
  b.erase(b.begin(), firstDifference.second);
  std::vector<int> previous(b.size() + 1, 0);
  std::vector<int> current(previous.size(), 0);
  for (const int word : a) {
    for (std::size_t k = 0; k < b.size(); ++k) {
      current[k + 1] = word == b[k] ? previous[k] + 1 : std::max(previous[k + 1], current[k]);
    }
    std::swap(previous, current);
  }
  return {2.0 * double(shared) / double(total), 2.0 * double(common + std::size_t(previous.back())) / double(total)};
}

QString OurText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  QTextDocument document;
  ReadRtf(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), document);
  return document.toPlainText();
}

}  // namespace

class TestRtfSamples : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void agreementWithTheReferences();
  void whatUsersSee_data();
  void whatUsersSee();
  void hyperlinksPointWhereTheWriterSaid();
};

void TestRtfSamples::initTestCase() {
  if (!QFile::exists(kFolder + QStringLiteral("/MANIFEST.tsv"))) {
    QSKIP("the shared RTF samples (../shared/testdata/rtf) are not here");
  }
}

void TestRtfSamples::agreementWithTheReferences() {
  QFile manifest(kFolder + QStringLiteral("/MANIFEST.tsv"));
  QVERIFY(manifest.open(QIODevice::ReadOnly));
  manifest.readLine();  // column names
  int agreed = 0;
  int documents = 0;
  QStringList others;
  while (!manifest.atEnd()) {
    const QString file = QString::fromUtf8(manifest.readLine()).section(u'\t', 0, 0);
    if (!file.endsWith(QStringLiteral(".rtf"))) continue;
    const QString name = file.chopped(4);
    const QStringList ours = Words(OurText(kFolder + u'/' + file));
    const Reference reference = ReferenceFor(name);
    Agreement best;
    if (reference != Reference::Office) {
      const Agreement unrtf = Compare(ours, Words(ReadUtf8(kFolder + u'/' + name + QStringLiteral(".unrtf.txt"))));
      if (unrtf.bag + unrtf.sequence > best.bag + best.sequence) best = unrtf;
    }
    if (reference != Reference::Unrtf) {
      const Agreement office = Compare(ours, Words(ReadUtf8(kFolder + u'/' + name + QStringLiteral(".lo.txt"))));
      if (office.bag + office.sequence > best.bag + best.sequence) best = office;
    }
    ++documents;
    if (best.good()) {
      ++agreed;
    } else {
      others << QStringLiteral("%1 (words %2, order %3)").arg(name).arg(best.bag, 0, 'f', 2).arg(best.sequence, 0, 'f', 2);
    }
  }
  const double share = documents > 0 ? double(agreed) / documents : 0;
  qInfo("agreement: %d of %d documents (%.1f%%)", agreed, documents, share * 100);
  for (const QString& other : others) qInfo("  differs: %s", qPrintable(other));
  QCOMPARE(documents, 150);
  QVERIFY2(share >= 0.95, "fewer than 95% of the sample documents read as their references say");
}

void TestRtfSamples::whatUsersSee_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("expected");  // a piece of the text, exactly
  const auto row = [](const char* file, const QString& expected) {
    QTest::newRow(file) << QString::fromLatin1(file) << expected;
  };
  row("pandoc/accent.rtf", QStringLiteral(u"é"));
  row("tika/testFontAfterBufferedText.rtf", QStringLiteral(u"Уважаемый клиент!"));  // \fcharset204 under cp1252
  row("rtfpipe/Issue34.rtf", QStringLiteral(u"Б.І. Гулько"));
  row("rtfpipe/Issue23.rtf", QStringLiteral(u"2018年9"));                 // \uN? then digits
  row("tika/testRTFUnicodeUCNControlWordCharacterDoubling.rtf", QStringLiteral(u"年 abc 念"));
  row("rtfpipe/RtfParserTest_6.rtf", QStringLiteral(u"は"));             // Mac Japanese
  row("striprtf/specialchars.rtf", QStringLiteral(u"\u2011"));
  row("rtfpipe/rtf2xml_japanese.rtf", QStringLiteral(u"日本"));
}

void TestRtfSamples::whatUsersSee() {
  QFETCH(QString, file);
  QFETCH(QString, expected);
  const QString text = OurText(kFolder + u'/' + file);
  QVERIFY2(text.contains(expected), qPrintable(file + QStringLiteral(": ") + text.left(300)));
}

void TestRtfSamples::hyperlinksPointWhereTheWriterSaid() {
  QFile file(kFolder + QStringLiteral("/striprtf/mac_textedit_hyperlink.rtf"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  QTextDocument document;
  ReadRtf(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), document);
  QStringList hrefs;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat().isAnchor()) hrefs << it.fragment().charFormat().anchorHref();
    }
  }
  hrefs.removeDuplicates();
  // "striprtf.dev" names no scheme: a field links only to web addresses, so
  // that one shows as plain text.
  QCOMPARE(hrefs, QStringList({QStringLiteral("http://github.com/joshy/striprtf")}));
}

QTEST_MAIN(TestRtfSamples)
#include "tst_rtfsamples.moc"
