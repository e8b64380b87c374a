// The search window driven through its real controls: a disc in a temporary
// folder, a workbook written byte by byte, a recording shell for the message
// box and a real main window to lead to.

#include "disc/catalogue.h"
#include "look/labelbutton.h"
#include "app/zolt.h"
#include "platform/rtf/richtextviewer.h"
#include "platform/shell.h"
#include "searchwindow/fricerca.h"
#include "workbook.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const QString kNoHit = QString::fromUtf8("Nessuna corrispondenza trovata in questo CD.");

class RecordingShell : public zolt::platform::Shell {
 public:
  RecordingShell() { zolt::platform::SetShell(this); }
  ~RecordingShell() override { zolt::platform::SetShell(nullptr); }
  RecordingShell(const RecordingShell&) = delete;
  RecordingShell& operator=(const RecordingShell&) = delete;

  void Open(const std::string&) override {}
  std::optional<std::string> ChooseFolder(QWidget*) override { return std::nullopt; }
  zolt::platform::CopyOutcome CopyFolder(const std::string&, const std::string&, QWidget*,
                                         const std::vector<std::string>&) override {
    return {};
  }
  void Information(QWidget*, const QString& text) override {
    messages.push_back(text);
    if (onMessage) onMessage();
  }
  void Warning(QWidget*, const QString& text) override { messages.push_back(text); }

  std::vector<QString> messages;
  std::function<void()> onMessage;
};

using zolt::searchtest::Record;
using zolt::searchtest::Workbook;

}  // namespace

class TestFRicerca : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void layoutAsDesigned();
  void resizingStretchesTheListsAndKeepsThemApart();
  void enterRunsTheSearchAndTheKeyGoesOn();
  void noHitMessageOnceAndBeforeTheArchive();
  void clickingAHitLeadsTheMainWindowThere();
  void topLevelHitGivesAnEmptyTitle();
  void closingHidesAndReopeningKeepsEverything();
  void previousArchiveRowsNeverOutliveANewSearch_data();
  void previousArchiveRowsNeverOutliveANewSearch();
  void unreadableDescriptionDoesNotEndTheSearch();
  void labelButtonsUnderlineUnderTheMouse();
  void noHitMessageCountsUnreadableDescriptions_data();
  void noHitMessageCountsUnreadableDescriptions();
  void keyboardReachesEveryControl();

 private:
  void File(const std::string& relative, const std::string& content);
  void Item(const std::string& relative, const std::string& text) {
    File(relative + "/testo.txt", "{\\rtf1\\ansi " + text + "\\par}");
  }
  void Search(const QString& word);
  QStringList Rows() const;
  QStringList ArchiveRows() const;
  void Click(const QPoint& at);
  // The window as drawn; kept as a picture when ZOLT_SCREENSHOTS names a folder.
  QImage Shot(const QString& name) const;

  std::unique_ptr<QTemporaryDir> dir_;
  std::string root_;
  std::unique_ptr<RecordingShell> shell_;
  std::unique_ptr<TZolt> zolt_;
  std::unique_ptr<TFRicerca> ricerca_;
};

void TestFRicerca::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  root_ = dir_->path().toStdString() + "/";
  zolt::catalogue::SetDiscRootForTesting(root_);
  shell_ = std::make_unique<RecordingShell>();
  zolt_ = std::make_unique<TZolt>();
  ricerca_ = std::make_unique<TFRicerca>(zolt_.get());
}

void TestFRicerca::cleanup() {
  ricerca_.reset();
  zolt_.reset();
  shell_.reset();
  zolt::catalogue::SetDiscRootForTesting({});
  dir_.reset();
}

