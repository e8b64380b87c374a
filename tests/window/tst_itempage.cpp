// The item page: what AggiornaScheda shows from each per-item file, how each
// failed load leaves its part of the page, the Home page, the buttons'
// handlers and the application's error sink.

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <filesystem>
#include <QTreeWidget>
#include <QWebEngineView>
#include <stdexcept>

#include "app/homepage.h"
#include "look/labelbutton.h"
#include "app/zolt.h"
#include "disc/discfile.h"
#include "platform/rtf/richtextviewer.h"
#include "platform/rtf/rtfreader.h"
#include "windowtest.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QScrollBar>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QtEndian>
#include <fstream>

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

// A shell whose opens all end as `result`, recording them.
class FailingShell : public RecordingShell {
 public:
  explicit FailingShell(zolt::platform::OpenOutcome::Result result) : result_(result) {}
  zolt::platform::OpenOutcome OpenTarget(const std::string& target) override {
    opened.push_back(target);
    zolt::platform::OpenOutcome outcome;
    outcome.result = result_;
    outcome.target = target;
    return outcome;
  }

 private:
  zolt::platform::OpenOutcome::Result result_;
};

// Clicks the text `text` of the description with `button`.
void ClickText(TZolt& zolt, const QString& text, Qt::MouseButton button) {
  QTextCursor cursor = zolt.MemoTesto->document()->find(text);
  QVERIFY2(!cursor.isNull(), qPrintable(text));
  cursor.setPosition(cursor.selectionStart() + 2);
  QTest::mouseClick(zolt.MemoTesto->viewport(), button, {}, zolt.MemoTesto->cursorRect(cursor).center());
}

// An item with every per-item file, shown before a hostile one so that
// nothing of it may stay.
void LayOutFullItem(const TempDisc& disc) {
  disc.Item("S_/Pieno_", "pieno");
  disc.File("S_/Pieno_/img.jpg", zolt::test::Jpeg(200, 100));
  disc.File("S_/Pieno_/banner.gif", zolt::test::Gif(100, 20, 2));
  disc.File("S_/Pieno_/banner.txt", "https://pieno.example/");
  disc.File("S_/Pieno_/setup.txt", "setup.exe");
}

// --- Hostile files, made here -------------------------------------------------

QByteArray BigEndian(quint32 value) {
  QByteArray bytes(4, '\0');
  qToBigEndian(value, bytes.data());
  return bytes;
}

quint32 Crc32(const QByteArray& data) {
  quint32 crc = 0xFFFFFFFFu;
  for (const char byte : data) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A black greyscale PNG of `width` x `height`: small on disc, costly to decode.
QByteArray Png(int width, int height) {
  const auto chunk = [](const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type, 4) + data;
    return BigEndian(static_cast<quint32>(data.size())) + body + BigEndian(Crc32(body));
  };
  const QByteArray header = BigEndian(static_cast<quint32>(width)) + BigEndian(static_cast<quint32>(height)) +
                            QByteArray("\x08\x00\x00\x00\x00", 5);
  const QByteArray rows(static_cast<qsizetype>(width + 1) * height, '\0');
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", qCompress(rows, 9).mid(4)) +
         chunk("IEND", {});
}

// A description of `count` copies of `picture` as \pngblip pictures.
QByteArray WithPictures(const QByteArray& picture, int count) {
  const QByteArray one = "{\\pict\\pngblip " + picture.toHex() + "}";
  return "{\\rtf1 a" + one.repeated(count) + "b}";
}

// A JPEG with its last scan repeated to `scans` in all and the size it
// claims, padded with comments to as many bytes as such a picture may have.
QByteArray Rescanned(QByteArray jpeg, int scans, quint16 width, quint16 height) {
  const qsizetype scan = jpeg.lastIndexOf("\xFF\xDA");
  const QByteArray last = jpeg.mid(scan, jpeg.size() - 2 - scan);
  jpeg.chop(2);
  for (int i = 1; i < scans; ++i) jpeg += last;
  jpeg += "\xFF\xD9";
  const qsizetype frame = jpeg.indexOf("\xFF\xC0") + 5;
  qToBigEndian(height, jpeg.data() + frame);
  qToBigEndian(width, jpeg.data() + frame + 2);
  const QByteArray comment = "\xFF\xFE\xFF\xFF" + QByteArray(0xFFFF - 2, ' ');
  return jpeg.left(2) + comment.repeated(4) + jpeg.mid(2);
}

