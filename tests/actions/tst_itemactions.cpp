// Install and copy as the item page's buttons run them, against a recording
// shell and item folders laid out in a temporary directory.

#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "actions/itemactions.h"
#include "disc/catalogue.h"
#include "recordingshell.h"
#include "testfiles.h"

namespace fs = std::filesystem;
using zolt::actions::CopiaProdotto;
using zolt::actions::Installa;
using zolt::platform::CopyOutcome;

class ItemActionsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  fs::path root_;  // one folder per test function and data row
  fs::path item_;  // the item folder, "Doom_"
  fs::path dest_;  // what the folder dialog answers

  void Put(const std::string& relative, const std::string& bytes) {
    testfiles::Write(item_ / relative, bytes);
  }

  // An item with the six catalogue files, a home page, a sub-folder holding
  // catalogue-named files of its own and a program.
  void LayOutFullItem() {
    for (const char* name : {"img.jpg", "testo.txt", "setup.txt", "banner.gif", "banner.txt"}) {
      Put(name, name);
    }
    Put("scheda.htm", "<html/>");
    Put("leggimi.doc", "leggimi");
    Put("bin/doom.exe", "MZ");
    Put("bin/img.jpg", "inner picture");
    Put("bin/testo.txt", "inner text");
  }

 private slots:
  void init() {
    QVERIFY(tmp_.isValid());
    root_ = fs::path(tmp_.path().toStdString()) / QTest::currentTestFunction();
    if (QTest::currentDataTag()) root_ /= QTest::currentDataTag();
    item_ = root_ / "disc/Giochi_/Doom_";
    dest_ = root_ / "chosen";
    fs::create_directories(item_);
    fs::create_directories(dest_);
    zolt::catalogue::SetDiscRootForTesting((root_ / "disc/").string());
  }
  void cleanupTestCase() { zolt::catalogue::SetDiscRootForTesting({}); }

  // --- Install -------------------------------------------------------------

  void install_firstLineWhole_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("opened");
    QTest::newRow("CR LF") << QByteArray("bin\\Setup.exe\r\nignored") << QByteArray("bin/Setup.exe");
    QTest::newRow("lone CR, byte-order mark") << QByteArray("\xEF\xBB\xBF" "bin\\Setup.exe\rignored")
                                              << QByteArray("bin/Setup.exe");
    QTest::newRow("lone LF") << QByteArray("bin\\Setup.exe\nignored") << QByteArray("bin/Setup.exe");
    QTest::newRow("other case") << QByteArray("BIN\\setup.EXE\r\n") << QByteArray("bin/Setup.exe");
    QTest::newRow("switches taken whole") << QByteArray("bin\\Setup.exe /S\r\n")
                                          << QByteArray("bin/Setup.exe /S");
    QTest::newRow("document") << QByteArray("Leggimi.txt") << QByteArray("Leggimi.txt");
    QTest::newRow("empty file: the item folder") << QByteArray() << QByteArray();
    QTest::newRow("empty line: the item folder") << QByteArray("\r\nbin\\Setup.exe") << QByteArray();
  }
  void install_firstLineWhole() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, opened);
    Put("bin/Setup.exe", "MZ");
    Put("Leggimi.txt", "x");
    Put("SETUP.TXT", content.toStdString());
    RecordingShell shell;
    Installa(item_.string(), (item_ / "other.exe").string());
    QCOMPARE(shell.opened.size(), 1u);
    QCOMPARE(shell.opened[0], opened.isEmpty() ? item_.string() : (item_ / opened.toStdString()).string());
  }

  void install_programFileWhenNoSetup() {
    fs::create_directories(item_ / "setup.txt");  // a folder does not count
    RecordingShell shell;
    Installa(item_.string(), (item_ / "bin/doom.exe").string());
    QCOMPARE(shell.opened, std::vector<std::string>{(item_ / "bin/doom.exe").string()});
    shell.opened.clear();
    Installa(item_.string(), "");
    QVERIFY(shell.opened.empty());
  }

  // --- Single-file copy ("copia.txt") ---------------------------------------

  void copyFile_intoExistingSubFolder() {
    Put("copia.txt", "Dati\\mappa.wad\r\nignored\r\n");
    Put("dati/Mappa.WAD", "level");
    fs::create_directories(dest_ / "Dati");
    testfiles::Write(dest_ / "Dati/mappa.wad", "older");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(testfiles::Read(dest_ / "Dati/mappa.wad"), std::string("level"));
    QCOMPARE(shell.information, QStringList{QStringLiteral("Copia terminata.")});
    QVERIFY(shell.warnings.isEmpty());
    QVERIFY(shell.copies.empty());
  }

  void copyFile_failuresReportedNotTerminata_data() {
    QTest::addColumn<QString>("why");
    QTest::newRow("missing sub-folder") << QStringLiteral("missing");
    QTest::newRow("read-only target") << QStringLiteral("readonly");
    QTest::newRow("missing source") << QStringLiteral("nosource");
  }
  void copyFile_failuresReportedNotTerminata() {
    QFETCH(QString, why);
    Put("copia.txt", "Dati\\mappa.wad");
    if (why != QStringLiteral("nosource")) Put("Dati/mappa.wad", "level");
    if (why != QStringLiteral("missing")) fs::create_directories(dest_ / "Dati");
    if (why == QStringLiteral("readonly")) {
      testfiles::Write(dest_ / "Dati/mappa.wad", "mine");
      fs::permissions(dest_ / "Dati/mappa.wad", fs::perms::owner_read);
    }
    const std::string before = testfiles::Listing(dest_);
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QVERIFY(shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY2(shell.warnings[0].startsWith(QStringLiteral("Copia non riuscita")),
             qPrintable(shell.warnings[0]));
    QVERIFY2(shell.warnings[0].contains(QStringLiteral("mappa.wad")), qPrintable(shell.warnings[0]));
    QCOMPARE(testfiles::Listing(dest_), before);
    if (why == QStringLiteral("readonly")) {
      QCOMPARE(testfiles::Read(dest_ / "Dati/mappa.wad"), std::string("mine"));
    }
  }

  void copyFile_lineLeadingOutsideCopiesNothing_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("parent") << QByteArray("..\\Quake_\\pak0.pak");
    QTest::newRow("inner parent") << QByteArray("dati/../../Quake_/pak0.pak");
    QTest::newRow("absolute") << QByteArray("/etc/hostname");
    QTest::newRow("drive") << QByteArray("C:\\autoexec.bat");
  }
  void copyFile_lineLeadingOutsideCopiesNothing() {
    QFETCH(QByteArray, line);
    testfiles::Write(item_.parent_path() / "Quake_/pak0.pak", "quake");
    Put("copia.txt", line.toStdString());
    RecordingShell shell;
    shell.chosenFolder = (dest_ / "inner").string();
    fs::create_directories(dest_ / "inner");
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(shell.folderDialogs, 0);
    QVERIFY(shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QCOMPARE(testfiles::Listing(root_ / "chosen"), std::string("inner/ "));
  }

  // --- Whole-item copy -------------------------------------------------------

  void copyItem_twiceLeavesCatalogueFilesOut() {
    LayOutFullItem();
    Put("copia.txt", "");  // an empty list names no file
    // Files of the user's that share a catalogue name must survive the copy.
    testfiles::Write(dest_ / "Doom/img.jpg", "the user's own picture");
    testfiles::Write(dest_ / "Doom/leggimi.doc", "older");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("  Doom  "));
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(shell.information,
             QStringList({QStringLiteral("Copia completata."), QStringLiteral("Copia completata.")}));
    QCOMPARE(shell.copies.size(), 2u);
    QCOMPARE(shell.copies[0].destination, (dest_ / "Doom").string());
    QCOMPARE(testfiles::Listing(dest_),
             std::string("Doom/ Doom/bin/ Doom/bin/doom.exe Doom/bin/img.jpg Doom/bin/testo.txt "
                         "Doom/img.jpg Doom/leggimi.doc Doom/scheda.htm "));
    QCOMPARE(testfiles::Read(dest_ / "Doom/img.jpg"), std::string("the user's own picture"));
    QCOMPARE(testfiles::Read(dest_ / "Doom/leggimi.doc"), std::string("leggimi"));
    QCOMPARE(testfiles::Read(dest_ / "Doom/bin/img.jpg"), std::string("inner picture"));
  }

  void copyItem_unsafeTitlesNeverWriteIntoChosenFolder_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("folder");
    QTest::newRow("empty") << QString() << QStringLiteral("Doom");
    QTest::newRow("blanks") << QStringLiteral("   ") << QStringLiteral("Doom");
    QTest::newRow("search hit path") << QStringLiteral("Giochi\\Doom") << QStringLiteral("Giochi_Doom");
    QTest::newRow("slash") << QStringLiteral("Giochi/Doom") << QStringLiteral("Giochi_Doom");
    QTest::newRow("accents") << QStringLiteral("Città: 2") << QStringLiteral("Città_ 2");
  }
  void copyItem_unsafeTitlesNeverWriteIntoChosenFolder() {
    QFETCH(QString, title);
    QFETCH(QString, folder);
    Put("leggimi.doc", "leggimi");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), title);
    const std::string name = folder.toStdString();
    QCOMPARE(testfiles::Listing(dest_), name + "/ " + name + "/leggimi.doc ");
    QCOMPARE(shell.information, QStringList{QStringLiteral("Copia completata.")});
  }

  void copyItem_titleClashWithFileCopiesNothing() {
    Put("leggimi.doc", "leggimi");
    testfiles::Write(dest_ / "Doom", "a file of the user's");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QVERIFY(shell.copies.empty());
    QVERIFY(shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY(shell.warnings[0].contains(QStringLiteral("\"Doom\"")));
    QCOMPARE(testfiles::Listing(dest_), std::string("Doom "));
    QCOMPARE(testfiles::Read(dest_ / "Doom"), std::string("a file of the user's"));
  }

  // A chosen folder gone (or on a read-only disc) by the time of the copy.
  void copyItem_titleFolderNotMadeCopiesNothing() {
    Put("leggimi.doc", "leggimi");
    RecordingShell shell;
    shell.chosenFolder = (dest_ / "gone").string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QVERIFY(shell.copies.empty() && shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY2(shell.warnings[0].startsWith(QStringLiteral("Impossibile creare la cartella")),
             qPrintable(shell.warnings[0]));
  }

  void copyItem_failedOrCancelledReportedNotCompletata_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("start");
    QTest::newRow("failed") << int(CopyOutcome::Result::Failed) << QStringLiteral("Copia non riuscita");
    QTest::newRow("cancelled") << int(CopyOutcome::Result::Cancelled)
                               << QStringLiteral("Copia annullata");
  }
  void copyItem_failedOrCancelledReportedNotCompletata() {
    QFETCH(int, result);
    QFETCH(QString, start);
    Put("leggimi.doc", "leggimi");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopyOutcome outcome;
    outcome.result = static_cast<CopyOutcome::Result>(result);
    outcome.failedPath = (dest_ / "Doom/leggimi.doc").string();
    outcome.errorCode = ENOSPC;
    shell.forcedOutcome = outcome;
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QVERIFY(shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY2(shell.warnings[0].startsWith(start), qPrintable(shell.warnings[0]));
    if (start == QStringLiteral("Copia non riuscita")) {
      QVERIFY(shell.warnings[0].contains(QStringLiteral("leggimi.doc")));
      QVERIFY(shell.warnings[0].contains(QStringLiteral("spazio su disco esaurito")));
    }
  }

  // "  Installa  " starts only what lies on the disc; what leads elsewhere,
  // and an open the system cannot make, are told.
  void install_staysOnTheDisc_data() {
    QTest::addColumn<QByteArray>("line");       // first line of "setup.txt"; "-" for a pipe
    QTest::addColumn<QByteArray>("opened");     // below the disc, "" for nothing
    QTest::addColumn<int>("openResult");
    QTest::addColumn<QString>("warning");       // part of the one warning, "" for none
    using R = zolt::platform::OpenOutcome::Result;
    QTest::newRow("climbs out of the disc") << QByteArray("../../../../altrove/x.sh") << QByteArray()
                                            << int(R::Opened) << "non si trova sul CD";
    QTest::newRow("a link leading out") << QByteArray("fuori.sh") << QByteArray() << int(R::Opened)
                                        << "non si trova sul CD";
    QTest::newRow("up and back inside") << QByteArray("..\\Altro_\\run.exe") << QByteArray("Giochi_/Altro_/run.exe")
                                        << int(R::Opened) << "";
    QTest::newRow("pipe named setup.txt: the program found") << QByteArray("-") << QByteArray("Giochi_/Doom_/other.exe")
                                                            << int(R::Opened) << "";
    QTest::newRow("a Windows program nothing runs") << QByteArray("setup.exe") << QByteArray("Giochi_/Doom_/setup.exe")
                                                    << int(R::WindowsProgram) << "programma per Windows";
  }
  void install_staysOnTheDisc() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, opened);
    QFETCH(int, openResult);
    QFETCH(QString, warning);
    const fs::path disc = root_ / "disc";
    testfiles::Write(root_ / "altrove/x.sh", "#!/bin/sh\n");
    testfiles::Write(disc / "Giochi_/Altro_/run.exe", "MZ");
    Put("setup.exe", "MZ");
    Put("other.exe", "MZ");
    fs::create_symlink(root_ / "altrove/x.sh", item_ / "fuori.sh");
    if (line == "-") {
      QCOMPARE(::mkfifo((item_ / "setup.txt").c_str(), 0644), 0);
    } else {
      Put("setup.txt", line.toStdString());
    }
    RecordingShell shell;
    shell.openResult = static_cast<zolt::platform::OpenOutcome::Result>(openResult);
    Installa(item_.string(), (item_ / "other.exe").string());
    QCOMPARE(shell.opened, opened.isEmpty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{(disc / opened.toStdString()).string()});
    QCOMPARE(shell.warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty()) QVERIFY2(shell.warnings[0].contains(warning), qPrintable(shell.warnings[0]));
  }

  // "copia.txt" as a pipe counts as absent; naming a pipe copies nothing;
  // neither blocks. Links left out are counted in the closing message.
  void copy_pipesAndLinksLeftOut() {
    QCOMPARE(::mkfifo((item_ / "copia.txt").c_str(), 0644), 0);
    Put("leggimi.doc", "leggimi");
    fs::create_directory_symlink("/usr", item_ / "usr");
    fs::create_symlink("loop", item_ / "loop");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(testfiles::Snapshot(dest_), std::string("Doom/\nDoom/leggimi.doc=leggimi\n"));
    QCOMPARE(shell.information.size(), 1);
    QVERIFY2(shell.information[0].startsWith(QStringLiteral("Copia completata.\n1 collegamenti che portano fuori")) &&
                 shell.information[0].contains(QStringLiteral("\n1 collegamenti senza destinazione")),
             qPrintable(shell.information[0]));

    fs::remove(item_ / "copia.txt");
    Put("copia.txt", "tubo");
    QCOMPARE(::mkfifo((item_ / "tubo").c_str(), 0644), 0);
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY2(shell.warnings[0].contains(QStringLiteral("non è un file ordinario")), qPrintable(shell.warnings[0]));
    QVERIFY(!fs::exists(dest_ / "tubo"));

    // A link on the way at the destination: nothing is written through it.
    Put("copia.txt", "dati/x.dat");
    Put("dati/x.dat", "x");
    fs::create_directory_symlink(root_ / "disc", dest_ / "dati");
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(shell.warnings.size(), 2);
    QVERIFY(!fs::exists(root_ / "disc/x.dat"));
  }
};

QTEST_MAIN(ItemActionsTest)
#include "tst_itemactions.moc"
