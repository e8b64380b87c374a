// rtf2text as our checks call it: the text on standard output as UTF-8 and
// exit status 0, or the reason on standard error and exit status 2.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestRtf2Text : public QObject {
  Q_OBJECT

 private slots:
  void printsTheTextAsUtf8();
  void unreadableFilesExitWithTwo_data();
  void unreadableFilesExitWithTwo();
};

void TestRtf2Text::printsTheTextAsUtf8() {
  QTemporaryDir folder;
  QFile file(folder.filePath(QStringLiteral("d.rtf")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("{\\rtf1\\ansi caf\\'e9{\\pict\\pngblip 00}\\par\\u8364? www.a.org}");
  file.close();
  QProcess process;
  process.start(QStringLiteral(RTF2TEXT), {file.fileName()});
  QVERIFY(process.waitForFinished());
  QCOMPARE(process.exitCode(), 0);
  QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), QStringLiteral(u"café\n€ www.a.org\n"));
}

void TestRtf2Text::unreadableFilesExitWithTwo_data() {
  QTest::addColumn<QString>("path");
  QTest::newRow("missing") << QStringLiteral("/nonexistent/description.rtf");
  QTest::newRow("a folder") << QDir::tempPath();
}

void TestRtf2Text::unreadableFilesExitWithTwo() {
  QFETCH(QString, path);
  QProcess process;
  process.start(QStringLiteral(RTF2TEXT), {path});
  QVERIFY(process.waitForFinished());
  QCOMPARE(process.exitCode(), 2);
  QVERIFY(process.readAllStandardOutput().isEmpty());
  QVERIFY(QString::fromLocal8Bit(process.readAllStandardError()).contains(path));
}

QTEST_GUILESS_MAIN(TestRtf2Text)
#include "tst_rtf2text.moc"