// Bytes this process has read so far, as the kernel counts them.
qint64 BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  qint64 value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return 0;
}

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

  // A picture that cannot be decoded leaves its place empty, never the
  // picture of the item before; the text still takes the narrow placement.
  void failedPictureLeavesItsPlaceEmpty() {
    TZolt& zolt = *zolt_;
    ShowItem(zolt, *disc_, "Giochi_/Con foto_");
    ShowItem(zolt, *disc_, "Giochi_/Rotta_");
    QVERIFY(!zolt.Immagine->isVisible());
    QVERIFY(zolt.Immagine->pixmap().isNull());
    QCOMPARE(zolt.MemoTesto->geometry(), QRect(359, 56, 177, 310));
    QVERIFY(zolt.MemoTesto->toPlainText().isEmpty());
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

  // A damaged banner hides the banner shown before; an empty address opens nothing.
  void damagedBannerAndEmptyAddress() {
    TZolt& zolt = *zolt_;
    RecordingShell shell;
    disc_->File("S_/Buono_/banner.gif", zolt::test::Gif(100, 20, 2));
    disc_->File("S_/Guasto_/banner.gif", QByteArray("GIF89a\x10"));
    ShowItem(zolt, *disc_, "S_/Buono_");
    ShowItem(zolt, *disc_, "S_/Guasto_");
    QVERIFY(!zolt.Banner->isVisible());
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

  // A per-item name that is a pipe, a folder, a link to nothing or a link to
  // a file off the disc counts as absent: the page never blocks on it, never
  // shows what lies off the disc, and shows nothing of the item before.
  void hostileNamesCountAsAbsent_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    for (const char* name : {"testo.txt", "img.jpg", "banner.gif", "banner.txt", "setup.txt"}) {
      for (const char* kind : {"pipe", "folder", "dangling", "off the disc"}) {
        QTest::addRow("%s %s", kind, name) << QString::fromLatin1(name) << QString::fromLatin1(kind);
      }
    }
  }
  void hostileNamesCountAsAbsent() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    TZolt& zolt = *zolt_;
    LayOutFullItem(*disc_);
    disc_->File("S_/Ostile_/prog.exe", "MZ");
    if (name != QStringLiteral("testo.txt")) disc_->Item("S_/Ostile_", "ostile");
    const std::string path = disc_->Path("S_/Ostile_/" + name.toStdString());
    if (kind == QStringLiteral("pipe")) QCOMPARE(::mkfifo(path.c_str(), 0644), 0);
    if (kind == QStringLiteral("folder")) disc_->Folder("S_/Ostile_/" + name.toStdString());
    if (kind == QStringLiteral("dangling")) QCOMPARE(::symlink("nulla", path.c_str()), 0);
    QTemporaryDir elsewhere;
    if (kind == QStringLiteral("off the disc")) {
      // What the full item shows, but lying off the disc.
      const QString target = elsewhere.filePath(name);
      QVERIFY(QFile::copy(QString::fromStdString(disc_->Path("S_/Pieno_/" + name.toStdString())), target));
      QCOMPARE(::symlink(target.toLocal8Bit().constData(), path.c_str()), 0);
    }
    ShowItem(zolt, *disc_, "S_/Pieno_");
    ShowItem(zolt, *disc_, "S_/Ostile_");
    QCOMPARE(zolt.MemoTesto->toPlainText().trimmed(),
             name == QStringLiteral("testo.txt") ? QString() : QStringLiteral("ostile"));
    QVERIFY(zolt.Immagine->isHidden());
    QCOMPARE(zolt.MemoTesto->x(), 8);
    QVERIFY(zolt.Banner->isHidden());
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://pieno.example/"));
    QVERIFY(!zolt.Label4->isHidden());  // the program search ran
    QCOMPARE(zolt.EseguibileProdotto, disc_->Path("S_/Ostile_/prog.exe"));
  }

  // Per-item files that are there but cannot be read (larger than any such
  // file may be) empty their part of the page; an address that cannot be
  // read leaves the previous one, as an absent one does.
  void unreadableFilesEmptyTheirPart() {
    TZolt& zolt = *zolt_;
    LayOutFullItem(*disc_);
    disc_->Folder("S_/Illeggibile_");
    const std::pair<const char*, std::uintmax_t> sizes[] = {
        {"testo.txt", 17u << 20}, {"img.jpg", 257u << 20}, {"banner.gif", 33u << 20}, {"banner.txt", 65u << 10}};
    for (const auto& [file, size] : sizes) {
      disc_->File(std::string("S_/Illeggibile_/") + file, "x");
      std::filesystem::resize_file(disc_->Path(std::string("S_/Illeggibile_/") + file), size);
    }
    ShowItem(zolt, *disc_, "S_/Pieno_");
    QVERIFY(!zolt.Immagine->isHidden() && !zolt.Banner->isHidden());
    ShowItem(zolt, *disc_, "S_/Illeggibile_");
    QVERIFY(zolt.MemoTesto->toPlainText().isEmpty());
    QVERIFY(zolt.Immagine->isHidden());
    QCOMPARE(zolt.MemoTesto->x(), 359);
    QVERIFY(zolt.Banner->isHidden());
    QCOMPARE(zolt.IndirizzoBanner, QStringLiteral("https://pieno.example/"));
    QCOMPARE(zolt.Memo1, QStringList{QStringLiteral("https://pieno.example/")});
  }

  // A "testo.txt" that is a folder makes no description: the entry is a
  // group and opens its first sub-entry.
  void descriptionFolderMakesAGroup() {
    TZolt& zolt = *zolt_;
    disc_->Folder("Giochi_/Capo_/testo.txt");
    disc_->Item("Giochi_/Capo_/Figlio_", "figlio");
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QCOMPARE(zolt.Elenco->currentItem()->text(0), QStringLiteral("Figlio"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("figlio")));
  }

  // Description links, the banner and the footer open web addresses only;
  // anything else opens nothing and is told.
  void linksOpenAddressesNeverPrograms_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("opened");  // "" when refused
    QTest::newRow("web") << "https://www.esempio.it/a?b=1" << "https://www.esempio.it/a?b=1";
    QTest::newRow("www") << "www.esempio.it" << "http://www.esempio.it";
    QTest::newRow("mail") << "mailto:info@esempio.it" << "mailto:info@esempio.it";
    QTest::newRow("ftp") << "FTP://ftp.esempio.it/x" << "FTP://ftp.esempio.it/x";
    QTest::newRow("local script") << "/tmp/x.sh" << "";
    QTest::newRow("file scheme") << "file:///bin/sh" << "";
    QTest::newRow("javascript") << "javascript:alert(1)" << "";
    QTest::newRow("program name") << "calc.exe" << "";
  }
  void linksOpenAddressesNeverPrograms() {
    QFETCH(QString, target);
    QFETCH(QString, opened);
    TZolt& zolt = *zolt_;
    RecordingShell shell;
    disc_->Item("S_/Link_", "{\\field{\\*\\fldinst HYPERLINK \"" + target.toStdString() +
                                "\"}{\\fldrslt CLICCA QUI}} " + target.toStdString());
    disc_->File("S_/Link_/banner.gif", zolt::test::Gif(100, 20, 2));
    disc_->File("S_/Link_/banner.txt", target.toUtf8());
    ShowItem(zolt, *disc_, "S_/Link_");
    QTextCursor field = zolt.MemoTesto->document()->find(QStringLiteral("CLICCA QUI"));
    QCOMPARE(field.charFormat().isAnchor(), !opened.isEmpty());
    ClickText(zolt, QStringLiteral("CLICCA QUI"), Qt::LeftButton);
    ClickText(zolt, QStringLiteral("CLICCA QUI"), Qt::RightButton);
    QTest::mouseClick(zolt.Banner, Qt::LeftButton);
    emit zolt.MemoTesto->linkClicked(target);  // a link the text itself made
    std::vector<std::string> expected(opened.isEmpty() ? 0 : 4, opened.toStdString());
    QCOMPARE(shell.opened, expected);
    QCOMPARE(shell.messages.size(), opened.isEmpty() ? 2u : 0u);
    for (const QString& message : shell.messages) {
      QVERIFY2(message.contains(QStringLiteral("non è un indirizzo web")), qPrintable(message));
    }
  }

  // "  Installa  " clicked: what lies outside the disc does not start, and
  // an open the system cannot make is told, naming the file.
  void installClickTellsWhatDidNotStart_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("says");
    using R = zolt::platform::OpenOutcome::Result;
    QTest::newRow("outside the disc") << QByteArray("../../../../altrove/x.sh") << int(R::Opened) << "non si trova sul CD";
    QTest::newRow("Windows program") << QByteArray("Setup.exe") << int(R::WindowsProgram) << "programma per Windows";
    QTest::newRow("no handler") << QByteArray("leggimi.xyz") << int(R::NoHandler) << "nessun programma";
    QTest::newRow("missing") << QByteArray("manca.exe") << int(R::Missing) << "non esiste";
    QTest::newRow("opened: silent") << QByteArray("Setup.exe") << int(R::Opened) << "";
  }
  void installClickTellsWhatDidNotStart() {
    QFETCH(QByteArray, line);
    QFETCH(int, result);
    QFETCH(QString, says);
    TZolt& zolt = *zolt_;
    FailingShell shell(static_cast<zolt::platform::OpenOutcome::Result>(result));
    disc_->Item("S_/Inst_", "inst");
    disc_->File("S_/Inst_/setup.txt", line);
    disc_->File("S_/Inst_/Setup.exe", "MZ");
    disc_->File("S_/Inst_/leggimi.xyz", "?");
    ShowItem(zolt, *disc_, "S_/Inst_");
    zolt.Panel4->show();
    QTest::mouseClick(zolt.Label4, Qt::LeftButton);
    QCOMPARE(shell.messages.size(), says.isEmpty() ? 0u : 1u);
    if (!says.isEmpty()) {
      QVERIFY2(shell.messages[0].contains(says), qPrintable(shell.messages[0]));
      QVERIFY2(shell.messages[0].contains(QString::fromLatin1(line.split('/').last())), qPrintable(shell.messages[0]));
    }
    QCOMPARE(shell.opened.size(), line.startsWith("..") ? 0u : 1u);
  }

  // The Home page's own web page: nothing kept on disk, unknown schemes
  // only on a click, no window opened by script, in place only files of the
  // disc and web pages; a "scheda.htm" that is not a file is never navigated to.
  void homePageIsFenced() {
    TZolt& zolt = *zolt_;
    zolt.Label5Click();
    auto* page = qobject_cast<HomePage*>(zolt.WebBrowser1->page());
    QVERIFY(page);
    QVERIFY(page->profile()->isOffTheRecord());
    QCOMPARE(page->settings()->unknownUrlSchemePolicy(), QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
    QVERIFY(!page->settings()->testAttribute(QWebEngineSettings::JavascriptCanOpenWindows));
    const auto file = [&](const std::string& relative) {
      return QUrl::fromLocalFile(QString::fromStdString(disc_->Path(relative)));
    };
    QCOMPARE(::mkfifo(disc_->Path("Home/tubo.htm").c_str(), 0644), 0);
    QVERIFY(HomePage::MayShow(file("Home/scheda.htm")));
    QVERIFY(HomePage::MayShow(file("Giochi_")));
    QVERIFY(HomePage::MayShow(QUrl(QStringLiteral("https://www.esempio.it/"))));
    QVERIFY(!HomePage::MayShow(file("Home/tubo.htm")));
    QVERIFY(!HomePage::MayShow(file("Home/../../fuori.htm")));
    QVERIFY(!HomePage::MayShow(QUrl(QStringLiteral("file:///etc/passwd"))));
    QVERIFY(!HomePage::MayShow(QUrl(QStringLiteral("javascript:alert(1)"))));
    QVERIFY(!HomePage::MayShow(QUrl(QStringLiteral("ftp://ftp.esempio.it/"))));

    disc_->Remove("Home/scheda.htm");
    QCOMPARE(::mkfifo(disc_->Path("Home/scheda.htm").c_str(), 0644), 0);
    zolt.Label5Click();
    QCOMPARE(zolt.WebBrowser1->url(), QUrl(QStringLiteral("about:blank")));
  }

  // Links the reader clicks on the Home page: a file outside the disc is
  // refused and told, a new window's web address goes to the desktop's
  // browser, a mail address to the desktop's mail; the page itself stays
  // where it was.
  void homePageLinksClicked() {
    TZolt& zolt = *zolt_;
    RecordingShell shell;
    disc_->File("Home/scheda.htm",
                "<html><body><a id='posta' href='mailto:info@esempio.it'>posta</a>"
                "<a id='fuori' href='file:///etc/passwd'>fuori</a>"
                "<a id='nuova' href='https://www.esempio.it/' target='_blank'>nuova</a></body></html>");
    QSignalSpy loaded(zolt.WebBrowser1, &QWebEngineView::loadFinished);
    zolt.Label5Click();
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 10000);
    const QUrl home = zolt.WebBrowser1->url();
    std::size_t answers = 0;
    for (const char* id : {"posta", "fuori", "nuova"}) {
      zolt::test::ClickInPage(zolt.WebBrowser1, QLatin1String(id));
      ++answers;
      QTRY_COMPARE_WITH_TIMEOUT(shell.opened.size() + shell.messages.size(), answers, 10000);
    }
    QTest::qWait(200);
    QCOMPARE(shell.opened, (std::vector<std::string>{"mailto:info@esempio.it", "https://www.esempio.it/"}));
    QCOMPARE(shell.messages.size(), 1u);
    QVERIFY2(shell.messages[0].contains(QStringLiteral("/etc/passwd")), qPrintable(shell.messages[0]));
    QCOMPARE(zolt.WebBrowser1->url(), home);
  }

  // An error escaping a handler is discarded and the program carries on.
  // Hostile descriptions and pictures cost bounded work: pictures in a
  // description are decoded no larger than shown and within their budget,
  // a paragraph's layout stays cheap, a picture over the decoder's work is
  // refused from its header. The page shows what fits.
  void hostileFilesCostBoundedWork_data() {
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("descriptionPictures");
    QTest::addColumn<bool>("pictureShown");
    QTest::addColumn<QString>("startsWith");
    const QByteArray formatted = QByteArray("{\\b x}{\\i y}{\\ul z}{\\cf1 w}");
    QTest::newRow("eight pictures of 5,600 x 5,600")
        << WithPictures(Png(5600, 5600), 8) << QByteArray() << 0 << false << QStringLiteral("ab");
    QTest::newRow("1,000 pictures of 1 x 1")
        << WithPictures(Png(1, 1), 1000) << QByteArray() << 1000 << false << QStringLiteral("a\uFFFC");
    QTest::newRow("pictures up to the description's budget")
        << WithPictures(Png(4096, 4096), 6) << QByteArray() << 4 << false << QStringLiteral("a\uFFFC");
    QTest::newRow("10 MB of formatted runs")
        << "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}" + formatted.repeated((10 << 20) / formatted.size()) + "}"
        << QByteArray() << 0 << false << QStringLiteral("xyzw");
    QTest::newRow("16 MB, one paragraph without spaces")
        << QByteArray(static_cast<qsizetype>(zolt::disc::kMaxDescriptionBytes), 'a') << QByteArray() << 0 << false
        << QStringLiteral("aaaa");
    QTest::newRow("img.jpg of 10,000 x 10,000 in 256 scans")
        << QByteArray("{\\rtf1 testo}") << Rescanned(zolt::test::Jpeg(64, 64), 256, 10000, 10000) << 0 << false
        << QStringLiteral("testo");
  }

  void hostileFilesCostBoundedWork() {
    QFETCH(QByteArray, description);
    QFETCH(QByteArray, picture);
    QFETCH(int, descriptionPictures);
    QFETCH(bool, pictureShown);
    QFETCH(QString, startsWith);
    TZolt& zolt = *zolt_;
    disc_->File("Ostili_/Voce_/testo.txt", description);
    if (!picture.isEmpty()) disc_->File("Ostili_/Voce_/img.jpg", picture);
    QElapsedTimer timer;
    timer.start();
    ShowItem(zolt, *disc_, "Ostili_/Voce_");
    QTextDocument& document = *zolt.MemoTesto->document();
    document.documentLayout()->documentSize();  // the whole document laid out
    zolt.MemoTesto->verticalScrollBar()->setValue(zolt.MemoTesto->verticalScrollBar()->maximum());
    zolt.MemoTesto->grab();
    const qint64 elapsed = timer.elapsed();
    QVERIFY(document.toPlainText().startsWith(startsWith));
    QCOMPARE(zolt.Immagine->isVisible(), pictureShown);
    // What the layout pays for: pictures and their pixels, runs per paragraph,
    // characters per paragraph and between break opportunities.
    int pictures = 0;
    qint64 pixels = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
      std::size_t runs = 0;
      for (auto it = block.begin(); !it.atEnd(); ++it, ++runs) {
        const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
        if (!image.isValid()) continue;
        ++pictures;
        const QSize size = document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>().size();
        QVERIFY(size.width() <= 2 * image.width() + 1 && size.height() <= 2 * image.height() + 1);
        pixels += qint64(size.width()) * size.height();
      }
      QVERIFY2(runs <= 2 * zolt::rtf::kMaxRunsPerParagraph + zolt::rtf::kMaxPictures, qPrintable(QString::number(runs)));
      QVERIFY2(block.length() <= zolt::rtf::kMaxParagraphChars + 1, qPrintable(QString::number(block.length())));
    }
    QCOMPARE(pictures, descriptionPictures);
    QVERIFY(pixels <= qint64(zolt::rtf::kMaxDescriptionPicturePixels));
    // Generous: the machine is shared; before these bounds each took minutes.
    QVERIFY2(elapsed < 20000, qPrintable(QString::number(elapsed)));
  }

  // A tab click opens the section's first entry and loads its files once.
  void tabClickLoadsTheFirstEntryOnce() {
    TZolt& zolt = *zolt_;
    const QByteArray text = QByteArray("parola ").repeated(600000);  // about 4 MB
    disc_->File("Giochi_/Con foto_/testo.txt", text);
    const QByteArray picture = zolt::test::Jpeg(600, 300);
    const QByteArray comment = "\xFF\xFE\xFF\xFF" + QByteArray(0xFFFF - 2, ' ');
    disc_->File("Giochi_/Con foto_/IMG.JPG", picture.left(2) + comment.repeated(64) + picture.mid(2));  // 4 MB
    const qint64 before = BytesRead();
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    const qint64 read = BytesRead() - before;
    QVERIFY(zolt.Immagine->isVisible());
    QVERIFY(zolt.MemoTesto->toPlainText().startsWith(QStringLiteral("parola")));
    QCOMPARE(zolt.LProdotto->text(), zolt.Linguetta01->text());
    QVERIFY2(read < 12 * 1024 * 1024, qPrintable(QString::number(read)));  // twice would be 16 MB
  }

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
