// The real desktop shell: what "open" starts or hands to the desktop, the
// folder dialog, and the folder copy with its progress dialog.

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "platform/shell.h"
#include "testfiles.h"

namespace fs = std::filesystem;
using zolt::platform::CopyOutcome;

// Stands in for the desktop's handlers of files and web addresses.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }
};

class DesktopShellTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  fs::path root_;
  UrlRecorder recorder_;
  zolt::platform::Shell& shell_ = zolt::platform::CurrentShell();

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    root_ = tmp_.path().toStdString();
    for (const char* scheme : {"file", "http", "https"}) {
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder_, "open");
    }
  }
  void init() { recorder_.urls.clear(); }
  void cleanupTestCase() {
    for (const char* scheme : {"file", "http", "https"}) {
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
  }

  void open_executableStartsDetachedInItsFolder() {
    const fs::path folder = root_ / "Doom_/bin";
    const fs::path marker = root_ / "started.txt";
    testfiles::Write(folder / "setup.sh", "#!/bin/sh\npwd > '" + marker.string() + "'\n");
    fs::permissions(folder / "setup.sh", fs::perms::owner_all);
    shell_.Open((folder / "setup.sh").string());
    QTRY_VERIFY_WITH_TIMEOUT(testfiles::Read(marker).find('\n') != std::string::npos, 5000);
    QCOMPARE(testfiles::Read(marker), folder.string() + "\n");
    QVERIFY(recorder_.urls.isEmpty());
  }

  void open_othersGoToDesktop_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url");
    const QString doc = tmp_.path() + QStringLiteral("/leggimi.txt");
    QTest::newRow("document") << doc << QUrl::fromLocalFile(doc).toString();
    const QString marked = tmp_.path() + QStringLiteral("/manuale.pdf");
    QTest::newRow("document marked executable") << marked << QUrl::fromLocalFile(marked).toString();
    QTest::newRow("folder") << tmp_.path() << QUrl::fromLocalFile(tmp_.path()).toString();
    QTest::newRow("web") << QStringLiteral("https://example.com/a?b=1")
                         << QStringLiteral("https://example.com/a?b=1");
    QTest::newRow("bare www") << QStringLiteral("www.example.com")
                              << QStringLiteral("http://www.example.com");
  }
  void open_othersGoToDesktop() {
    QFETCH(QString, target);
    QFETCH(QString, url);
    testfiles::Write(root_ / "leggimi.txt", "non eseguibile");
    testfiles::Write(root_ / "manuale.pdf", "%PDF-1.4 not a program");
    fs::permissions(root_ / "manuale.pdf", fs::perms::owner_all);
    shell_.Open(target.toStdString());
    QCOMPARE(recorder_.urls.size(), 1);
    QCOMPARE(recorder_.urls[0].toString(), url);
  }

  void open_missingTargetOpensNothing() {
    shell_.Open((root_ / "Doom_/bin/setup.exe /S").string());
    shell_.Open("");
    QVERIFY(recorder_.urls.isEmpty());
  }

  // What became of an open, and the sentence the reader is shown for it.
  void openTarget_failuresAreNamed_data() {
    QTest::addColumn<QString>("file");     // created below the test folder, "" for none
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("says");
    using R = zolt::platform::OpenOutcome::Result;
    QByteArray pe(128, '\0');
    pe[0] = 'M', pe[1] = 'Z', pe[0x3c] = 0x40;
    pe.replace(0x40, 4, QByteArray("PE\0\0", 4));
    QTest::newRow("missing") << "" << QByteArray() << false << int(R::Missing) << "non esiste";
    QTest::newRow("windows installer by name") << "Setup.EXE" << QByteArray("MZ") << false
                                               << int(R::WindowsProgram) << "programma per Windows";
    QTest::newRow("windows program by signature") << "installa" << pe << true << int(R::WindowsProgram)
                                                  << "programma per Windows";
    QTest::newRow("windows package") << "Setup.msi" << QByteArray("\xd0\xcf\x11\xe0") << false
                                     << int(R::WindowsProgram) << "programma per Windows";
    QTest::newRow("document with a handler") << "leggimi.txt" << QByteArray("testo") << false
                                             << int(R::Opened) << "";
  }
  void openTarget_failuresAreNamed() {
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, executable);
    QFETCH(int, result);
    QFETCH(QString, says);
    const fs::path path = root_ / (file.isEmpty() ? std::string("assente.exe") : file.toStdString());
    if (!file.isEmpty()) testfiles::Write(path, bytes.toStdString());
    if (executable) fs::permissions(path, fs::perms::owner_all);
    const zolt::platform::OpenOutcome done = shell_.OpenTarget(path.string());
    QCOMPARE(int(done.result), result);
    QCOMPARE(done.target, path.string());
    const QString sentence = zolt::platform::DescribeOpenFailure(done);
    QVERIFY2(sentence.contains(says) && (says.isEmpty() || sentence.contains(QString::fromStdString(path.filename().string()))),
             qPrintable(sentence));
    QCOMPARE(recorder_.urls.size(), done.ok() ? 1 : 0);
  }

  void chooseFolder_titledPromptedAndRemembered() {
    fs::create_directories(root_ / "scelta/dentro");
    QString title, prompt, openedOn;
    const auto answer = [&](const QString& pick) {
      QTimer::singleShot(0, this, [&, pick] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        title = dialog->windowTitle();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("prompt"))) prompt = label->text();
        openedOn = dialog->directory().absolutePath();
        if (pick.isEmpty()) {
          dialog->reject();
        } else {
          dialog->setDirectory(pick);
          QMetaObject::invokeMethod(dialog, "accept");
        }
      });
    };
    const QString chosen = QString::fromStdString((root_ / "scelta/dentro").string());
    answer(chosen);
    QCOMPARE(shell_.ChooseFolder(nullptr), std::optional<std::string>(chosen.toStdString()));
    QCOMPARE(title, QStringLiteral("Cartella di destinazione"));
    QCOMPARE(prompt, QStringLiteral("Selezionare una cartella"));
    answer(QString());
    QCOMPARE(shell_.ChooseFolder(nullptr), std::nullopt);
    QCOMPARE(openedOn, chosen);
  }

  // The dialog shows while the copy runs and its "Annulla" stops it.
  void copyFolder_progressShownAndCancellable() {
    for (int i = 0; i < 200; ++i) {
      testfiles::Write(root_ / "many" / ("f" + std::to_string(i)), std::string(20000, 'y'));
    }
    QString label;
    QTimer canceller;
    connect(&canceller, &QTimer::timeout, this, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QProgressDialog*>(w);
        if (!dialog || !dialog->isVisible() || !label.isEmpty()) continue;
        label = dialog->labelText();
        dialog->findChild<QPushButton*>()->click();
      }
    });
    canceller.start(0);
    const CopyOutcome done = shell_.CopyFolder((root_ / "many").string(), (root_ / "out").string(),
                                               nullptr, {});
    canceller.stop();
    QCOMPARE(done.result, CopyOutcome::Result::Cancelled);
    QVERIFY(done.files < 200u);
    QVERIFY2(label.contains(QStringLiteral("di 200")), qPrintable(label));

    // One big file: the same dialog, and nothing left behind when cancelled.
    testfiles::Write(root_ / "big.iso", std::string(24 << 20, 'z'));
    label.clear();
    canceller.start(0);
    const CopyOutcome one = shell_.CopyFile((root_ / "big.iso").string(), root_.string(), (root_ / "out/big.iso").string(),
                                            nullptr);
    canceller.stop();
    QCOMPARE(one.result, CopyOutcome::Result::Cancelled);
    QVERIFY2(label.startsWith(QStringLiteral("big.iso")), qPrintable(label));
    QVERIFY(!fs::exists(root_ / "out/big.iso"));
  }
};

QTEST_MAIN(DesktopShellTest)
#include "tst_desktopshell.moc"
