// The main window from the keyboard and through assistive technology, and a
// tree that never drifts from the page: gestures that change nothing, keys
// that open entries, the tab order, accessible names and roles, and input
// that arrives at the wrong moment.

#include <QAccessible>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWebEngineView>

#include "look/labelbutton.h"
#include "app/zolt.h"
#include "platform/rtf/richtextviewer.h"
#include "windowtest.h"

using zolt::test::TempDisc;

namespace {

QTreeWidgetItem* Entry(const TZolt& zolt, const QString& text) {
  const auto found = zolt.Elenco->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

QString SelectedText(const TZolt& zolt) {
  const auto selected = zolt.Elenco->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text(0);
}

QPoint Centre(const TZolt& zolt, const QString& text) {
  return zolt.Elenco->visualItemRect(Entry(zolt, text)).center();
}

void ShowActive(TZolt& zolt) {
  zolt.show();
  zolt.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&zolt));
}

}  // namespace

class TestKeyboard : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    disc_ = std::make_unique<TempDisc>();
    disc_->Item("Giochi_/Alfa_", "alfa {\\field{\\*\\fldinst HYPERLINK \"http://alfa.example/\"}{\\fldrslt sito}}");
    disc_->File("Giochi_/Alfa_/img.jpg", zolt::test::Jpeg(60, 40));
    disc_->File("Giochi_/Alfa_/setup.txt", "setup.exe\r\n");
    disc_->File("Giochi_/Alfa_/banner.gif", zolt::test::Gif(20, 10, 2));
    disc_->File("Giochi_/Alfa_/banner.txt", "http://banner.example/\r\n");
    disc_->Item("Giochi_/Beta_", "beta");
    disc_->Item("Giochi_/Gruppo_/Primo_", "primo");
    disc_->Item("Giochi_/Gruppo_/Secondo_", "secondo");
    disc_->Item("Giochi_/Zeta_", "zeta");
    disc_->Item("Utility_/Uno_", "uno");
    disc_->File("Home/scheda.htm", "<html><body>Home</body></html>");
  }
  void cleanupTestCase() { disc_.reset(); }

  // Gestures that must leave tree and page agreeing: the page always shows
  // the selected entry.
  void treeNeverDriftsFromThePage_data() {
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QString>("selected");
    QTest::newRow("click on empty space") << "empty" << "Alfa";
    QTest::newRow("click on empty space after a search hit: the entry again") << "hit" << "Alfa";
    QTest::newRow("right click on another entry") << "right" << "Alfa";
    QTest::newRow("control click on the selected entry") << "control" << "Alfa";
    QTest::newRow("press on one entry, release on another") << "drag" << "Beta";
  }

  void treeNeverDriftsFromThePage() {
    QFETCH(QString, gesture);
    QFETCH(QString, selected);
    TZolt zolt;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QWidget* viewport = zolt.Elenco->viewport();
    QCOMPARE(SelectedText(zolt), QStringLiteral("Alfa"));
    if (gesture == "hit") {
      // The search shows a hit as it does, without touching the tree.
      zolt.PercorsoProdotto = disc_->Path("Utility_/Uno_");
      zolt.LProdotto->setText(QStringLiteral("Utility\\Uno"));
      zolt.AggiornaScheda(zolt.LProdotto->text());
      QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("uno")));
    }
    if (gesture == "empty" || gesture == "hit") {
      QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 5));
    } else if (gesture == "right") {
      QTest::mouseClick(viewport, Qt::RightButton, {}, Centre(zolt, "Beta"));
    } else if (gesture == "control") {
      QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, Centre(zolt, "Alfa"));
    } else {
      QTest::mousePress(viewport, Qt::LeftButton, {}, Centre(zolt, "Beta"));
      QMouseEvent move(QEvent::MouseMove, Centre(zolt, "Zeta"), viewport->mapToGlobal(Centre(zolt, "Zeta")),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(viewport, &move);
      QTest::mouseRelease(viewport, Qt::LeftButton, {}, Centre(zolt, "Zeta"));
    }
    QCOMPARE(SelectedText(zolt), selected);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/" + selected.toStdString() + "_"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(selected.toLower()));
    if (gesture == "hit") QCOMPARE(zolt.LProdotto->text(), selected);
  }

  // Keys move and open like clicks; a group opens its first sub-entry, and
  // Up from there steps over the group instead of bouncing back.
  void keysOpenEntries() {
    TZolt zolt;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    zolt.Elenco->setFocus(Qt::TabFocusReason);
    const auto key = [&](Qt::Key k) { QTest::keyClick(zolt.Elenco, k); };
    key(Qt::Key_Down);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Beta_"));
    key(Qt::Key_Down);
    QCOMPARE(SelectedText(zolt), QStringLiteral("Primo"));
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Gruppo_/Primo_"));
    key(Qt::Key_Up);
    QCOMPARE(SelectedText(zolt), QStringLiteral("Beta"));
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Beta_"));
    key(Qt::Key_End);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Zeta_"));
    // Enter and Space open the selected entry again, as a click does.
    zolt.PercorsoProdotto.clear();
    key(Qt::Key_Return);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Zeta_"));
    zolt.PercorsoProdotto.clear();
    key(Qt::Key_Space);
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Zeta_"));
  }

  // Tab walks the window in the layout's order with a mark on the label in
  // focus; Enter and Space act as a click.
  void tabOrderAndActivation() {
    zolt::test::RecordingShell shell;
    TZolt zolt;
    QWidget ricerca;
    zolt.FRicerca = &ricerca;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    zolt.Label5->setFocus(Qt::TabFocusReason);
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 12; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"Label5", "Label7", "Label3", "Linguetta01", "Linguetta02", "Elenco", "Label4",
                                 "Label2", "Label1", "Immagine", "MemoTesto", "Banner", "Label6"}));
    QTest::keyClick(zolt.Label6, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), zolt.Banner);
    // The focus mark: a dotted frame in the label's text colour along its edge.
    const auto markedPixels = [](QLabel* label) {
      const QImage shot = label->grab().toImage();
      const QColor mark = label->palette().color(QPalette::WindowText);
      int count = 0;
      for (int x = 0; x < shot.width(); ++x) count += shot.pixelColor(x, 0) == mark ? 1 : 0;
      return count;
    };
    QCOMPARE(markedPixels(zolt.Label7), 0);
    zolt.Label7->setFocus(Qt::TabFocusReason);
    QVERIFY(markedPixels(zolt.Label7) >= zolt.Label7->width() / 3);
    QTest::keyClick(zolt.Linguette[1], Qt::Key_Space);
    QCOMPARE(zolt.CartellaSezione, std::string("Utility_"));
    QTest::keyClick(zolt.Label6, Qt::Key_Return);
    QCOMPARE(shell.opened.size(), std::size_t{1});
    QTest::keyClick(zolt.Label3, Qt::Key_Enter);
    QVERIFY(ricerca.isVisible());
    QTest::keyClick(zolt.Label7, Qt::Key_Space);
    QVERIFY(zolt.PanBrowser->isVisible());
  }

  // Roles and names as a screen reader receives them, and the new page
  // announced by its title.
  void accessibleNamesAndRoles() {
    TZolt zolt;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QTest::mouseClick(zolt.Elenco->viewport(), Qt::LeftButton, {}, Centre(zolt, "Alfa"));
    // The page is announced by its title (the event reaches a screen reader
    // only while one listens: here the name it carries is checked).
    QTRY_COMPARE(QAccessible::queryAccessibleInterface(zolt.MainPanel)->text(QAccessible::Name), QStringLiteral("Alfa"));
    struct Expected {
      QWidget* widget;
      QAccessible::Role role;
      QString name;
    };
    const std::vector<Expected> table{
        {zolt.Label4, QAccessible::Button, "Installa"},
        {zolt.Label2, QAccessible::Button, "Copia file"},
        {zolt.Label7, QAccessible::Button, "Home"},
        {zolt.Linguetta01, QAccessible::PageTab, "Giochi"},
        {zolt.Immagine, QAccessible::Graphic, "Alfa"},
        {zolt.Banner, QAccessible::Link, "http://banner.example/"},
        {zolt.Label6, QAccessible::Link, "Powered by Tavelo"},
    };
    for (const Expected& e : table) {
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(e.widget);
      QVERIFY2(iface, qPrintable(e.widget->objectName()));
      QCOMPARE(iface->role(), e.role);
      QCOMPARE(iface->text(QAccessible::Name), e.name);
    }
    QVERIFY(QAccessible::queryAccessibleInterface(zolt.Linguetta01)->state().selected);
    QVERIFY(!QAccessible::queryAccessibleInterface(zolt.Linguette[1])->state().selected);
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(zolt.Elenco);
    QCOMPARE(tree->text(QAccessible::Name), QStringLiteral("Voci della sezione"));
    QVERIFY(tree->tableInterface());
    QCOMPARE(tree->tableInterface()->columnDescription(0), QStringLiteral("Voci della sezione"));
    // Pressing through the accessibility interface is a click.
    QAccessible::queryAccessibleInterface(zolt.Label7)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(zolt.PanBrowser->isVisible());
    QTRY_COMPARE(zolt.MainPanel->accessibleName(), QStringLiteral("Home"));
  }

  // A tree click that arrives while the page is being refreshed is dropped:
  // the refresh finishes for its own entry and tree and page still agree.
  void treeClickDuringARefresh() {
    TZolt zolt;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    bool once = false;
    const auto connection = QObject::connect(zolt.MemoTesto, &QTextEdit::textChanged, &zolt, [&] {
      if (once) return;
      once = true;
      QTest::mouseClick(zolt.Elenco->viewport(), Qt::LeftButton, {}, Centre(zolt, "Zeta"));
      QTest::keyClick(zolt.Elenco, Qt::Key_Down);
    });
    QTest::mouseClick(zolt.Elenco->viewport(), Qt::LeftButton, {}, Centre(zolt, "Beta"));
    QObject::disconnect(connection);
    QVERIFY(once);
    QCOMPARE(SelectedText(zolt), QStringLiteral("Beta"));
    QCOMPARE(zolt.PercorsoProdotto, disc_->Path("Giochi_/Beta_"));
    QVERIFY(zolt.MemoTesto->toPlainText().contains(QStringLiteral("beta")));
  }

  // A button whose item vanished acts from the keyboard exactly as from the
  // mouse, and the window carries on.
  void keyboardOnAVanishedItem() {
    TempDisc disc;
    disc.Item("S_/Voce_", "voce");
    disc.File("S_/Voce_/img.jpg", zolt::test::Jpeg(60, 40));
    disc.File("S_/Voce_/setup.txt", "setup.exe\r\n");
    zolt::test::RecordingShell shell;
    TZolt zolt;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QVERIFY(zolt.Label4->isVisible() && zolt.Immagine->isVisible());
    disc.Remove("S_/Voce_");
    for (zolt::LabelButton* button : {zolt.Label4, zolt.Label1, zolt.Immagine}) {
      QTest::mouseClick(button, Qt::LeftButton);
      const auto byMouse = shell.opened;
      const auto messagesByMouse = shell.messages;
      shell.opened.clear();
      shell.messages.clear();
      button->setFocus(Qt::TabFocusReason);
      QTest::keyClick(button, Qt::Key_Space);
      QCOMPARE(shell.opened, byMouse);
      QCOMPARE(shell.messages, messagesByMouse);
      shell.opened.clear();
      shell.messages.clear();
    }
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(zolt.isVisible());
  }

  // Sub-entries of a large section are listed as their entries come into
  // view, so entries far down still show and open their sub-entries.
  void largeSectionListsSubEntriesInView() {
    TempDisc disc;
    for (int i = 0; i < 300; ++i) disc.Item("S_/Voce " + std::to_string(1000 + i) + "_", "voce");
    disc.Item("S_/Voce 1290_/Dentro_", "dentro");
    disc.Folder("S_/Zona_/Prima_");
    TZolt zolt;
    ShowActive(zolt);
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QTreeWidgetItem* far = Entry(zolt, "Voce 1290");
    QCOMPARE(far->childCount(), 0);  // not in view yet
    zolt.Elenco->setFocus(Qt::TabFocusReason);
    QTest::keyClick(zolt.Elenco, Qt::Key_End);
    QCOMPARE(SelectedText(zolt), QStringLiteral("Prima"));  // "Zona" is a group
    QCOMPARE(far->childCount(), 1);
    QTest::mouseClick(zolt.Elenco->viewport(), Qt::LeftButton, {}, Centre(zolt, "Voce 1290"));
    QCOMPARE(zolt.PercorsoProdotto, disc.Path("S_/Voce 1290_"));
    QTRY_VERIFY(far->isExpanded());
  }

 private:
  std::unique_ptr<TempDisc> disc_;
};

ZOLT_WINDOW_TEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