void TestFRicerca::File(const std::string& relative, const std::string& content) {
  const fs::path path = fs::path(root_) / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

void TestFRicerca::Search(const QString& word) {
  ricerca_->Edit1->setText(word);
  ricerca_->BitBtn3Click();
}

QStringList TestFRicerca::Rows() const {
  QStringList rows;
  for (int i = 0; i < ricerca_->ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = ricerca_->ListView1->topLevelItem(i);
    rows << item->text(0) + QStringLiteral(" | ") + item->text(1);
  }
  return rows;
}

QStringList TestFRicerca::ArchiveRows() const {
  QStringList rows;
  for (int i = 0; i < ricerca_->MRisultato->count(); ++i) rows << ricerca_->MRisultato->item(i)->text();
  return rows;
}

void TestFRicerca::Click(const QPoint& at) {
  QTest::mouseClick(ricerca_->ListView1->viewport(), Qt::LeftButton, {}, at);
}

QImage TestFRicerca::Shot(const QString& name) const {
  const QImage shot = ricerca_->grab().toImage();
  if (!qEnvironmentVariableIsEmpty("ZOLT_SCREENSHOTS"))
    shot.save(qEnvironmentVariable("ZOLT_SCREENSHOTS") + QStringLiteral("/") + name + QStringLiteral(".png"));
  return shot;
}

void TestFRicerca::layoutAsDesigned() {
  TFRicerca& w = *ricerca_;
  QCOMPARE(w.windowTitle(), QStringLiteral("Ricerca"));
  QCOMPARE(w.objectName(), QStringLiteral("FRicerca"));
  QCOMPARE(w.size(), QSize(548, 400));
  QCOMPARE(w.pos(), QPoint(288, 274));
  QVERIFY(w.isWindow());
  QVERIFY(!w.isVisible());  // created hidden
  QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));

  const std::vector<std::tuple<QLabel*, const char*, QRect>> labels = {
      {w.Label1, "Ricerca", QRect(64, 5, 49, 13)},
      {w.Label2, "  Cerca  ", QRect(306, 7, 48, 16)},
      {w.Label4, "Archivio Storico ZOLT", QRect(40, 205, 49, 13)},
      {w.Label3, "  Chiudi  ", QRect(439, 380, 49, 16)}};
  for (const auto& [label, text, place] : labels) {
    QCOMPARE(label->text(), QString::fromUtf8(text));
    QCOMPARE(label->geometry(), place);
  }
  QVERIFY(w.Label1->font().bold() && w.Label4->font().bold());
  QCOMPARE(w.Label2->palette().color(QPalette::Window), QColor(92, 133, 160));
  QCOMPARE(w.Label2->palette().color(QPalette::WindowText), QColor(Qt::white));
  QCOMPARE(w.Label2->cursor().shape(), Qt::PointingHandCursor);
  QCOMPARE(w.Edit1->geometry(), QRect(112, 5, 193, 21));
  QCOMPARE(w.ListView1->geometry(), QRect(40, 24, 463, 177));
  QCOMPARE(w.ListView1->headerItem()->text(0), QStringLiteral("Sezione"));
  QCOMPARE(w.ListView1->headerItem()->text(1), QStringLiteral("Cartella"));
  QCOMPARE(w.MRisultato->geometry(), QRect(40, 224, 465, 137));
  QCOMPARE(w.BitBtn3->text(), QStringLiteral("Cerca"));
  QCOMPARE(w.BitBtn4->text(), QStringLiteral("Chiudi"));

  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(w.Edit1->isVisible() && w.ListView1->isVisible() && w.MRisultato->isVisible());
  QVERIFY(!w.BitBtn3->isVisible() && !w.BitBtn4->isVisible());
  // The corner pictures: the top-left corner is the darkest along the edges.
  const QImage shot = Shot(QStringLiteral("fricerca"));
  for (const QPoint corner : {QPoint(1, 1), QPoint(546, 1), QPoint(1, 398), QPoint(546, 398)})
    QVERIFY2(QColor(shot.pixel(corner)) != QColor(Qt::white), "a corner picture is missing");
}

