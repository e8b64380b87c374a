// What the reader makes of the RTF that word processors write: characters and
// code pages, formatting, destinations, fields, lists, tables and pictures.

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

#include "platform/rtf/linkify.h"
#include "rtftestutil.h"

using zolt::rtf::ReadRtf;
using zolt::rtf::test::FormatAt;
using zolt::rtf::test::Find;
using zolt::rtf::test::PlainText;

namespace {

QByteArray Hex(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toHex();
}

std::string Rtf(const QByteArray& body) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}" + body.toStdString() + "}";
}

}  // namespace

class TestRtfReader : public QObject {
  Q_OBJECT

 private slots:
  void characters_data();
  void characters();
  void formattingRunsAndTheirOffForms();
  void coloursComeFromTheTableAndAutoFollowsTheViewer();
  void paragraphPropertiesReachTheBlocks();
  void destinationsWithoutBodyTextAreHidden();
  void hyperlinkFieldShowsResultAsLinkToAddress();
  void otherFieldsShowTheirResult();
  void webAddressesInTextBecomeLinks_data();
  void webAddressesInTextBecomeLinks();
  void linksInTheDocumentAreNotLinkedTwice();
  void listsAndTablesReadAsText_data();
  void listsAndTablesReadAsText();
  void picturesShowAtTheirGoalSize();
  void otherPictureFormatsAreSkipped();
  void plainTextFiles_data();
  void plainTextFiles();
  void layoutBoundsLeaveTheRestPlain_data();
  void layoutBoundsLeaveTheRestPlain();
  void readingReplacesThePreviousDocument();
};

void TestRtfReader::characters_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("text");
  const auto row = [](const char* name, const char* rtf, const QString& text) {
    QTest::newRow(name) << QByteArray(rtf) << text;
  };
  row("cp1252 by default", "{\\rtf1 caf\\'e9 \\'80}", QStringLiteral(u"café €"));
  row("raw 8-bit text", "{\\rtf1\\ansi na\xefve}", QStringLiteral(u"naïve"));
  row("ansicpg 1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", QStringLiteral(u"При"));
  row("ansicpg 1250", "{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8}", QStringLiteral(u"šč"));
  row("font charset 204 under cp1252",
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial CYR;}}"
      "\\f1 \\'c4\\'e0 \\f0 \\'c4}",
      QStringLiteral(u"Да Ä"));
  row("font charset 1 means the document's code page",
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset1 X;}}\\f0 \\'94ok\\'94}", QStringLiteral(u"”ok”"));
  row("shift-jis double bytes", "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'82\\'a0\\'93\\'fa}",
      QStringLiteral(u"あ日"));
  row("gbk", "{\\rtf1{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'c4\\'e3\\'ba\\'c3}", QStringLiteral(u"你好"));
  row("big5", "{\\rtf1{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\f0 \\'a4\\'a4}", QStringLiteral(u"中"));
  row("mac roman", "{\\rtf1\\mac caf\\'8e}", QStringLiteral(u"café"));
  row("mac japanese", "{\\rtf1\\mac\\ansicpg10001 \\'82\\'a0}", QStringLiteral(u"あ"));
  row("symbol font bullet", "{\\rtf1{\\fonttbl{\\f1 Symbol;}}{\\f1 \\'b7}}", QStringLiteral(u"•"));
  row("unicode with fallback", "{\\rtf1 \\u8364?5}", QStringLiteral(u"€5"));
  row("unicode fallback then digits", "{\\rtf1 2018\\u24180?9}", QStringLiteral(u"2018年9"));
  row("uc2 skips two hex bytes", "{\\rtf1\\uc2\\u12354\\'82\\'a0x}", QStringLiteral(u"あx"));
  row("uc0 skips nothing", "{\\rtf1\\uc0\\u8220 hi\\u8221 }", QStringLiteral(u"“hi”"));
  row("negative code", "{\\rtf1 \\u-3913?}", QStringLiteral(u"\uF0B7"));
  row("surrogate pair", "{\\rtf1 \\u-10179?\\u-8704?}", QStringLiteral(u"😀"));
  row("lone surrogate", "{\\rtf1 a\\u-10240?b}", QStringLiteral(u"a\uFFFDb"));
  row("skip ends with the group", "{\\rtf1 {\\u8364}x}", QStringLiteral(u"€x"));
  row("uc is scoped to its group", "{\\rtf1 {\\uc0\\u8364}\\u8364?x}", QStringLiteral(u"€€x"));
  row("named specials", "{\\rtf1 \\lquote a\\rquote \\ldblquote b\\rdblquote \\emdash\\endash\\bullet}",
      QStringLiteral(u"‘a’“b”—–•"));
  row("control symbols", "{\\rtf1 a\\~b\\-c\\_d \\{\\}\\\\}", QStringLiteral(u"a\u00A0b\u00ADc\u2011d {}\\"));
  row("bin data skipped with its braces", "{\\rtf1 a\\bin4 }}{\\b}", QStringLiteral(u"ab"));
  row("line and tab", "{\\rtf1 a\\line b\\tab c}", QStringLiteral(u"a\nb\tc"));
  row("delimiting space eaten once", "{\\rtf1 \\b  x\\b0}", QStringLiteral(u" x"));
  row("newlines in source are not text", "{\\rtf1 a\r\nb\nc}", QStringLiteral(u"abc"));
  row("hidden text", "{\\rtf1 a{\\v secret}b}", QStringLiteral(u"ab"));
}

