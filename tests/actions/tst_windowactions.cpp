// The main window's buttons and links, clicked as a user does, and what
// reaches the desktop shell: install, browse, banner, description links (left
// and right button) and footer.

#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>

#include "look/labelbutton.h"
#include "app/zolt.h"
#include "platform/rtf/richtextviewer.h"
#include "recordingshell.h"
#include "windowtest.h"

using zolt::test::TempDisc;

class WindowActionsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDisc> disc_;
  std::unique_ptr<TZolt> zolt_;
  std::unique_ptr<RecordingShell> shell_;

  void ClickEntry(const QString& text) {
    const auto found = zolt_->Elenco->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(found.size() == 1, qPrintable(text));
    zolt_->Elenco->scrollToItem(found[0]);
    QTest::mouseClick(zolt_->Elenco->viewport(), Qt::LeftButton, {},
                      zolt_->Elenco->visualItemRect(found[0]).center());
    QCOMPARE(zolt_->PercorsoProdotto, disc_->Path("Giochi_/" + text.toStdString() + "_"));
  }

  // Where the description shows `text`, in the viewer's viewport.
  QPoint TextAt(const QString& text) {
    const QTextCursor found = zolt_->MemoTesto->document()->find(text);
    if (found.isNull()) return {-1, -1};
    QTextCursor middle(zolt_->MemoTesto->document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    return zolt_->MemoTesto->cursorRect(middle).center();
  }

 private slots:
  void init() {
    disc_ = std::make_unique<TempDisc>();
    disc_->File("Home/scheda.htm", "<html><body>Home</body></html>");
    disc_->Item("Giochi_/Doom_", "Sito: www.doom.example oppure https://id.example/doom e basta");
    disc_->File("Giochi_/Doom_/Setup.TXT", "Bin\\Setup.exe\r\nignored\r\n");
    disc_->File("Giochi_/Doom_/bin/setup.exe", "MZ");
    disc_->File("Giochi_/Doom_/banner.gif", zolt::test::Gif(468, 60, 2));
    disc_->File("Giochi_/Doom_/banner.txt", "https://banner.example/\r\ndoom\r\n");
    disc_->Item("Giochi_/Quake_", "Quake");
    disc_->File("Giochi_/Quake_/programmi/quake.exe", "MZ");
    shell_ = std::make_unique<RecordingShell>();
    zolt_ = std::make_unique<TZolt>();
    zolt_->show();
    QVERIFY(QTest::qWaitForWindowExposed(zolt_.get()));
    QTest::mouseClick(zolt_->Linguette[0], Qt::LeftButton);
    QVERIFY(zolt_->Elenco->topLevelItemCount() == 2);
  }

  void cleanup() {
    zolt_.reset();
    shell_.reset();
    disc_.reset();
  }

  void install_setupLineElseProgramFile() {
    ClickEntry(QStringLiteral("Doom"));
    QVERIFY(zolt_->Label4->isVisible());
    QTest::mouseClick(zolt_->Label4, Qt::LeftButton);
    ClickEntry(QStringLiteral("Quake"));
    QVERIFY(zolt_->Label4->isVisible());
    QTest::mouseClick(zolt_->Label4, Qt::LeftButton);
    QCOMPARE(shell_->opened, (std::vector<std::string>{disc_->Path("Giochi_/Doom_/bin/setup.exe"),
                                                       disc_->Path("Giochi_/Quake_/programmi/quake.exe")}));
  }

  void browseBannerAndFooter() {
    ClickEntry(QStringLiteral("Doom"));
    QTest::mouseClick(zolt_->Label1, Qt::LeftButton);
    QVERIFY(zolt_->Banner->isVisible());
    QTest::mouseClick(zolt_->Banner, Qt::LeftButton);
    QTest::mouseClick(zolt_->Label6, Qt::LeftButton);
    QCOMPARE(shell_->opened.size(), 3u);
    QCOMPARE(shell_->opened[0], disc_->Path("Giochi_/Doom_"));
    QCOMPARE(shell_->opened[1], std::string("https://banner.example/doom"));
    QVERIFY2(shell_->opened[2].starts_with("https://"), shell_->opened[2].c_str());
  }

  void descriptionLinks_eitherButtonSameLink() {
    ClickEntry(QStringLiteral("Doom"));
    const QPoint first = TextAt(QStringLiteral("www.doom.example"));
    const QPoint second = TextAt(QStringLiteral("https://id.example/doom"));
    const QPoint plain = TextAt(QStringLiteral("oppure"));
    QVERIFY(first.x() >= 0 && second.x() >= 0 && plain.x() >= 0);
    QWidget* viewport = zolt_->MemoTesto->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, first);
    QTest::mouseClick(viewport, Qt::RightButton, {}, second);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, plain);
    QTest::mousePress(viewport, Qt::LeftButton, {}, first);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, second);
    QTest::mousePress(viewport, Qt::RightButton, {}, second);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, plain);
    // The viewer may hand a bare "www." address on with its scheme.
    QCOMPARE(shell_->opened.size(), 2u);
    QVERIFY(shell_->opened[0] == "www.doom.example" || shell_->opened[0] == "http://www.doom.example");
    QCOMPARE(shell_->opened[1], std::string("https://id.example/doom"));
  }
};

ZOLT_WINDOW_TEST_MAIN(WindowActionsTest)
#include "tst_windowactions.moc"
