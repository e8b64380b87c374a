// Sections and the navigation tree on discs laid out in temporary folders:
// the tabs, the tab click, the tree click with its group rule, the search
// button, and discs that are empty, broken or change under the program.

#include <QTreeWidget>
#include <QUrl>
#include <QWebEngineView>
#include <filesystem>

#include "look/labelbutton.h"
#include "app/zolt.h"
#include "platform/rtf/richtextviewer.h"
#include "windowtest.h"

using zolt::test::TempDisc;

namespace {

const QColor kLight(215, 225, 232);
const QColor kDark(92, 133, 160);

std::vector<QString> TabCaptions(const TZolt& zolt) {
  std::vector<QString> captions;
  for (const zolt::LabelButton* tab : zolt.Linguette) {
    if (!tab->isHidden()) captions.push_back(tab->text());
  }
  return captions;
}

QStringList TopEntries(const TZolt& zolt) {
  QStringList texts;
  for (int i = 0; i < zolt.Elenco->topLevelItemCount(); ++i) texts << zolt.Elenco->topLevelItem(i)->text(0);
  return texts;
}

QTreeWidgetItem* Entry(const TZolt& zolt, const QString& text) {
  const auto found = zolt.Elenco->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

QTreeWidgetItem* Selected(const TZolt& zolt) {
  const auto selected = zolt.Elenco->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

// A click on a tree entry, as the mouse does it.
void ClickEntry(TZolt& zolt, QTreeWidgetItem* item) {
  zolt.Elenco->scrollToItem(item);
  const QRect box = zolt.Elenco->visualItemRect(item);
  QTest::mouseClick(zolt.Elenco->viewport(), Qt::LeftButton, {}, box.center());
}

void ShowWindow(TZolt& zolt) {
  zolt.show();
  QVERIFY(QTest::qWaitForWindowExposed(&zolt));
}

}  // namespace

class TestNavigation : public QObject {
  Q_OBJECT

 private slots:
  void thirteenSectionsMakeTwelveTabs() {
    TempDisc disc;
    for (int i = 1; i <= 13; ++i) disc.Folder(QStringLiteral("S%1_").arg(i, 2, 10, QLatin1Char('0')).toStdString());
    TZolt zolt;
    ShowWindow(zolt);
    const auto captions = TabCaptions(zolt);
    QCOMPARE(captions.size(), std::size_t{12});
    QCOMPARE(captions.front(), QStringLiteral("  S01  "));
    QCOMPARE(zolt.findChild<QLabel*>(QStringLiteral("Label13"))->text(), QStringLiteral("  S12  "));
  }

  // "Home_" among the first twelve is skipped but uses up its place.
  void homeSectionUsesItsPlace() {
    TempDisc disc;
    for (const char* name : {"A_", "B_", "C_", "D_", "E_", "F_", "G_", "Home_", "I_", "J_", "K_", "L_", "M_"}) {
      disc.Folder(name);
    }
    TZolt zolt;
    ShowWindow(zolt);
    const auto captions = TabCaptions(zolt);
    QCOMPARE(captions.size(), std::size_t{11});
    QCOMPARE(captions[6], QStringLiteral("  G  "));
    QCOMPARE(captions[7], QStringLiteral("  I  "));
    QCOMPARE(captions.back(), QStringLiteral("  L  "));
    QVERIFY(zolt.findChild<QLabel*>(QStringLiteral("Label13"))->isHidden());
  }

  // Six sections fill row 1; the seventh opens row 2 at left 221. Each tab
  // is as wide as its caption and follows the previous one by one pixel.
  void sevenSectionsOpenRowTwo() {
    TempDisc disc;
    for (const char* name : {"Alfa_", "Bravo_", "Charlie_", "Delta_", "Echo_", "Foxtrot_", "Golf_"}) {
      disc.Folder(name);
    }
    TZolt zolt;
    ShowWindow(zolt);
    for (std::size_t k = 0; k < 7; ++k) {
      const zolt::LabelButton* tab = zolt.Linguette[k];
      QVERIFY(tab->isVisible());
      QCOMPARE(tab->width(), tab->fontMetrics().horizontalAdvance(tab->text()));
      QCOMPARE(tab->height(), 16);
      QCOMPARE(tab->y(), k < 6 ? 43 : 26);
      if (k == 0 || k == 6) {
        QCOMPARE(tab->x(), 221);
      } else {
        const zolt::LabelButton* previous = zolt.Linguette[k - 1];
        QCOMPARE(tab->x(), previous->x() + previous->width() + 1);
      }
    }
    QCOMPARE(zolt.Label8->text(), QStringLiteral("  Golf  "));
    const zolt::LabelButton* last = zolt.Linguette[5];
    QCOMPARE(zolt.Image2->x(), last->x() + last->width() + 1);
    QVERIFY(zolt.Image2->isHidden());
    QVERIFY(zolt.Linguette[7]->isHidden());
  }

  // A tab click colours the tabs, fills the tree sorted as words are sorted,
  // and opens the top entry with the section's name as title.
  void tabClickOpensTheSection() {
    TempDisc disc;
    disc.Folder("Alpha_");
    disc.Item("Giochi_/gamma_", "gamma");
    disc.Item("Giochi_/Beta_", "beta");
    disc.Item("Giochi_/alfa_", "alfa");
    disc.Item("Giochi_/alfa_/uno_", "uno");
    disc.Folder("Giochi_/Demo_Due_");  // two underscores: not an entry
    TZolt zolt;
    ShowWindow(zolt);
    zolt::LabelButton* tab = zolt.Linguette[1];
    QCOMPARE(tab->text(), QStringLiteral("  Giochi  "));
    QTest::mouseClick(tab, Qt::LeftButton);
    QCOMPARE(zolt.CartellaSezione, std::string("Giochi_"));
    QCOMPARE(TopEntries(zolt), (QStringList{QStringLiteral("alfa"), QStringLiteral("Beta"), QStringLiteral("gamma")}));
    QCOMPARE(Entry(zolt, QStringLiteral("alfa"))->childCount(), 1);
    QCOMPARE(Background(tab), kLight);
    QCOMPARE(Foreground(tab), kDark);
    QCOMPARE(Background(zolt.Linguetta01), kDark);
    QCOMPARE(Background(zolt.Label7), kDark);
    QCOMPARE(Foreground(zolt.Label7), kLight);
    QVERIFY(zolt.Elenco->isVisible());
    QVERIFY(zolt.Label1->isVisible());
    QCOMPARE(zolt.Panel1->width(), 217);
    QCOMPARE(Selected(zolt)->text(0), QStringLiteral("alfa"));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Giochi_/alfa_"));
    QCOMPARE(zolt.LProdotto->text(), QStringLiteral("  Giochi  "));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("alfa")));
    QVERIFY(zolt.Panel4->isVisible());
    QVERIFY(zolt.PanBrowser->isHidden());

    // A click on a sub-entry opens it, with its own name as title.
    ClickEntry(zolt, Entry(zolt, QStringLiteral("uno")));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Giochi_/alfa_/uno_"));
    QCOMPARE(zolt.LProdotto->text(), QStringLiteral("uno"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("uno")));
  }