void TestRtfReader::characters() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, text);
  // Raw text, so that no-break spaces stay what they are.
  QTextDocument document;
  ReadRtf(rtf.toStdString(), document);
  QCOMPARE(document.toRawText().replace(QChar::LineSeparator, u'\n'), text);
}

void TestRtfReader::formattingRunsAndTheirOffForms() {
  QTextDocument document;
  ReadRtf("{\\rtf1 \\b B\\b0 n\\i I\\i0 n\\ul U\\ulnone n\\uldb D\\ul0 n\\strike S\\strike0 n"
          "\\fs40 L\\fs20 s\\b\\i\\plain p{\\b g}q\\super 2\\nosupersub}",
          document);
  QCOMPARE(document.toPlainText(), QStringLiteral("BnInUnDnSnLspgq2"));
  const auto at = [&](const char* letter) {
    return FormatAt(document, Find(document, QString::fromLatin1(letter)));
  };
  QCOMPARE(at("B").fontWeight(), int(QFont::Bold));
  QCOMPARE(FormatAt(document, 1).fontWeight(), int(QFont::Normal));
  QVERIFY(at("I").fontItalic());
  QVERIFY(at("U").fontUnderline());
  QVERIFY(at("D").fontUnderline());
  QVERIFY(at("S").fontStrikeOut());
  for (int i = 0; i < 9; i += 2) {
    QVERIFY2(!FormatAt(document, i + 1).fontItalic() && !FormatAt(document, i + 1).fontUnderline() &&
                 !FormatAt(document, i + 1).fontStrikeOut(),
             "an off form left its formatting on");
  }
  QCOMPARE(at("L").fontPointSize(), 20.0);
  QCOMPARE(at("s").fontPointSize(), 10.0);
  QCOMPARE(at("p").fontWeight(), int(QFont::Normal));
  QVERIFY(!at("p").hasProperty(QTextFormat::FontPointSize));  // \plain: the viewer's own size
  QCOMPARE(at("g").fontWeight(), int(QFont::Bold));
  QCOMPARE(at("q").fontWeight(), int(QFont::Normal));  // the group's bold ended with it
  QCOMPARE(at("2").verticalAlignment(), QTextCharFormat::AlignSuperScript);
  QCOMPARE(at("p").fontFamilies().toStringList(), QStringList());
}