void TestFRicerca::resizingStretchesTheListsAndKeepsThemApart() {
  TFRicerca& w = *ricerca_;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.resize(800, 700);
  QCOMPARE(w.ListView1->geometry(), QRect(40, 24, 715, 477));
  QCOMPARE(w.Label3->geometry(), QRect(691, 680, 49, 16));
  // The archive label and list move down with the bottom edge, below the hit list.
  QVERIFY(w.ListView1->geometry().bottom() < w.Label4->geometry().top());
  QVERIFY(w.Label4->geometry().bottom() < w.MRisultato->geometry().top());
  QVERIFY(w.MRisultato->geometry().bottom() < w.Label3->geometry().top());
  QCOMPARE(w.MRisultato->width(), 717);
  // The "Cartella" column stretches with the list.
  QHeaderView* header = w.ListView1->header();
  QCOMPARE(header->sectionSize(0) + header->sectionSize(1), w.ListView1->viewport()->width());
  w.resize(548, 400);
  QCOMPARE(w.ListView1->geometry(), QRect(40, 24, 463, 177));
  QCOMPARE(w.MRisultato->geometry(), QRect(40, 224, 465, 137));
}

void TestFRicerca::enterRunsTheSearchAndTheKeyGoesOn() {
  Item("Giochi_/Doom_", "Uno sparatutto");
  QSignalSpy returnPressed(ricerca_->Edit1, &QLineEdit::returnPressed);
  ricerca_->show();
  QVERIFY(QTest::qWaitForWindowExposed(ricerca_.get()));
  ricerca_->Edit1->setFocus();
  QTest::keyClicks(ricerca_->Edit1, QStringLiteral("SPARA"));
  QVERIFY(Rows().isEmpty());  // typing alone does not search
  QTest::keyClick(ricerca_->Edit1, Qt::Key_Return);
  QCOMPARE(Rows(), QStringList{QStringLiteral("Giochi | Doom")});
  QCOMPARE(returnPressed.count(), 1);  // the edit box still got the key
  QCOMPARE(ricerca_->Edit1->text(), QStringLiteral("SPARA"));
  // The keypad's Enter is the same key; an empty word finds nothing.
  ricerca_->Edit1->clear();
  QTest::keyClick(ricerca_->Edit1, Qt::Key_Enter);
  QVERIFY(Rows().isEmpty());
  QCOMPARE(shell_->messages, (std::vector<QString>{kNoHit}));
}

void TestFRicerca::noHitMessageOnceAndBeforeTheArchive() {
  Item("Giochi_", "niente");
  File("Home/Archivio.xls", Workbook({{"Doom", "Id", "sparatutto"}}));
  int archiveRowsAtMessage = -1;
  shell_->onMessage = [&] { archiveRowsAtMessage = ricerca_->MRisultato->count(); };
  Search(QStringLiteral("doom"));
  QCOMPARE(shell_->messages, (std::vector<QString>{kNoHit}));
  QCOMPARE(archiveRowsAtMessage, 0);  // shown before the archive is searched
  QCOMPARE(ArchiveRows(), QStringList{QStringLiteral("Doom        Id")});
  // A word found in a description shows no message, archive hit or not.
  Search(QStringLiteral("niente"));
  QCOMPARE(shell_->messages.size(), 1u);
  QVERIFY(ArchiveRows().isEmpty());
}

