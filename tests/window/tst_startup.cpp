// Start-up: the application title, the main window, the hidden search window
// created after it, and the first show that brings up the Home page, its web
// engine loaded once the window has been painted.

#include <sys/resource.h>

#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/homeview.h"
#include "look/labelbutton.h"
#include "app/startup.h"
#include "app/zolt.h"
#include "searchwindow/fricerca.h"
#include "windowtest.h"

namespace {
constexpr int kWaitMs = 15000;
}

class TestStartup : public QObject {
  Q_OBJECT

 private slots:
  void init() { zolt::test::FindHomeModule(false); }

  void startUpOrder() {
    zolt::test::TempDisc disc;
    disc.Folder("Giochi_");
    disc.File("Home/scheda.htm", "<html><body>Home</body></html>");
    const zolt::Avvio avvio = zolt::Avvia();
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Zolt CD"));
    QVERIFY(avvio.Zolt);
    QVERIFY(avvio.FRicerca);
    QCOMPARE(avvio.Zolt->FRicerca, avvio.FRicerca.get());
    QVERIFY(avvio.Zolt->isVisible());
    QVERIFY(avvio.FRicerca->isHidden());
    QVERIFY(avvio.FRicerca->isWindow());
    // Closing the main window ends the run even with the search window open.
    QVERIFY(!avvio.FRicerca->testAttribute(Qt::WA_QuitOnClose));
    QVERIFY(avvio.Zolt->testAttribute(Qt::WA_QuitOnClose));
    QCOMPARE(avvio.Zolt->FormShowCount(), 1);
    QCOMPARE(avvio.Zolt->PercorsoProdotto, disc.Path("Home"));
    QCOMPARE(avvio.Zolt->Linguetta01->text(), QStringLiteral("  Giochi  "));
    QVERIFY(QTest::qWaitForWindowExposed(avvio.Zolt.get()));
    // "  Ricerca  " brings up the search window created at start-up.
    QTest::mouseClick(avvio.Zolt->Label3, Qt::LeftButton);
    QVERIFY(avvio.FRicerca->isVisible());
    QVERIFY(avvio.Zolt->isVisible());
  }

  // The window is painted before the web engine is loaded; the Home page
  // asked for at the first show, and again and again while the engine
  // starts, comes up in the same native window, which a later Home click
  // keeps too.
  void homeAfterThePaintInOneWindow() {
    zolt::test::TempDisc disc;
    disc.Folder("Giochi_");
    disc.File("Home/scheda.htm", "<html><head><title>Benvenuti</title></head><body>Home</body></html>");
    const zolt::Avvio avvio = zolt::Avvia();
    TZolt& zolt = *avvio.Zolt;
    QVERIFY(zolt.WebBrowser1 == nullptr);
    for (int i = 0; i < 10; ++i) zolt.Label5Click();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    const WId window = zolt.winId();
    QTRY_VERIFY_WITH_TIMEOUT(zolt.WebBrowser1 != nullptr, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(zolt.WebBrowser1->title(), QStringLiteral("Benvenuti"), kWaitMs);
    QCOMPARE(zolt.winId(), window);
    // The page's renderer has its memory bound from its first page on.
    struct rlimit limit {};
    QCOMPARE(::prlimit(static_cast<pid_t>(zolt.WebBrowser1->page()->renderProcessPid()), RLIMIT_DATA, nullptr, &limit), 0);
    QCOMPARE(limit.rlim_max, rlim_t{1} << 30);
    for (int i = 0; i < 10; ++i) QTest::mouseClick(zolt.Label7, Qt::LeftButton);
    QTest::qWait(500);
    QCOMPARE(zolt.WebBrowser1->title(), QStringLiteral("Benvenuti"));
    QCOMPARE(zolt.winId(), window);
  }

  // Without its module, or with a damaged one, the web pane stays empty and
  // the rest of the window works.
  void withoutTheHomeModule_data() {
    QTest::addColumn<QByteArray>("content");  // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("damaged") << QByteArray("\x7f" "ELF\2\1\1 not a library", 24);
    QTest::newRow("empty") << QByteArray(" ");
  }
  void withoutTheHomeModule() {
    QFETCH(QByteArray, content);
    QTemporaryDir folder;
    const QString module = folder.filePath(QString::fromLatin1(zolt::kHomeModuleFile));
    if (!content.isEmpty()) {
      QFile file(module);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content);
    }
    zolt::SetHomeModulePathForTesting(module.toStdString());
    WithoutTheWebView();
  }

  // Without OpenGL (its own CTest entry runs the program so) the web engine
  // is not started: the window works and the web pane stays empty.
  void withoutOpenGL() {
    const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    if (shared != nullptr && shared->isValid()) QSKIP("OpenGL works on this screen");
    WithoutTheWebView();
  }

  // A Home folder without its page starts no web engine.
  void homeWithoutItsPage() {
    zolt::test::TempDisc disc;
    disc.Folder("Home");
    const zolt::Avvio avvio = zolt::Avvia();
    QVERIFY(QTest::qWaitForWindowExposed(avvio.Zolt.get()));
    QTest::qWait(300);
    QVERIFY(avvio.Zolt->WebBrowser1 == nullptr);
    QVERIFY(!zolt::HomeModuleReady());
  }

 private:
  static void WithoutTheWebView() {
    zolt::test::TempDisc disc;
    disc.Item("Giochi_/Tetris_", "Un gioco");
    disc.File("Home/scheda.htm", "<html><body>Home</body></html>");
    const zolt::Avvio avvio = zolt::Avvia();
    TZolt& zolt = *avvio.Zolt;
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    QTest::qWait(300);
    QVERIFY(zolt.WebBrowser1 == nullptr);
    QVERIFY(zolt.PanBrowser->isVisible());
    QTest::mouseClick(zolt.Label7, Qt::LeftButton);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QCOMPARE(zolt.Elenco->topLevelItemCount(), 1);
    QVERIFY(zolt.Elenco->isVisible());
  }
};

ZOLT_WINDOW_TEST_MAIN_HOME(TestStartup, false)
#include "tst_startup.moc"