void TestRtfReader::coloursComeFromTheTableAndAutoFollowsTheViewer() {
  QTextDocument document;
  ReadRtf("{\\rtf1{\\fonttbl{\\f0 Verdana;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
          "\\f0 a\\cf1 r\\cf2 g\\cf0 z\\cf9 n{\\cb2 k}{\\highlight1 h}}",
          document);
  QCOMPARE(document.toPlainText(), QStringLiteral("argznkh"));
  QVERIFY(!FormatAt(document, 0).hasProperty(QTextFormat::ForegroundBrush));
  QCOMPARE(FormatAt(document, 1).foreground().color(), QColor(255, 0, 0));
  QCOMPARE(FormatAt(document, 2).foreground().color(), QColor(0, 128, 0));
  QVERIFY2(!FormatAt(document, 3).hasProperty(QTextFormat::ForegroundBrush), "\\cf0 is the automatic colour");
  QVERIFY2(!FormatAt(document, 4).hasProperty(QTextFormat::ForegroundBrush), "a colour beyond the table");
  QCOMPARE(FormatAt(document, 5).background().color(), QColor(0, 128, 0));
  QCOMPARE(FormatAt(document, 6).background().color(), QColor(255, 0, 0));
  QCOMPARE(FormatAt(document, 0).fontFamilies().toStringList(), QStringList{QStringLiteral("Verdana")});
}

void TestRtfReader::paragraphPropertiesReachTheBlocks() {
  QTextDocument document;
  ReadRtf("{\\rtf1 \\pard\\qc centre\\par \\pard\\qr\\li720\\ri360\\fi-360\\sb120\\sa240 right\\par"
          "\\pard\\qj just\\par \\pard plain\\par {\\pard\\qc inner\\par}after}",
          document);
  QCOMPARE(document.toPlainText(), QStringLiteral("centre\nright\njust\nplain\ninner\nafter"));
  QTextBlock block = document.begin();
  QCOMPARE(block.blockFormat().alignment(), Qt::AlignHCenter);
  block = block.next();
  QCOMPARE(block.blockFormat().alignment(), Qt::AlignRight);
  QCOMPARE(block.blockFormat().leftMargin(), 48.0);
  QCOMPARE(block.blockFormat().rightMargin(), 24.0);
  QCOMPARE(block.blockFormat().textIndent(), -24.0);
  QCOMPARE(block.blockFormat().topMargin(), 8.0);
  QCOMPARE(block.blockFormat().bottomMargin(), 16.0);
  block = block.next();
  QCOMPARE(block.blockFormat().alignment(), Qt::AlignJustify);
  block = block.next();
  QCOMPARE(block.blockFormat().alignment(), Qt::AlignLeft);
  QCOMPARE(block.blockFormat().leftMargin(), 0.0);
  block = block.next();
  QCOMPARE(block.blockFormat().alignment(), Qt::AlignHCenter);
  QCOMPARE(block.next().blockFormat().alignment(), Qt::AlignLeft);  // the group's \qc ended with it
  QCOMPARE(document.defaultTextOption().tabStopDistance(), 48.0);  // half an inch
  ReadRtf("{\\rtf1\\deftab1440 a\\tab b}", document);
  QCOMPARE(document.defaultTextOption().tabStopDistance(), 96.0);
}

void TestRtfReader::destinationsWithoutBodyTextAreHidden() {
  const QString text = PlainText(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil{\\*\\panose 0204}Times;}}{\\colortbl;\\red1\\green2\\blue3;}"
      "{\\stylesheet{\\s1 Heading 1;}}{\\info{\\title T}{\\author A}}{\\*\\generator Writer 1.0;}"
      "{\\header head}{\\footer foot}{\\*\\unknowndest hidden}{\\unknownword shown}"
      "{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'01\\u-3913 ?;}}}}"
      "body{\\footnote note}{\\loch\\i0\\*\\cs7 mid-group star}{\\*\\bkmkstart b}end}");
  QCOMPARE(text, QStringLiteral("shownbodymid-group starend"));
}