void TestFRicerca::clickingAHitLeadsTheMainWindowThere() {
  Item("Giochi_/Doom_II_/Livello_1_", "Primo livello di Doom");
  Item("Giochi_/Quake_", "Non Doom");
  zolt_->CartellaSezione = "Altro_";
  Search(QStringLiteral("doom"));
  QCOMPARE(Rows(), (QStringList{QStringLiteral("Giochi | DoomII\\Livello1"), QStringLiteral("Giochi | Quake")}));
  QCOMPARE(ricerca_->ListBox2, (std::vector<std::string>{"Giochi_/Doom_II_/Livello_1_", "Giochi_/Quake_"}));
  ricerca_->show();
  QVERIFY(QTest::qWaitForWindowExposed(ricerca_.get()));

  const QRect first = ricerca_->ListView1->visualItemRect(ricerca_->ListView1->topLevelItem(0));
  QTest::mouseMove(ricerca_->ListView1->viewport(), first.center());
  QTest::qWait(20);
  Shot(QStringLiteral("fricerca-hover"));
  Click(first.center());
  QCOMPARE(zolt_->PercorsoProdotto, root_ + "Giochi_/Doom_II_/Livello_1_");
  QCOMPARE(zolt_->LProdotto->text(), QStringLiteral("DoomII\\Livello1"));
  QVERIFY(zolt_->MemoTesto->toPlainText().contains(QStringLiteral("Primo livello")));
  QCOMPARE(zolt_->CartellaSezione, std::string("Altro_"));  // nothing else of the main window changes

  // A click on the empty part of the list leads to the selected row again.
  zolt_->PercorsoProdotto.clear();
  Click(QPoint(first.center().x(), ricerca_->ListView1->viewport()->height() - 5));
  QCOMPARE(zolt_->PercorsoProdotto, root_ + "Giochi_/Doom_II_/Livello_1_");

  // A double click leads there as well.
  const QRect second = ricerca_->ListView1->visualItemRect(ricerca_->ListView1->topLevelItem(1));
  QTest::mouseDClick(ricerca_->ListView1->viewport(), Qt::LeftButton, {}, second.center());
  QCOMPARE(zolt_->PercorsoProdotto, root_ + "Giochi_/Quake_");
  QVERIFY(zolt_->MemoTesto->toPlainText().contains(QStringLiteral("Non Doom")));
  QVERIFY(ricerca_->isVisible());
  zolt_->PercorsoProdotto.clear();
  QTest::mouseDClick(ricerca_->ListView1->viewport(), Qt::LeftButton, {},
                     QPoint(second.center().x(), ricerca_->ListView1->viewport()->height() - 5));
  QCOMPARE(zolt_->PercorsoProdotto, root_ + "Giochi_/Quake_");

  // With nothing selected a click leads nowhere.
  ricerca_->ListView1->clearSelection();
  zolt_->PercorsoProdotto = "unchanged";
  ricerca_->ListView1DblClick();
  QCOMPARE(zolt_->PercorsoProdotto, std::string("unchanged"));
}

void TestFRicerca::topLevelHitGivesAnEmptyTitle() {
  Item("Giochi_", "Tutti i giochi");
  Search(QStringLiteral("giochi"));
  QCOMPARE(Rows(), QStringList{QStringLiteral("Giochi | ")});
  zolt_->LProdotto->setText(QStringLiteral("prima"));
  ricerca_->ListView1->topLevelItem(0)->setSelected(true);
  ricerca_->ListView1DblClick();
  QCOMPARE(zolt_->PercorsoProdotto, root_ + "Giochi_");
  QCOMPARE(zolt_->LProdotto->text(), QString());
  QVERIFY(zolt_->MemoTesto->toPlainText().contains(QStringLiteral("Tutti i giochi")));
}

void TestFRicerca::closingHidesAndReopeningKeepsEverything() {
  Item("Giochi_/Doom_", "doom");
  Item("Giochi_/Doom_/Livello_Uno_", "doom");
  File("HOME/ARCHIVIO.XLS", Workbook({{"Doom", "Id", ""}}));  // found without regard to case
  ricerca_->show();
  QVERIFY(QTest::qWaitForWindowExposed(ricerca_.get()));
  Search(QStringLiteral("doom"));
  const QPointer<TFRicerca> guard(ricerca_.get());
  QVERIFY(!ricerca_->close());  // the close is refused: the window hides instead
  QVERIFY(guard && !ricerca_->isVisible());
  ricerca_->show();
  Shot(QStringLiteral("fricerca-reopened"));
  QCOMPARE(ricerca_->Edit1->text(), QStringLiteral("doom"));
  QCOMPARE(Rows(), (QStringList{QStringLiteral("Giochi | Doom"), QStringLiteral("Giochi | Doom\\LivelloUno")}));
  QCOMPARE(ArchiveRows(), QStringList{QStringLiteral("Doom        Id")});
  // "  Chiudi  " hides the window as well, and keeps its contents.
  QTest::mouseClick(ricerca_->Label3, Qt::LeftButton);
  QVERIFY(!ricerca_->isVisible());
  ricerca_->show();
  QCOMPARE(Rows().size(), 2);
  QCOMPARE(ricerca_->ListBox2, (std::vector<std::string>{"Giochi_/Doom_", "Giochi_/Doom_/Livello_Uno_"}));
}

