// Install and copy as the item page's buttons run them, against a recording
// shell and item folders laid out in a temporary directory.

#include <sys/stat.h>

#include <QTemporaryDir>
#include <QTest>

#include "actions/itemactions.h"
#include "damagedread.h"
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
  void cleanup() { damaged::HealAll(); }
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
    QTest::newRow("link to a file off the disc") << QByteArray("Leggimi.txt");
    QTest::newRow("link to another item's file") << QByteArray("vicino.pak");
    QTest::newRow("through a folder link") << QByteArray("altro\\pak0.pak");
  }
  void copyFile_lineLeadingOutsideCopiesNothing() {
    QFETCH(QByteArray, line);
    testfiles::Write(item_.parent_path() / "Quake_/pak0.pak", "quake");
    testfiles::Write(root_ / "altrove/segreto", "not the disc's");
    fs::create_symlink(root_ / "altrove/segreto", item_ / "leggimi.txt");
    fs::create_symlink("../Quake_/pak0.pak", item_ / "vicino.pak");
    fs::create_directory_symlink(item_.parent_path() / "Quake_", item_ / "altro");
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
    QVERIFY2(shell.information[0].startsWith(QStringLiteral("Copia completata.\n1 collegamento che porta fuori")) &&
                 shell.information[0].contains(QStringLiteral("\n1 collegamento senza destinazione")),
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

  // A damaged medium: the file says 1,500,000 bytes and its data ends at
  // 100,000. Neither copy calls that done, and the older copy stays whole.
  void copy_shortReadFailsAndKeepsOlderCopy_data() {
    QTest::addColumn<bool>("single");
    QTest::newRow("whole item") << false;
    QTest::newRow("copia.txt") << true;
  }
  void copy_shortReadFailsAndKeepsOlderCopy() {
    QFETCH(bool, single);
    std::string data(1500000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
    Put("dati.bin", data);
    if (single) Put("copia.txt", "dati.bin");
    const fs::path older = single ? dest_ / "dati.bin" : dest_ / "Doom/dati.bin";
    testfiles::Write(older, "the older copy");
    const std::string before = testfiles::Snapshot(dest_);
    damaged::EndsAt((item_ / "dati.bin").string(), 100000);
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QVERIFY(shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY2(shell.warnings[0].startsWith(QStringLiteral("Copia non riuscita")) &&
                 shell.warnings[0].contains(QStringLiteral("dati.bin")),
             qPrintable(shell.warnings[0]));
    QCOMPARE(testfiles::Snapshot(dest_), before);  // byte for byte, and no temporary file
  }

  // Copies belong to the user: 0666, or 0777 for what could run, less the umask.
  void copy_modesFollowTheUmask() {
    const mode_t previous = ::umask(022);
    const struct {
      const char* name;
      mode_t disc;
      mode_t copy;
    } files[] = {{"dati.txt", 0666, 0644}, {"prog", 0777, 0755}, {"sola-lettura.txt", 0444, 0644},
                 {"solo-io", 0500, 0755}, {"setuid", 04755, 0755}, {"sub/x", 0600, 0644}};
    for (const auto& f : files) {
      Put(f.name, f.name);
      fs::permissions(item_ / f.name, static_cast<fs::perms>(f.disc));
    }
    fs::permissions(item_ / "sub", fs::perms::all);
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    Put("copia.txt", "prog");
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    ::umask(previous);
    QCOMPARE(shell.information, QStringList({QStringLiteral("Copia completata."), QStringLiteral("Copia terminata.")}));
    const auto mode = [](const fs::path& path) {
      struct stat st {};
      return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 07777;
    };
    for (const auto& f : files) QCOMPARE(mode(dest_ / "Doom" / f.name), f.copy);
    QCOMPARE(mode(dest_ / "Doom/sub"), mode_t{0755});
    QCOMPARE(mode(dest_ / "prog"), mode_t{0755});
  }

  // A link in the chosen folder named like the title is the user's, like a
  // file of that name: told, left as it is, nothing copied.
  void copyItem_titleClashWithLinkDeletesNothing_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("to a folder") << QStringLiteral("folder");
    QTest::newRow("to a file") << QStringLiteral("file");
    QTest::newRow("nowhere") << QStringLiteral("nowhere");
  }
  void copyItem_titleClashWithLinkDeletesNothing() {
    QFETCH(QString, target);
    Put("leggimi.doc", "leggimi");
    testfiles::Write(root_ / "mine/keep", "mine");
    const fs::path to = target == QStringLiteral("folder") ? root_ / "mine"
                        : target == QStringLiteral("file") ? root_ / "mine/keep"
                                                           : root_ / "nothing";
    fs::create_symlink(to, dest_ / "Doom");
    const std::string chosen = testfiles::Snapshot(dest_), mine = testfiles::Snapshot(root_ / "mine");
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QVERIFY(shell.copies.empty() && shell.information.isEmpty());
    QCOMPARE(shell.warnings.size(), 1);
    QVERIFY2(shell.warnings[0].contains(QStringLiteral("c'è già un collegamento di nome \"Doom\"")),
             qPrintable(shell.warnings[0]));
    QCOMPARE(testfiles::Snapshot(dest_), chosen);
    QCOMPARE(testfiles::Snapshot(root_ / "mine"), mine);
  }

  // An unreadable "copia.txt" names no file: the whole item is copied, by
  // the whole-item copy's own rules (a link out of the item is left out).
  // An unreadable "setup.txt" stops "  Installa  " without a word.
  void unreadableListsAsDesigned() {
    Put("leggimi.doc", "leggimi");
    Put("copia.txt", "leggimi.doc");
    Put("setup.txt", "leggimi.doc");
    fs::create_directory_symlink("/usr", item_ / "usr");
    damaged::FailsToRead((item_ / "copia.txt").string());
    damaged::FailsToRead((item_ / "setup.txt").string());
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    QCOMPARE(testfiles::Snapshot(dest_), std::string("Doom/\nDoom/leggimi.doc=leggimi\n"));
    QCOMPARE(shell.information,
             QStringList{QStringLiteral("Copia completata.\n1 collegamento che porta fuori dalla cartella "
                                        "del prodotto non è stato seguito.")});
    Installa(item_.string(), (item_ / "leggimi.doc").string());
    QVERIFY(shell.opened.empty());
    QVERIFY(shell.warnings.isEmpty());
  }

  // The closing messages count in good Italian, one and many.
  void copy_messagesCountInItalian_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("outside");
    QTest::addColumn<int>("leftOut");
    QTest::addColumn<QString>("message");
    const int done = int(CopyOutcome::Result::Completed), failed = int(CopyOutcome::Result::Failed);
    QTest::newRow("one of each") << done << 3 << 1 << 1
                                 << "Copia completata.\n1 collegamento che porta fuori dalla cartella del prodotto "
                                    "non è stato seguito.\n1 collegamento senza destinazione, ripetuto o chiuso in "
                                    "un giro è stato lasciato fuori.";
    QTest::newRow("many of each") << done << 3 << 2 << 3
                                  << "Copia completata.\n2 collegamenti che portano fuori dalla cartella del "
                                     "prodotto non sono stati seguiti.\n3 collegamenti senza destinazione, ripetuti "
                                     "o chiusi in un giro sono stati lasciati fuori.";
    QTest::newRow("one file copied") << failed << 1 << 0 << 0
                                     << "Copia non riuscita: impossibile copiare \"x\" (spazio su disco esaurito). "
                                        "1 file già copiato.";
    QTest::newRow("two files copied") << failed << 2 << 0 << 0
                                      << "Copia non riuscita: impossibile copiare \"x\" (spazio su disco esaurito). "
                                         "2 file già copiati.";
  }
  void copy_messagesCountInItalian() {
    QFETCH(int, result);
    QFETCH(int, files);
    QFETCH(int, outside);
    QFETCH(int, leftOut);
    QFETCH(QString, message);
    RecordingShell shell;
    shell.chosenFolder = dest_.string();
    CopyOutcome outcome;
    outcome.result = static_cast<CopyOutcome::Result>(result);
    outcome.files = static_cast<std::uint64_t>(files);
    outcome.linksOutside = static_cast<std::uint64_t>(outside);
    outcome.linksLeftOut = static_cast<std::uint64_t>(leftOut);
    outcome.failedPath = "x";
    outcome.errorCode = ENOSPC;
    shell.forcedOutcome = outcome;
    CopiaProdotto(nullptr, item_.string(), QStringLiteral("Doom"));
    const QStringList said = shell.information + shell.warnings;
    QCOMPARE(said, QStringList{message});
  }
};

QTEST_MAIN(ItemActionsTest)
#include "tst_itemactions.moc"