void TestRtfReader::hyperlinkFieldShowsResultAsLinkToAddress() {
  QTextDocument document;
  ReadRtf("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}"
          "See {\\field{\\*\\fldinst{HYPERLINK \"http://example.org/a?b=1\"}}{\\fldrslt{\\ul site}}} and "
          "{\\field{\\*\\fldinst HYPERLINK \\\\l \"part2\"}{\\fldrslt here}} or "
          "{\\field{\\*\\fldinst HYPERLINK \"http://b.org/p.htm\" \\\\l \"s2\"}{\\fldrslt there}}, "
          "{\\field{\\*\\fldinst HYPERLINK  \"https://x.org/\" \\\\o \"tip\"}{\\fldrslt\\cf1 red}}.}",
          document);
  QCOMPARE(document.toPlainText(), QStringLiteral("See site and here or there, red."));
  const QTextCharFormat site = FormatAt(document, Find(document, QStringLiteral("site")) + 3);
  QVERIFY(site.isAnchor());
  QCOMPARE(site.anchorHref(), QStringLiteral("http://example.org/a?b=1"));
  QVERIFY(site.fontUnderline());
  QVERIFY2(!FormatAt(document, Find(document, QStringLiteral("here"))).isAnchor(), "a bookmark is no address");
  QCOMPARE(FormatAt(document, Find(document, QStringLiteral("there"))).anchorHref(), QStringLiteral("http://b.org/p.htm#s2"));
  const QTextCharFormat red = FormatAt(document, Find(document, QStringLiteral("red")));
  QCOMPARE(red.anchorHref(), QStringLiteral("https://x.org/"));
  QCOMPARE(red.foreground().color(), QColor(255, 0, 0));  // the writer's colour wins over link blue
  QVERIFY(!FormatAt(document, Find(document, QStringLiteral(" and"))).isAnchor());
  QVERIFY(!FormatAt(document, Find(document, QStringLiteral("."))).isAnchor());
}

void TestRtfReader::otherFieldsShowTheirResult() {
  QCOMPARE(PlainText("{\\rtf1 Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 3}} of "
                     "{\\field{\\*\\fldinst NUMPAGES}{\\fldrslt{\\b 9}}}}"),
           QStringLiteral("Page 3 of 9"));
  QTextDocument document;
  ReadRtf("{\\rtf1 {\\field{\\*\\fldinst DATE}{\\fldrslt today}}}", document);
  QVERIFY(!FormatAt(document, 0).isAnchor());
}

void TestRtfReader::webAddressesInTextBecomeLinks_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("links");  // shown text, address; pairs
  const auto row = [](const char* name, const QString& text, const QStringList& links) {
    QTest::newRow(name) << text << links;
  };
  row("plain http", QStringLiteral("Visit http://a.org/x."), {QStringLiteral("http://a.org/x"), QStringLiteral("http://a.org/x")});
  row("https with query", QStringLiteral("(https://a.org/p?q=1&r=2), then"),
      {QStringLiteral("https://a.org/p?q=1&r=2"), QStringLiteral("https://a.org/p?q=1&r=2")});
  row("www gains a scheme", QStringLiteral("www.tavelo.it!"), {QStringLiteral("www.tavelo.it"), QStringLiteral("http://www.tavelo.it")});
  row("ftp mailto, and file: is no link", QStringLiteral("ftp://f.org; mailto:me@x.org file:///c:/a.txt FILE:x"),
      {QStringLiteral("ftp://f.org"), QStringLiteral("ftp://f.org"), QStringLiteral("mailto:me@x.org"),
       QStringLiteral("mailto:me@x.org")});
  row("brackets kept when the address opened them", QStringLiteral("http://w.org/A_(b) x"),
      {QStringLiteral("http://w.org/A_(b)"), QStringLiteral("http://w.org/A_(b)")});
  row("capitals", QStringLiteral("WWW.A.COM"), {QStringLiteral("WWW.A.COM"), QStringLiteral("http://WWW.A.COM")});
  row("quoted", QStringLiteral(u"“http://q.org”"), {QStringLiteral("http://q.org"), QStringLiteral("http://q.org")});
  row("not inside a word", QStringLiteral("xhttp://a.org shttp: awww.b.com"), {});
  row("a bare prefix is no address", QStringLiteral("http:// www. mailto:"), {});
  row("e-mail host with www", QStringLiteral("me@www.x.org"), {});
}

void TestRtfReader::webAddressesInTextBecomeLinks() {
  QFETCH(QString, text);
  QFETCH(QStringList, links);
  QStringList found;
  for (const zolt::rtf::WebAddress& address : zolt::rtf::FindWebAddresses(text)) {
    found << text.mid(address.start, address.length) << address.address;
  }
  QCOMPARE(found, links);
}