void TestFRicerca::previousArchiveRowsNeverOutliveANewSearch_data() {
  QTest::addColumn<int>("kind");
  QTest::newRow("missing") << 0;
  QTest::newRow("not a workbook") << 1;
  QTest::newRow("truncated") << 2;
  QTest::newRow("encrypted") << 3;
  QTest::newRow("a folder") << 4;
  QTest::newRow("compound file header only") << 5;
}

void TestFRicerca::previousArchiveRowsNeverOutliveANewSearch() {
  QFETCH(int, kind);
  const std::string good = Workbook({{"Doom", "Id", ""}, {"Doom II", "Id", ""}});
  Item("Giochi_/Doom_", "doom");
  File("Home/Archivio.xls", good);
  Search(QStringLiteral("doom"));
  QCOMPARE(ArchiveRows().size(), 2);

  fs::remove(fs::path(root_) / "Home/Archivio.xls");
  switch (kind) {
    case 1: File("Home/Archivio.xls", "Questo non è un foglio di lavoro.\n"); break;
    case 2: File("Home/Archivio.xls", good.substr(0, good.size() - 9)); break;
    case 3: File("Home/Archivio.xls", Workbook({{"Doom", "Id", ""}}, Record(0x002F, std::string(4, '\1')))); break;
    case 4: fs::create_directories(fs::path(root_) / "Home/Archivio.xls"); break;
    case 5: File("Home/Archivio.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(600, '\0')); break;
    default: break;
  }
  Search(QStringLiteral("doom"));
  QVERIFY(ArchiveRows().isEmpty());
  QCOMPARE(Rows(), QStringList{QStringLiteral("Giochi | Doom")});  // the hits are all there
  // The window stays usable: a good workbook is read again by the next search.
  fs::remove_all(fs::path(root_) / "Home/Archivio.xls");
  File("Home/Archivio.xls", good);
  Search(QStringLiteral("II"));
  QCOMPARE(ArchiveRows(), QStringList{QStringLiteral("Doom II        Id")});
}

void TestFRicerca::unreadableDescriptionDoesNotEndTheSearch() {
  fs::create_directories(fs::path(root_) / "A_");
  fs::create_symlink("testo.txt", fs::path(root_) / "A_/testo.txt");  // loops: cannot be opened
  fs::create_directories(fs::path(root_) / "B_");
  QVERIFY(mkfifo((fs::path(root_) / "B_/testo.txt").c_str(), 0644) == 0);
  Item("C_", "parola");
  File("Home/Archivio.xls", Workbook({{"una parola", "x", ""}}));
  Search(QStringLiteral("parola"));
  QCOMPARE(Rows(), QStringList{QStringLiteral("C | ")});
  QCOMPARE(ArchiveRows(), QStringList{QStringLiteral("una parola        x")});
  QVERIFY(shell_->messages.empty());
}

void TestFRicerca::labelButtonsUnderlineUnderTheMouse() {
  ricerca_->show();
  QVERIFY(QTest::qWaitForWindowExposed(ricerca_.get()));
  for (zolt::LabelButton* label : {ricerca_->Label2, ricerca_->Label3}) {
    const QColor background = label->palette().color(QPalette::Window);
    QTest::mouseMove(label, QPoint(10, 8));
    QTRY_VERIFY(label->font().underline());
    ricerca_->Label2MouseLeave(label);
    QVERIFY(!label->font().underline() && !label->font().bold() && !label->font().italic());
    QCOMPARE(label->palette().color(QPalette::Window), background);  // colours never change
  }
  // A click on "  Cerca  " runs the search like Enter.
  Item("X_", "trovato");
  ricerca_->Edit1->setText(QStringLiteral("trovato"));
  QTest::mouseClick(ricerca_->Label2, Qt::LeftButton);
  QCOMPARE(Rows(), QStringList{QStringLiteral("X | ")});
}

// With nothing found, descriptions that could not be read are counted on a
// second line; when every one was read the sentence stands alone.
void TestFRicerca::noHitMessageCountsUnreadableDescriptions_data() {
  QTest::addColumn<int>("unreadable");
  QTest::addColumn<QString>("message");
  QTest::newRow("all read") << 0 << kNoHit;
  QTest::newRow("one") << 1 << kNoHit + QStringLiteral("\n(1 descrizione non leggibile)");
  QTest::newRow("two") << 2 << kNoHit + QStringLiteral("\n(2 descrizioni non leggibili)");
  // A third, over the page's limit by 16 GB: counted, never read through.
  QTest::newRow("two and a huge one") << 3 << kNoHit + QStringLiteral("\n(3 descrizioni non leggibili)");
}

void TestFRicerca::noHitMessageCountsUnreadableDescriptions() {
  QFETCH(int, unreadable);
  QFETCH(QString, message);
  Item("C_", "altro");
  for (int i = 0; i < unreadable; ++i) {
    const fs::path folder = fs::path(root_) / ("F" + std::to_string(i) + "_");
    fs::create_directories(folder);
    if (i == 2) {
      std::ofstream(folder / "testo.txt") << "parola";
      fs::resize_file(folder / "testo.txt", 16ULL << 30);  // sparse
      continue;
    }
    fs::create_symlink("testo.txt", folder / "testo.txt");  // a loop: cannot be opened
  }
  Search(QStringLiteral("parola"));
  QCOMPARE(shell_->messages, std::vector<QString>{message});
}

// Tab walks the controls in the layout's order; Space on "  Cerca  " searches,
// Enter on a hit leads there, Esc hides the window.
void TestFRicerca::keyboardReachesEveryControl() {
  Item("Giochi_/Doom_", "doom");
  ricerca_->show();
  ricerca_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(ricerca_.get()));
  ricerca_->Edit1->setFocus(Qt::TabFocusReason);
  QStringList order{ricerca_->focusWidget()->objectName()};
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(ricerca_->focusWidget(), Qt::Key_Tab);
    order << ricerca_->focusWidget()->objectName();
  }
  QCOMPARE(order, (QStringList{"Edit1", "Label2", "ListView1", "MRisultato", "Label3"}));
  ricerca_->Edit1->setText(QStringLiteral("doom"));
  QTest::keyClick(ricerca_->Label2, Qt::Key_Space);
  QCOMPARE(Rows(), QStringList{QStringLiteral("Giochi | Doom")});
  ricerca_->ListView1->setFocus(Qt::TabFocusReason);
  ricerca_->ListView1->setCurrentItem(ricerca_->ListView1->topLevelItem(0));
  QTest::keyClick(ricerca_->ListView1, Qt::Key_Return);
  QCOMPARE(zolt_->PercorsoProdotto, root_ + "Giochi_/Doom_");
  QTest::keyClick(ricerca_->ListView1, Qt::Key_Escape);
  QVERIFY(ricerca_->isHidden());
  const QAccessibleInterface* edit = QAccessible::queryAccessibleInterface(ricerca_->Edit1);
  QCOMPARE(edit->text(QAccessible::Name), QStringLiteral("Ricerca"));
  const QAccessibleInterface* cerca = QAccessible::queryAccessibleInterface(ricerca_->Label2);
  QCOMPARE(cerca->role(), QAccessible::Button);
  QCOMPARE(cerca->text(QAccessible::Name), QStringLiteral("Cerca"));
}

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  TestFRicerca test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_fricerca.moc"