  // An entry without a description opens its first sub-entry in sorted
  // order; without sub-entries it shows its own page and clears the selection.
  void groupEntries() {
    TempDisc disc;
    disc.Item("Giochi_/Arcade_", "arcade");
    disc.Item("Giochi_/Gruppo_/b_", "bi");
    disc.Item("Giochi_/Gruppo_/a_", "a");
    disc.File("Giochi_/Vuoto_/img.jpg", zolt::test::Jpeg(40, 30));
    TZolt zolt;
    ShowWindow(zolt);
    zolt.Linguetta01Click(zolt.Linguetta01);

    ClickEntry(zolt, Entry(zolt, QStringLiteral("Gruppo")));
    QCOMPARE(Selected(zolt)->text(0), QStringLiteral("a"));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Giochi_/Gruppo_/a_"));
    QCOMPARE(zolt.LProdotto->text(), QStringLiteral("a"));
    QTRY_VERIFY(Entry(zolt, QStringLiteral("Gruppo"))->isExpanded());

    ClickEntry(zolt, Entry(zolt, QStringLiteral("Vuoto")));
    QVERIFY(!Selected(zolt));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Giochi_/Vuoto_"));
    QCOMPARE(zolt.LProdotto->text(), QStringLiteral("Vuoto"));
    QVERIFY(zolt.MemoTesto->toPlainText().isEmpty());
    QVERIFY(zolt.Immagine->isVisible());
  }