void TestRtfReader::linksInTheDocumentAreNotLinkedTwice() {
  QTextDocument document;
  ReadRtf("{\\rtf1 Go {\\field{\\*\\fldinst HYPERLINK \"http://real.org/\"}{\\fldrslt http://shown.org}}"
          " or {\\b www.bold}.com now\\par next http://b.org}",
          document);
  QCOMPARE(FormatAt(document, Find(document, QStringLiteral("shown"))).anchorHref(),
           QStringLiteral("http://real.org/"));
  // An address across two formatting runs is still one link.
  const int www = Find(document, QStringLiteral("www"));
  QCOMPARE(FormatAt(document, www).anchorHref(), QStringLiteral("http://www.bold.com"));
  QCOMPARE(FormatAt(document, www + 10).anchorHref(), QStringLiteral("http://www.bold.com"));
  QCOMPARE(FormatAt(document, www).fontWeight(), int(QFont::Bold));  // merged, not replaced
  QVERIFY(!FormatAt(document, Find(document, QStringLiteral(" now"))).isAnchor());
  QCOMPARE(FormatAt(document, Find(document, QStringLiteral("b.org"))).anchorHref(), QStringLiteral("http://b.org"));
}

void TestRtfReader::listsAndTablesReadAsText_data() {
  QTest::addColumn<QByteArray>("rtf");
  QTest::addColumn<QString>("text");
  QTest::newRow("word 6 bullets") << QByteArray(
      "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}"
      "one\\par{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}two\\par}")
                                  << QStringLiteral(u"•\tone\n•\ttwo\n");
  QTest::newRow("numbered list text") << QByteArray(
      "{\\rtf1{\\listtext\\pard\\plain 1.\\tab}first\\par{\\listtext 2.\\tab}second}")
                                      << QStringLiteral("1.\tfirst\n2.\tsecond");
  QTest::newRow("table rows and cells") << QByteArray(
      "{\\rtf1\\trowd\\cellx1000\\cellx2000\\cellx3000\\pard\\intbl a\\cell b\\cell\\cell\\row"
      "\\trowd\\cellx1000\\pard\\intbl c\\cell\\row\\pard after}")
                                        << QStringLiteral("a\tb\nc\nafter");
  QTest::newRow("paragraphs inside cells") << QByteArray(
      "{\\rtf1\\trowd\\cellx1\\cellx2{\\pard\\intbl\\ql A\\par}\\cell{\\pard\\intbl\\qr 1\\par}\\cell\\row"
      "{\\pard\\intbl two\\par lines\\par}\\cell x\\cell\\row\\pard\\intbl last\\par}")
                                             << QStringLiteral("A\t1\ntwo\nlines\tx\nlast");
  QTest::newRow("empty middle cell") << QByteArray("{\\rtf1\\trowd\\intbl a\\cell\\cell c\\cell\\row}")
                                     << QStringLiteral("a\t\tc\n");
  QTest::newRow("nested table") << QByteArray(
      "{\\rtf1\\trowd\\cellx5000\\pard\\intbl\\itap2 x\\nestcell y\\nestcell"
      "{\\*\\nesttableprops\\trowd\\cellx100\\cellx200\\nestrow}{\\nonesttables\\par}"
      "\\pard\\intbl\\itap1 outer\\cell\\row}")
                                << QStringLiteral("x\ty\nouter\n");
}

void TestRtfReader::listsAndTablesReadAsText() {
  QFETCH(QByteArray, rtf);
  QFETCH(QString, text);
  QCOMPARE(PlainText(rtf.toStdString()), text);
}

void TestRtfReader::picturesShowAtTheirGoalSize() {
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::red);
  QTextDocument document;
  ReadRtf(Rtf("a{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\pngblip\\picw40\\pich20"
              "\\picwgoal1500\\pichgoal750 " + Hex(image, "PNG") + "}}{\\nonshppict{\\pict\\wmetafile8 0102}}"
              "b{\\pict\\jpegblip\\picscalex50\\picscaley50 " + Hex(image, "JPEG") + "}c"),
          document);
  QCOMPARE(document.toPlainText(), QStringLiteral(u"a\uFFFCb\uFFFCc"));
  const QTextImageFormat png = FormatAt(document, 1).toImageFormat();
  QVERIFY(png.isValid());
  QCOMPARE(png.width(), 100.0);  // 1500 twips
  QCOMPARE(png.height(), 50.0);
  const QVariant pixels = document.resource(QTextDocument::ImageResource, QUrl(png.name()));
  QCOMPARE(pixels.value<QImage>().size(), QSize(40, 20));
  const QTextImageFormat jpeg = FormatAt(document, 3).toImageFormat();
  QCOMPARE(jpeg.width(), 20.0);  // no goal: the picture's own size, scaled by half
  QCOMPARE(jpeg.height(), 10.0);
}

