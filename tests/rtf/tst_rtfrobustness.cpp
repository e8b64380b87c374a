// Hostile and broken input: the reader must end every read with a document
// showing what it could read, in bounded time and memory, without recursion.

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextDocument>
#include <string>

#include "rtftestutil.h"

using zolt::rtf::ReadRtf;
using zolt::rtf::test::PlainText;

class TestRtfRobustness : public QObject {
  Q_OBJECT

 private slots:
  void brokenStructure_data();
  void brokenStructure();
  void deepNestingNeedsNoStack();
  void hugeNumbersSaturate();
  void binaryLengthBeyondTheFile();
  void fiftyMegabytesStayBounded();
  void crashersStayFixed();
};

void TestRtfRobustness::brokenStructure_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("text");
  QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 a{\\b b{\\i c") << QStringLiteral("abc");
  QTest::newRow("text after the document ends") << QByteArray("{\\rtf1 a}b}c") << QStringLiteral("a");
  QTest::newRow("stray closing braces") << QByteArray("{\\rtf1 a}}}}") << QStringLiteral("a");
  QTest::newRow("truncated control word") << QByteArray("{\\rtf1 a\\par") << QStringLiteral("a\n");
  QTest::newRow("truncated after backslash") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
  QTest::newRow("truncated hex escape") << QByteArray("{\\rtf1 a\\'e") << QStringLiteral("a");
  QTest::newRow("bad hex escape") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
  QTest::newRow("truncated unicode fallback") << QByteArray("{\\rtf1 \\uc5\\u8364 ab") << QStringLiteral(u"€");
  QTest::newRow("truncated field") << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://a")
                                   << QString();
  QTest::newRow("truncated picture") << QByteArray("{\\rtf1 x{\\pict\\pngblip 89504e47") << QStringLiteral("x");
  QTest::newRow("negative lengths") << QByteArray("{\\rtf1 \\bin-5 a\\uc-3\\u-70000?b\\fs-10 c}")
                                    << QStringLiteral("a?bc");
  QTest::newRow("control characters dropped") << QByteArray("{\\rtf1 a\x01\x02\x00 b}", 14)
                                              << QStringLiteral("a b");
}

void TestRtfRobustness::brokenStructure() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, text);
  QCOMPARE(PlainText(std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size()))), text);
}

void TestRtfRobustness::deepNestingNeedsNoStack() {
  // 100,000 open groups, text at the bottom, then all closed: far beyond what a
  // recursive reader's stack would survive.
  constexpr int kDepth = 100000;
  std::string rtf = "{\\rtf1 top";
  rtf.reserve(kDepth * 5);
  for (int i = 0; i < kDepth; ++i) rtf += "{\\b ";
  rtf += "deep";
  for (int i = 0; i < kDepth; ++i) rtf += '}';
  rtf += " after}";
  QCOMPARE(PlainText(rtf), QStringLiteral("topdeep after"));
  // The same depth left open to the end of the file.
  QCOMPARE(PlainText(rtf.substr(0, rtf.find('}'))), QStringLiteral("topdeep"));
}

void TestRtfRobustness::hugeNumbersSaturate() {
  const std::string forty(40, '9');
  QTextDocument document;
  ReadRtf("{\\rtf1\\fs" + forty + " a\\li" + forty + " b\\u" + forty + " c\\f-" + forty + " d\\cf" + forty +
              " e\\uc" + forty + " f\\par}",
          document);
  QVERIFY(document.toPlainText().startsWith(QStringLiteral("ab")));
  document.setTextWidth(400);
  QVERIFY(document.size().height() < 100000);  // indents clamped, not off into the distance
}

void TestRtfRobustness::binaryLengthBeyondTheFile() {
  QCOMPARE(PlainText("{\\rtf1 a\\bin2147483647 xyz}"), QStringLiteral("a"));
  QCOMPARE(PlainText("{\\rtf1 a\\bin99999999999999999999999999 xyz}"), QStringLiteral("a"));
  QCOMPARE(PlainText("{\\rtf1 a{\\pict\\pngblip\\bin2147483647 xyz}b}"), QStringLiteral("a"));
}

void TestRtfRobustness::fiftyMegabytesStayBounded() {
  // Fifty megabytes of formatted paragraphs: the document keeps a bounded part.
  const std::string paragraph = "{\\b bold} and {\\i italic} text \\'e9\\u8364?\\par\n";
  std::string rtf = "{\\rtf1\\ansi ";
  rtf.reserve(50u << 20);
  while (rtf.size() < (50u << 20)) rtf += paragraph;
  rtf += '}';
  QTextDocument document;
  ReadRtf(rtf, document);
  QVERIFY(document.characterCount() > 100000);
  QVERIFY2(document.characterCount() <= 4 * 1024 * 1024 + 2, "the document grew without bound");
  QVERIFY(document.toPlainText().startsWith(QStringLiteral(u"bold and italic text é€\n")));

  // One fifty-megabyte picture and one fifty-megabyte run of text.
  std::string picture = "{\\rtf1 a{\\pict\\pngblip ";
  picture.append(50u << 20, 'f');
  picture += "}b}";
  QCOMPARE(PlainText(picture), QStringLiteral("ab"));
  std::string text = "{\\rtf1 ";
  text.append(50u << 20, 'x');
  QTextDocument big;
  ReadRtf(text, big);
  QVERIFY(big.characterCount() <= 4 * 1024 * 1024 + 2);
}

void TestRtfRobustness::crashersStayFixed() {
  // Every input the fuzzer found a fault with; each must now read cleanly.
  const QDir folder(QStringLiteral(ZOLT_RTF_CRASHERS));
  const QStringList files = folder.entryList(QDir::Files);
  for (const QString& name : files) {
    QFile file(folder.filePath(name));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
    const QByteArray data = file.readAll();
    QTextDocument document;
    ReadRtf(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), document);
    document.setTextWidth(300);
    QVERIFY(document.size().width() >= 0);
  }
}

QTEST_MAIN(TestRtfRobustness)
#include "tst_rtfrobustness.moc"