  // Selecting an entry expands it and closes the one open before; expanding
  // an entry selects it without changing the page.
  void singleExpandAndExpanding() {
    TempDisc disc;
    disc.Item("S_/Uno_", "uno");
    disc.Item("S_/Uno_/x_", "x");
    disc.Item("S_/Due_", "due");
    disc.Item("S_/Due_/y_", "y");
    TZolt zolt;
    ShowWindow(zolt);
    zolt.Linguetta01Click(zolt.Linguetta01);
    QTreeWidgetItem* due = Entry(zolt, QStringLiteral("Due"));
    QTreeWidgetItem* uno = Entry(zolt, QStringLiteral("Uno"));
    QCOMPARE(Selected(zolt), due);
    QTRY_VERIFY(due->isExpanded());
    ClickEntry(zolt, uno);
    QTRY_VERIFY(uno->isExpanded());
    QVERIFY(!due->isExpanded());
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("S_/Uno_"));

    due->setExpanded(true);
    QCOMPARE(Selected(zolt), due);
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("S_/Uno_"));
    QTRY_VERIFY(!uno->isExpanded());
    due->setExpanded(false);  // collapsing is always allowed
    QVERIFY(!due->isExpanded());
  }

  // Names that are not UTF-8 are shown in Windows-1252 and still navigate.
  void namesThatAreNotUtf8() {
    TempDisc disc;
    disc.Item("Gi\xf2" "chi_/Caff\xe8_", "caffe");
    disc.Item("Gi\xf2" "chi_/Caff\xe8_/Ca\xf1" "a_", "cana");
    TZolt zolt;
    ShowWindow(zolt);
    QCOMPARE(zolt.Linguetta01->text(), QStringLiteral("  Giòchi  "));
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QCOMPARE(zolt.CartellaSezione, std::string("Gi\xf2" "chi_"));
    QCOMPARE(TopEntries(zolt), QStringList{QStringLiteral("Caffè")});
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Gi\xf2" "chi_/Caff\xe8_"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("caffe")));
    ClickEntry(zolt, Entry(zolt, QStringLiteral("Caña")));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Gi\xf2" "chi_/Caff\xe8_/Ca\xf1" "a_"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("cana")));
  }

  // "  Ricerca  " opens the first section, shows the search window without
  // blocking, and refreshes the page.
  void searchButton() {
    TempDisc disc;
    disc.Item("Giochi_/Primo_", "primo");
    disc.Item("Utility_/Altro_", "altro");
    TZolt zolt;
    QWidget ricerca;
    zolt.FRicerca = &ricerca;
    ShowWindow(zolt);
    QTest::mouseClick(zolt.Label3, Qt::LeftButton);
    QVERIFY(ricerca.isVisible());
    QVERIFY(!ricerca.isModal());
    QCOMPARE(zolt.CartellaSezione, std::string("Giochi_"));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Giochi_/Primo_"));
    QCOMPARE(zolt.LProdotto->text(), QStringLiteral("Primo"));
    QVERIFY(zolt.LProdotto->isVisible());
    QVERIFY(zolt.Panel4->isVisible());
    QVERIFY(zolt.Label1->isVisible());
    QVERIFY(zolt.Elenco->isVisible());
    QCOMPARE(zolt.Panel1->width(), 217);
  }

  // A disc without sections still opens on the Home page, and the search
  // button still shows the search window.
  void discWithoutSections() {
    TempDisc disc;
    disc.Folder("Giochi");         // no underscore
    disc.Folder("Demo_Giochi_");   // two underscores
    disc.Folder(".Nascosta_");     // hidden
    disc.File("File_", "not a folder");
    TZolt zolt;
    QWidget ricerca;
    zolt.FRicerca = &ricerca;
    ShowWindow(zolt);
    QVERIFY(TabCaptions(zolt).empty());
    QVERIFY(zolt.PanBrowser->isVisible());
    QTest::mouseClick(zolt.Label3, Qt::LeftButton);
    QVERIFY(ricerca.isVisible());
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("Home"));
    QVERIFY(zolt.PanBrowser->isVisible());
  }

  // Broken folders, a link loop under an item and a dangling link: the
  // window opens and every page shows what it can.
  void brokenDisc() {
    TempDisc disc;
    disc.Item("Giochi_/Anello_", "anello");
    std::error_code error;
    std::filesystem::create_directory_symlink(disc.Path("Giochi_/Anello_"), disc.Path("Giochi_/Anello_/giro"), error);
    QVERIFY(!error);
    std::filesystem::create_directory_symlink(disc.Path("nowhere"), disc.Path("Rotto_"), error);
    disc.Folder("Chiuso_/Dentro_");
    std::filesystem::permissions(disc.Path("Chiuso_"), std::filesystem::perms::none, error);
    TZolt zolt;
    ShowWindow(zolt);
    const auto captions = TabCaptions(zolt);
    QVERIFY(!captions.empty());
    for (zolt::LabelButton* tab : zolt.Linguette) {
      if (!tab->isHidden()) QTest::mouseClick(tab, Qt::LeftButton);
    }
    zolt.Linguetta01Click(zolt.Linguetta01);
    std::filesystem::permissions(disc.Path("Chiuso_"), std::filesystem::perms::owner_all, error);
    QCOMPARE(zolt.PercorsoProdotto.substr(0, disc.Root().size()), disc.Root());
    QVERIFY(zolt.isVisible());
  }

  // Folders that vanish between the tree's filling and the click: the page
  // shows an empty item and nothing from the one before.
  void foldersThatVanish() {
    TempDisc disc;
    disc.Item("S_/Primo_", "primo");
    disc.Item("S_/Secondo_", "secondo");
    disc.File("S_/Secondo_/img.jpg", zolt::test::Jpeg(50, 50));
    disc.File("S_/Secondo_/setup.txt", "setup.exe\r\n");
    disc.File("S_/Secondo_/banner.gif", zolt::test::Gif(20, 10, 2));
    TZolt zolt;
    ShowWindow(zolt);
    zolt.Linguetta01Click(zolt.Linguetta01);
    QTreeWidgetItem* secondo = Entry(zolt, QStringLiteral("Secondo"));
    ClickEntry(zolt, secondo);
    QVERIFY(zolt.Immagine->isVisible());
    QVERIFY(zolt.Label4->isVisible());
    disc.Remove("S_/Secondo_");
    ClickEntry(zolt, secondo);
    QVERIFY(!zolt.Immagine->isVisible());
    QVERIFY(!zolt.Banner->isVisible());
    QVERIFY(!zolt.Label4->isVisible());
    QVERIFY(zolt.MemoTesto->toPlainText().isEmpty());
    QCOMPARE(zolt.MemoTesto->x(), 8);
    disc.Remove("S_");
    zolt.Linguetta01Click(zolt.Linguetta01);
    QCOMPARE(zolt.Elenco->topLevelItemCount(), 0);
    QVERIFY(zolt.Elenco->isHidden());
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("S_"));
  }

 private:
  static QColor Background(const QWidget* widget) { return widget->palette().color(QPalette::Window); }
  static QColor Foreground(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }
};

ZOLT_WINDOW_TEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