void TestRtfReader::otherPictureFormatsAreSkipped() {
  QCOMPARE(PlainText("{\\rtf1 a{\\pict\\wmetafile8\\picw10\\pich10 0100090000}b"
                     "{\\pict\\pngblip 00ff00ff}c{\\pict\\pngblip\\bin3 abc}d}"),
           QStringLiteral("abcd"));
}

void TestRtfReader::plainTextFiles_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<QString>("text");
  QTest::newRow("utf-8") << QByteArray("Caff\xc3\xa8 {\\b not rtf}\r\nriga") << QStringLiteral(u"Caffè {\\b not rtf}\nriga");
  QTest::newRow("windows-1252") << QByteArray("perch\xe9 \x80\rfine") << QStringLiteral(u"perché €\nfine");
  QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbfok") << QStringLiteral("ok");
  QTest::newRow("rtf after a byte-order mark") << QByteArray("\xef\xbb\xbf{\\rtf1 x}") << QStringLiteral("x");
  QTest::newRow("rtf header broken") << QByteArray("{\\rtx1 x}") << QStringLiteral("{\\rtx1 x}");
  QTest::newRow("empty") << QByteArray() << QString();
}

void TestRtfReader::plainTextFiles() {
  QFETCH(QByteArray, data);
  QFETCH(QString, text);
  QTextDocument document;
  ReadRtf(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), document);
  QCOMPARE(document.toPlainText(), text);
}

void TestRtfReader::readingReplacesThePreviousDocument() {
  QTextDocument document;
  ReadRtf("{\\rtf1 \\qc\\b first http://a.org}", document);
  ReadRtf("plain www.b.org", document);
  QCOMPARE(document.toPlainText(), QStringLiteral("plain www.b.org"));
  QCOMPARE(FormatAt(document, 0).fontWeight(), int(QFont::Normal));
  QCOMPARE(document.begin().blockFormat().alignment(), Qt::AlignLeft);
  QCOMPARE(FormatAt(document, 6).anchorHref(), QStringLiteral("http://www.b.org"));
  QVERIFY(!document.isUndoAvailable());
}

// Past a paragraph's runs, or the document's links, the rest is plain text
// and the diagnostics say so; a word too long gets invisible break
// opportunities; ordinary text passes untouched.
void TestRtfReader::layoutBoundsLeaveTheRestPlain_data() {
  QTest::addColumn<QByteArray>("body");
  QTest::addColumn<bool>("cut");
  QTest::addColumn<bool>("lastFormatted");
  QTest::addColumn<int>("breaks");
  QTest::newRow("ordinary") << QByteArray("{\\b a} b {\\i c} www.a.it d") << false << false << 0;
  QTest::newRow("600 runs in one paragraph") << QByteArray("{\\b x}y").repeated(300) + "{\\b z}" << true << false << 0;
  QTest::newRow("600 runs in 300 paragraphs") << QByteArray("{\\b x}y\\par ").repeated(300) + "{\\b z}" << false
                                              << true << 0;
  QTest::newRow("1,200 web addresses") << QByteArray("www.esempio.it ").repeated(1200) << true << false << 0;
  QTest::newRow("a word of 2,500 letters") << QByteArray(2500, 'a') << false << false << 2;
}

void TestRtfReader::layoutBoundsLeaveTheRestPlain() {
  QFETCH(QByteArray, body);
  QFETCH(bool, cut);
  QFETCH(bool, lastFormatted);
  QFETCH(int, breaks);
  QTextDocument document;
  zolt::rtf::RtfDiagnostics found;
  ReadRtf(Rtf(body), document, &found);
  QCOMPARE(found.formattingCut, cut);
  const QString text = document.toPlainText();
  const QTextCharFormat last = FormatAt(document, static_cast<int>(text.size()) - 1);
  QCOMPARE(last.fontWeight() == QFont::Bold || last.isAnchor(), lastFormatted);
  QCOMPARE(static_cast<int>(text.count(QChar(u'\u200B'))), breaks);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
