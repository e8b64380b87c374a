// The item page: what AggiornaScheda shows from each per-item file, how each
// failed load leaves its part of the page, the Home page, the buttons'
// handlers and the application's error sink.

#include <QMovie>
#include <QTreeWidget>
#include <QWebEngineView>
#include <stdexcept>

#include "app/labelbutton.h"
#include "app/zolt.h"
#include "platform/rtf/richtextviewer.h"
#include "windowtest.h"

using zolt::test::RecordingShell;
using zolt::test::TempDisc;

namespace {

// Shows the item folder `relative` as the search window does.
void ShowItem(TZolt& zolt, const TempDisc& disc, const std::string& relative) {
  zolt.PercorsoProdotto = disc.Path(relative);
  zolt.AggiornaScheda(QString::fromStdString(relative));
}

// Throws from its event handler, as a failing action does.
class Thrower : public QWidget {
 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
    return QWidget::event(event);
  }
};

}  // namespace

class TestItemPage : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    disc_ = std::make_unique<TempDisc>();
    disc_->Item("Giochi_/Solo testo_", "solo");
    disc_->Item("Giochi_/Con foto_", "foto");
    disc_->File("Giochi_/Con foto_/IMG.JPG", zolt::test::Jpeg(600, 300));
    disc_->File("Giochi_/Rotta_/img.jpg", QByteArray("\xff\xd8\xff\xe0 not a picture"));
    disc_->File("Home/scheda.htm", "<html><body>Home</body></html>");
    disc_->File("Home/Banner.GIF", zolt::test::Gif(468, 60, 3));
    disc_->File("Home/banner.txt", "https://home.example/\r\n");
    zolt_ = std::make_unique<TZolt>();
    zolt_->show();
    QVERIFY(QTest::qWaitForWindowExposed(zolt_.get()));
  }

  void cleanup() {
    zolt_.reset();
    disc_.reset();
  }

  // The text runs across the page without a picture and beside it with one;
  // the picture keeps its proportions inside its box.
  void textPlacement() {
    TZolt& zolt = *zolt_;
    ShowItem(zolt, *disc_, "Giochi_/Solo testo_");
    QCOMPARE(zolt.MemoTesto->geometry(), QRect(8, 56, 536, 310));
    QVERIFY(!zolt.Immagine->isVisible());
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("solo")));

    ShowItem(zolt, *disc_, "Giochi_/Con foto_");
    QCOMPARE(zolt.MemoTesto->geometry(), QRect(359, 56, 177, 310));
    QVERIFY(zolt.Immagine->isVisible());
    QCOMPARE(zolt.Immagine->geometry(), QRect(16, 48, 305, 313));
    QCOMPARE(zolt.Immagine->pixmap().size(), QSize(305, 152));
  }

  // A picture that cannot be decoded leaves the picture as it was but the
  // text still takes the narrow placement.
  void failedPictureKeepsThePicture() {
    TZolt& zolt = *zolt_;
    ShowItem(zolt, *disc_, "Giochi_/Con foto_");
    const QSize shown = zolt.Immagine->pixmap().size();
    ShowItem(zolt, *disc_, "Giochi_/Rotta_");
    QVERIFY(zolt.Immagine->isVisible());
    QCOMPARE(zolt.Immagine->pixmap().size(), shown);
    QCOMPARE(zolt.MemoTesto->x(), 359);
    QVERIFY(zolt.MemoTesto->toPlainText().isEmpty());

    ShowItem(zolt, *disc_, "Giochi_/Solo testo_");
    ShowItem(zolt, *disc_, "Giochi_/Rotta_");
    QVERIFY(!zolt.Immagine->isVisible());
    QCOMPARE(zolt.MemoTesto->geometry(), QRect(359, 56, 177, 310));
  }

  // The banner plays "banner.gif"; without "banner.txt" its click opens the
  // address of the item before; without a banner it hides.
  void bannerAndItsAddress() {
    TZolt& zolt = *zolt_;
    RecordingShell shell;
    disc_->File("S_/Primo_/banner.gif", zolt::test::Gif(468, 60, 4));
    disc_->File("S_/Primo_/Banner.Txt", "https://esempio.it/\r\npagina\nuno\r");
    disc_->File("S_/Secondo_/BANNER.GIF", zolt::test::Gif(468, 60, 2));
    disc_->Folder("S_/Terzo_");

    ShowItem(zolt, *disc_, "S_/Primo_");
    QVERIFY(zolt.Banner->isVisible());
    QVERIFY(zolt.Banner->movie());
    QCOMPARE(zolt.Banner->movie()->state(), QMovie::Running);
    QCOMPARE(zolt.Memo1, (QStringList{QStringLiteral("https://esempio.it/"), QStringLiteral("pagina"),
                                      QStringLiteral("uno")}));
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://esempio.it/paginauno"));

    ShowItem(zolt, *disc_, "S_/Secondo_");
    QVERIFY(zolt.Banner->isVisible());
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://esempio.it/paginauno"));
    QTest::mouseClick(zolt.Banner, Qt::LeftButton);
    QCOMPARE(shell.opened, std::vector<std::string>{"https://esempio.it/paginauno"});

    ShowItem(zolt, *disc_, "S_/Terzo_");
    QVERIFY(!zolt.Banner->isVisible());
  }

  // A damaged banner leaves the banner shown before; an empty address opens nothing.
  void damagedBannerAndEmptyAddress() {
    TZolt& zolt = *zolt_;
    RecordingShell shell;
    disc_->File("S_/Buono_/banner.gif", zolt::test::Gif(100, 20, 2));
    disc_->File("S_/Guasto_/banner.gif", QByteArray("GIF89a\x10"));
    ShowItem(zolt, *disc_, "S_/Buono_");
    QMovie* before = zolt.Banner->movie();
    ShowItem(zolt, *disc_, "S_/Guasto_");
    QCOMPARE(zolt.Banner->movie(), before);
    QVERIFY(zolt.Banner->isVisible());
    zolt.IndirizzoBanner.clear();
    zolt.BannerClick();
    QVERIFY(shell.opened.empty());
  }

  // The install button: "setup.txt" alone shows it without a program
  // search; otherwise the first program file found, top folder first.
  void installButton() {
    TZolt& zolt = *zolt_;
    disc_->File("S_/Setup_/SETUP.TXT", "installa.exe\r\n");
    disc_->File("S_/Bin_/bin/avvia.exe", "MZ");
    disc_->File("S_/Due_/bin/dentro.exe", "MZ");
    disc_->File("S_/Due_/fuori.EXE", "MZ");
    disc_->Item("S_/Niente_", "niente");
    disc_->File("S_/Niente_/leggimi.txt", "x");

    zolt.EseguibileProdotto = "prima";
    // The tree is empty, so the action bar is hidden: look at the button itself.
    ShowItem(zolt, *disc_, "S_/Setup_");
    QVERIFY(!zolt.Label4->isHidden());
    QCOMPARE(zolt.EseguibileProdotto, std::string("prima"));

    ShowItem(zolt, *disc_, "S_/Bin_");
    QVERIFY(!zolt.Label4->isHidden());
    QCOMPARE(zolt.EseguibileProdotto, disc_->Path("S_/Bin_/bin/avvia.exe"));

    QVERIFY(zolt.CercaEseguibile(disc_->Path("S_/Due_")));
    QCOMPARE(zolt.EseguibileProdotto, disc_->Path("S_/Due_/fuori.EXE"));

    ShowItem(zolt, *disc_, "S_/Niente_");
    QVERIFY(zolt.Label4->isHidden());
    QCOMPARE(zolt.EseguibileProdotto, disc_->Path("S_/Due_/fuori.EXE"));
  }

  // The Home page after a section was open: the tree column closes, title
  // and action bar hide, the browser covers the page, the banner is Home's.
  void homePageAfterASection() {
    TZolt& zolt = *zolt_;
    disc_->File("Giochi_/Con foto_/banner.txt", "https://giochi.example/");
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    zolt.Elenco->setCurrentItem(zolt.Elenco->findItems(QStringLiteral("Con foto"), Qt::MatchExactly).first());
    zolt.ElencoClick();
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://giochi.example/"));

    QTest::mouseClick(zolt.Label7, Qt::LeftButton);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Home"));
    QCOMPARE(zolt.Panel1->width(), 1);
    QVERIFY(!zolt.Elenco->isVisible());
    QVERIFY(!zolt.Label1->isVisible());
    QVERIFY(!zolt.LProdotto->isVisible());
    QVERIFY(zolt.LProdotto->text().isEmpty());
    QVERIFY(!zolt.Panel4->isVisible());
    QVERIFY(zolt.PanBrowser->isVisible());
    QCOMPARE(zolt.PanBrowser->geometry(), zolt.MainPanel->rect());
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://home.example/"));
    QVERIFY(zolt.Banner->isVisible());
    QCOMPARE(zolt.WebBrowser1->url(), QUrl::fromLocalFile(QString::fromStdString(disc_->Path("Home/scheda.htm"))));
    // The tree keeps its entries and selection for the next refresh.
    QCOMPARE(zolt.Elenco->topLevelItemCount(), 3);
    QCOMPARE(zolt.Elenco->selectedItems().first()->text(0), QStringLiteral("Con foto"));
  }

  // With entries in the tree but none selected, the Home page and a search
  // hit still show their own folder, not the tree's top entry.
  void pagesOutsideTheTreeKeepTheirFolder() {
    TZolt& zolt = *zolt_;
    disc_->Folder("Giochi_/Gruppo vuoto_");
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    zolt.Elenco->setCurrentItem(zolt.Elenco->findItems(QStringLiteral("Gruppo vuoto"), Qt::MatchExactly).first());
    zolt.ElencoClick();
    QVERIFY(zolt.Elenco->selectedItems().isEmpty());

    ShowItem(zolt, *disc_, "Giochi_/Solo testo_");
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Solo testo_"));
    QCOMPARE(zolt.LProdotto->text(), QStringLiteral("Giochi_/Solo testo_"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("solo")));
    QVERIFY(zolt.Panel4->isVisible());

    zolt.Label5Click();
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Home"));
    QCOMPARE(zolt.WebBrowser1->url(), QUrl::fromLocalFile(QString::fromStdString(disc_->Path("Home/scheda.htm"))));
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://home.example/"));
  }

  // Browse, footer and description links go to the shell.
  void linksGoToTheShell() {
    TZolt& zolt = *zolt_;
    RecordingShell shell;
    ShowItem(zolt, *disc_, "Giochi_/Solo testo_");
    zolt.Label1->show();
    zolt.Label1Click();
    QTest::mouseClick(zolt.Label6, Qt::LeftButton);
    emit zolt.MemoTesto->linkClicked(QStringLiteral("http://www.esempio.it/"));
    QCOMPARE(shell.opened, (std::vector<std::string>{disc_->Path("Giochi_/Solo testo_"), "https://www.tavelo.it/",
                                                     "http://www.esempio.it/"}));
  }

  // An error escaping a handler is discarded and the program carries on.
  void errorSink() {
    auto* application = qobject_cast<zolt::ZoltApplication*>(QCoreApplication::instance());
    QVERIFY(application);
    const int before = application->DiscardedErrors();
    Thrower thrower;
    QEvent failing(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&thrower, &failing));
    QCOMPARE(application->DiscardedErrors(), before + 1);

    // A picture the zoom cannot read: its error reaches the sink, no window shows.
    TZolt& zolt = *zolt_;
    ShowItem(zolt, *disc_, "Giochi_/Con foto_");
    disc_->File("Giochi_/Con foto_/IMG.JPG", QByteArray("broken"));
    QTest::mouseClick(zolt.Immagine, Qt::LeftButton);
    QCOMPARE(application->DiscardedErrors(), before + 2);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    ShowItem(zolt, *disc_, "Giochi_/Solo testo_");
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("solo")));
  }

 private:
  std::unique_ptr<TempDisc> disc_;
  std::unique_ptr<TZolt> zolt_;
};

ZOLT_WINDOW_TEST_MAIN(TestItemPage)
#include "tst_itempage.moc"
