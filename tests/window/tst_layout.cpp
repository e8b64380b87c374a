// The main window's fixed layout: every control where the layout puts it, the
// docking of the regions, colours, fonts, cursors, the hover look and what
// the first show does.

#include <QMouseEvent>
#include <QScreen>
#include <QTreeWidget>
#include <QWebEngineView>

#include "disc/catalogue.h"
#include "look/labelbutton.h"
#include "platform/textcodec.h"
#include "app/zolt.h"
#include "platform/rtf/richtextviewer.h"
#include "windowtest.h"

using zolt::test::TempDisc;

namespace {

const QColor kLight(215, 225, 232);
const QColor kDark(92, 133, 160);

QColor Background(const QWidget* widget) { return widget->palette().color(QPalette::Window); }
QColor Foreground(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }

}  // namespace

class TestLayout : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    disc_ = std::make_unique<TempDisc>();
    for (const char* section : {"Giochi_", "Utility_", "Grafica_", "Musica_", "Internet_",
                                "Sistema_", "Driver_"}) {
      disc_->Item(std::string(section) + "/Primo_", "Primo");
    }
    disc_->File("Home/scheda.htm", "<html><head><title>Benvenuti</title></head><body>Home</body></html>");
  }

  void cleanupTestCase() { disc_.reset(); }


  // The main window itself: caption, fixed client size, no maximise box, centred.
  void window() {
    TZolt zolt;
    QCOMPARE(zolt.windowTitle(), QStringLiteral("Zolt"));
    QCOMPARE(zolt.size(), QSize(757, 491));
    QCOMPARE(zolt.minimumSize(), QSize(757, 491));
    QCOMPARE(zolt.maximumSize(), QSize(757, 491));
    QVERIFY(!(zolt.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(zolt.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(Background(&zolt), QColor(Qt::white));
    QCOMPARE(Foreground(&zolt), QColor(Qt::white));
    QCOMPARE(zolt.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(zolt.font().pixelSize(), 11);  // 8 points at 96 dots per inch
    const QRect screen = zolt.screen()->availableGeometry();
    QVERIFY(qAbs(zolt.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(zolt.geometry().center().y() - screen.center().y()) <= 1);
    QVERIFY(screen.contains(zolt.geometry()));  // also on a screen of 800 x 600
  }

  // On a screen of two device pixels to the pixel (QT_SCALE_FACTOR=2) the
  // window is twice as large in device pixels, the artwork comes from the
  // pictures drawn at that size and the item picture from the decoded one.
  void deviceScale() {
    TZolt zolt;
    zolt.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    const qreal ratio = zolt.devicePixelRatioF();
    if (ratio < 2) QSKIP("run with QT_SCALE_FACTOR=2");
    QCOMPARE((QSizeF(zolt.size()) * ratio).toSize(), QSize(1514, 982));
    QCOMPARE(zolt.Image3->pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(zolt.Image3->pixmap().size(), QSize(178, 110));
    QCOMPARE(zolt.RxGIFAnimator1->pixmap().size(), QSize(276, 114));
    disc_->File("Driver_/Primo_/img.jpg", zolt::test::Jpeg(1220, 610));  // the first tab
    zolt.Linguetta01Click(zolt.Linguetta01);
    QCOMPARE(zolt.Immagine->pixmap().size(), QSize(610, 305));
    QCOMPARE(zolt.Immagine->pixmap().deviceIndependentSize().width(), 305.0);
    disc_->Remove("Driver_/Primo_/img.jpg");
  }

  void geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("box");
    const auto row = [](const char* name, QRect box) { QTest::newRow(name) << QString::fromLatin1(name) << box; };
    row("Panel3", {0, 0, 757, 60});
    row("RxGIFAnimator1", {0, 0, 138, 57});
    row("Label5", {-8, 0, 121, 57});
    row("Label7", {502, 1, 43, 16});
    row("Label3", {546, 1, 59, 16});
    row("Linguetta01", {221, 43, 68, 16});
    row("Label8", {221, 26, 68, 16});
    row("Panel1", {0, 60, 217, 366});
    row("Panel2", {0, 0, 217, 37});
    row("Elenco", {0, 37, 217, 315});
    row("MainPanel", {217, 60, 540, 366});
    row("LProdotto", {0, 0, 353, 37});
    row("Panel4", {352, 0, 188, 37});
    row("Label4", {9, 21, 54, 16});
    row("Label2", {64, 21, 68, 16});
    row("Label1", {133, 21, 54, 16});
    row("Immagine", {16, 48, 305, 313});
    row("MemoTesto", {368, 56, 168, 310});
    row("PanBrowser", {0, 32, 369, 334});
    row("PanBanner", {0, 426, 757, 65});
    row("Banner", {144, 3, 468, 60});
    row("Label6", {644, 50, 111, 13});
  }

  // Before the first show, every control stands where the layout puts it.
  void geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, box);
    TZolt zolt;
    const auto* widget = zolt.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->geometry(), box);
  }

  void initialVisibility() {
    TZolt zolt;
    for (const QWidget* hidden : {static_cast<QWidget*>(zolt.Label4), static_cast<QWidget*>(zolt.Banner),
                                  zolt.PanBrowser, static_cast<QWidget*>(zolt.Image2),
                                  static_cast<QWidget*>(zolt.Image6), static_cast<QWidget*>(zolt.Image9)}) {
      QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
    }
    for (const zolt::LabelButton* tab : zolt.Linguette) QVERIFY(tab->isHidden());
    for (const QWidget* shown : {static_cast<QWidget*>(zolt.Label2), static_cast<QWidget*>(zolt.Label1),
                                 static_cast<QWidget*>(zolt.LProdotto), zolt.Panel4,
                                 static_cast<QWidget*>(zolt.Elenco), static_cast<QWidget*>(zolt.Label6)}) {
      QVERIFY2(!shown->isHidden(), qPrintable(shown->objectName()));
    }
    QVERIFY(zolt.Memo1.isEmpty());
  }

  void coloursFontsAndCursors() {
    TZolt zolt;
    QCOMPARE(zolt.ColoreScuro, kDark);
    QCOMPARE(zolt.ColoreChiaro, kLight);
    QCOMPARE(Background(zolt.LProdotto), kLight);
    QCOMPARE(Foreground(zolt.LProdotto), QColor(0, 0, 128));
    QVERIFY(zolt.LProdotto->font().bold());
    QCOMPARE(zolt.LProdotto->font().pixelSize(), 16);
    QCOMPARE(Background(zolt.Panel2), kLight);
    QCOMPARE(Background(zolt.Panel4), kLight);
    for (const QLabel* button : {zolt.Label3, zolt.Label4, zolt.Label2, zolt.Label1}) {
      QCOMPARE(Background(button), kDark);
      QCOMPARE(Foreground(button), QColor(Qt::white));
      QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
    }
    QCOMPARE(Background(zolt.Label7), kLight);
    QCOMPARE(zolt.Linguetta01->font().pixelSize(), 13);
    QCOMPARE(zolt.Linguetta01->alignment(), Qt::AlignCenter);
    QCOMPARE(zolt.Elenco->palette().color(QPalette::Text), QColor(18, 14, 97));
    QCOMPARE(zolt.Elenco->font().pixelSize(), 13);
    QCOMPARE(zolt.Elenco->indentation(), 19);
    QCOMPARE(zolt.Elenco->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(zolt.MemoTesto->palette().color(QPalette::Text), QColor(0, 0, 128));
    QCOMPARE(zolt.MemoTesto->font().pixelSize(), 13);
    QVERIFY(zolt.MemoTesto->isReadOnly());
    QCOMPARE(zolt.MemoTesto->frameShape(), QFrame::NoFrame);
    QCOMPARE(zolt.MemoTesto->viewport()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(zolt.Label6->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(zolt.Label6->text(), QStringLiteral("Powered by Tavelo"));
    QVERIFY(!zolt.Label6->autoFillBackground());
    for (const QWidget* hand : {static_cast<QWidget*>(zolt.Immagine), static_cast<QWidget*>(zolt.Banner),
                                static_cast<QWidget*>(zolt.Label6), static_cast<QWidget*>(zolt.Label5),
                                static_cast<QWidget*>(zolt.RxGIFAnimator1)}) {
      QCOMPARE(hand->cursor().shape(), Qt::PointingHandCursor);
    }
    // The selection stays visible when the tree loses the focus.
    const QPalette tree = zolt.Elenco->palette();
    QCOMPARE(tree.color(QPalette::Inactive, QPalette::Highlight), tree.color(QPalette::Active, QPalette::Highlight));
  }

  // The substitute fonts keep every fixed caption inside its box.
  void captionsFitTheirBoxes() {
    TZolt zolt;
    for (const QLabel* label : {static_cast<QLabel*>(zolt.Label7), static_cast<QLabel*>(zolt.Label3),
                                static_cast<QLabel*>(zolt.Label4), static_cast<QLabel*>(zolt.Label2),
                                static_cast<QLabel*>(zolt.Label1), static_cast<QLabel*>(zolt.Label6)}) {
      const QFontMetrics metrics(label->font());
      QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->objectName()));
      QVERIFY2(metrics.height() <= label->height() + 2, qPrintable(label->objectName()));
    }
    // ... without shrinking any of them by more than a pixel.
    QVERIFY(zolt.Label4->font().pixelSize() >= 12);
    QCOMPARE(zolt.Label1->font().pixelSize(), zolt.Label4->font().pixelSize());
    QVERIFY(zolt.Label2->font().pixelSize() >= 12);
    QVERIFY(zolt.Label3->font().pixelSize() >= 10);
  }

  // Closing the tree column moves the item page left and widens it; the
  // browser pane follows the page while it fills it.
  void dockingFollowsTheTreeColumn() {
    TZolt zolt;
    zolt.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    QCOMPARE(zolt.Panel1->width(), 1);  // the Home page closed it
    QCOMPARE(zolt.MainPanel->geometry(), QRect(1, 60, 756, 366));
    QCOMPARE(zolt.PanBrowser->geometry(), QRect(0, 0, 756, 366));
    QCOMPARE(zolt.PanBanner->geometry(), QRect(0, 426, 757, 65));
    zolt.Linguetta01Click(zolt.Linguetta01);
    QCOMPARE(zolt.Panel1->width(), 217);
    QCOMPARE(zolt.MainPanel->geometry(), QRect(217, 60, 540, 366));
    QVERIFY(zolt.PanBrowser->isHidden());
    zolt.Label5Click();
    QCOMPARE(zolt.PanBrowser->geometry(), zolt.MainPanel->rect());
  }

  // The seventeen label-buttons underline while the mouse moves over them
  // and lose every style when it leaves; colours do not change.
  void hoverLook() {
    TZolt zolt;
    std::vector<QLabel*> buttons(zolt.Linguette.begin(), zolt.Linguette.end());
    buttons.insert(buttons.end(), {zolt.Label7, zolt.Label3, zolt.Label1, zolt.Label2, zolt.Label4});
    QCOMPARE(buttons.size(), std::size_t{17});
    for (QLabel* button : buttons) {
      const QColor before = Background(button);
      QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(button, &move);
      QVERIFY2(button->font().underline(), qPrintable(button->objectName()));
      QCOMPARE(Background(button), before);
      QEvent leave(QEvent::Leave);
      QCoreApplication::sendEvent(button, &leave);
      QVERIFY(!button->font().underline());
      QVERIFY(!button->font().bold() && !button->font().italic());
    }
    // Labels that are not buttons keep their look.
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(zolt.Label6, &move);
    QVERIFY(!zolt.Label6->font().underline());
  }

  // The first show sets the colours, builds the tabs and shows the Home
  // page; minimising and restoring run nothing again.
  void firstShow() {
    TZolt zolt;
    zolt.ColoreScuro = Qt::red;
    QCOMPARE(zolt.FormShowCount(), 0);
    zolt.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    QCOMPARE(zolt.FormShowCount(), 1);
    QCOMPARE(zolt.ColoreScuro, kDark);
    int tabs = 0;
    for (const zolt::LabelButton* tab : zolt.Linguette) tabs += tab->isVisible() ? 1 : 0;
    QCOMPARE(tabs, 7);
    QVERIFY(zolt.PanBrowser->isVisible());
    QVERIFY(!zolt.LProdotto->isVisible());
    QVERIFY(!zolt.Panel4->isVisible());
    QVERIFY(!zolt.Elenco->isVisible());
    QVERIFY(!zolt.Label1->isVisible());
    QCOMPARE(Background(zolt.Label7), kLight);
    QCOMPARE(Foreground(zolt.Label7), kDark);
    QCOMPARE(Background(zolt.Linguetta01), kDark);
    QCOMPARE(Foreground(zolt.Linguetta01), kLight);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Home"));
    QCOMPARE(zolt.WebBrowser1->url(), QUrl::fromLocalFile(QString::fromStdString(disc_->Path("Home/scheda.htm"))));

    zolt.showMinimized();
    QTest::qWait(20);
    zolt.showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    zolt.hide();
    zolt.show();
    QCOMPARE(zolt.FormShowCount(), 1);
    QVERIFY(zolt.PanBrowser->isVisible());
  }

  // The Home page really loads the local file into the web view.
  void homePageLoads() {
    TZolt zolt;
    QSignalSpy loaded(zolt.WebBrowser1, &QWebEngineView::loadFinished);
    zolt.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
    QVERIFY(loaded.last().at(0).toBool());
    QTRY_COMPARE_WITH_TIMEOUT(zolt.WebBrowser1->title(), QStringLiteral("Benvenuti"), 5000);
  }

  // Pictures of the window on a real disc, to look at by eye:
  //   ZOLT_SCREENSHOT_DIR=/tmp/shots ZOLT_SCREENSHOT_DISC=build/disc tst_window_layout screenshots
  void screenshots() {
    const QString folder = qEnvironmentVariable("ZOLT_SCREENSHOT_DIR");
    const QString discRoot = qEnvironmentVariable("ZOLT_SCREENSHOT_DISC");
    if (folder.isEmpty() || discRoot.isEmpty()) QSKIP("set ZOLT_SCREENSHOT_DIR and ZOLT_SCREENSHOT_DISC to take pictures");
    zolt::catalogue::SetDiscRootForTesting(zolt::QStringToPath(discRoot));
    TZolt zolt;
    zolt.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zolt));
    QTest::qWait(3000);
    QVERIFY(zolt.grab().save(folder + QStringLiteral("/home.png")));
    int shot = 0;
    for (zolt::LabelButton* tab : zolt.Linguette) {
      if (tab->isHidden()) continue;
      QTest::mouseClick(tab, Qt::LeftButton);
      QTest::qWait(300);
      QVERIFY(zolt.grab().save(folder + QStringLiteral("/tab%1.png").arg(++shot)));
      for (int i = 0; i < zolt.Elenco->topLevelItemCount(); ++i) {
        QTreeWidgetItem* entry = zolt.Elenco->topLevelItem(i);
        zolt.Elenco->setCurrentItem(entry);
        zolt.ElencoClick();
        QTest::qWait(200);
        QVERIFY(zolt.grab().save(folder + QStringLiteral("/tab%1-entry%2.png").arg(shot).arg(i + 1)));
      }
    }
    zolt::catalogue::SetDiscRootForTesting(disc_->Root());
  }

 private:
  std::unique_ptr<TempDisc> disc_;
};

ZOLT_WINDOW_TEST_MAIN(TestLayout)
#include "tst_layout.moc"
