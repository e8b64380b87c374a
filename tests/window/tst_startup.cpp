// Start-up: the application title, the main window, the hidden search window
// created after it, and the first show that brings up the Home page.

#include "look/labelbutton.h"
#include "app/startup.h"
#include "app/zolt.h"
#include "searchwindow/fricerca.h"
#include "windowtest.h"

class TestStartup : public QObject {
  Q_OBJECT

 private slots:
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
};

ZOLT_WINDOW_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
