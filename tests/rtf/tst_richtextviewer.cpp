// The description viewer: a click on a link is a press and a release of the
// same button, left or right, on the same link, without a drag; nothing else
// is. Text is selected by dragging, and the keyboard reaches the links.

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include "platform/rtf/richtextviewer.h"

using zolt::RichTextViewer;

namespace {

// Two links on one line with plain text around them.
constexpr std::string_view kTwoLinks =
    "{\\rtf1 Start {\\field{\\*\\fldinst HYPERLINK \"http://one.example/\"}{\\fldrslt first}}"
    " middle www.two.example end\\par plain line}";

}  // namespace

class TestRichTextViewer : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void clickOnALinkReportsItsAddress_data();
  void clickOnALinkReportsItsAddress();
  void pressesAndReleasesThatAreNoClick_data();
  void pressesAndReleasesThatAreNoClick();
  void otherButtonsInBetween();
  void dragSelectsAndCopies_data();
  void dragSelectsAndCopies();
  void keyboardStepsThroughTheLinks();
  void cursorIsAnArrowAndAHandOverLinks();
  void textColourFollowsThePaletteUnlessTheWriterSetOne();
  void clearAndReload();
  void eachLoadKeepsFontAndMarginAndFreesThePreviousText();
  void aLoadedDescriptionWrapsAtTheViewersWidth();

 private:
  QPoint pointOf(const QString& text) const;

  RichTextViewer* viewer_ = nullptr;
};

void TestRichTextViewer::init() {
  viewer_ = new RichTextViewer;
  viewer_->resize(500, 200);
  viewer_->LoadRtf(kTwoLinks);
  viewer_->show();
  QVERIFY(QTest::qWaitForWindowExposed(viewer_));
}

void TestRichTextViewer::cleanup() {
  delete viewer_;
  viewer_ = nullptr;
}

// The viewport point in the middle of the first character of `text`.
QPoint TestRichTextViewer::pointOf(const QString& text) const {
  const int position = static_cast<int>(viewer_->document()->toRawText().indexOf(text));
  QTextCursor cursor(viewer_->document());
  cursor.setPosition(position);
  const QRect before = viewer_->cursorRect(cursor);
  cursor.setPosition(position + 1);
  const QRect after = viewer_->cursorRect(cursor);
  return QPoint((before.left() + after.left()) / 2, before.center().y());
}

void TestRichTextViewer::clickOnALinkReportsItsAddress_data() {
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<QString>("where");
  QTest::addColumn<QString>("address");
  QTest::addColumn<int>("moved");  // pixels the mouse moves along the link between press and release
  QTest::newRow("left, field link") << Qt::LeftButton << QStringLiteral("first") << QStringLiteral("http://one.example/") << 0;
  QTest::newRow("right, field link") << Qt::RightButton << QStringLiteral("first") << QStringLiteral("http://one.example/") << 0;
  QTest::newRow("left, address in the text") << Qt::LeftButton << QStringLiteral("two.ex") << QStringLiteral("http://www.two.example") << 0;
  QTest::newRow("right, address in the text") << Qt::RightButton << QStringLiteral("two.ex") << QStringLiteral("http://www.two.example") << 0;
  // The right button selects nothing, so moving it a little is no drag.
  QTest::newRow("right, moved along the link") << Qt::RightButton << QStringLiteral("first") << QStringLiteral("http://one.example/") << 12;
}

void TestRichTextViewer::clickOnALinkReportsItsAddress() {
  QFETCH(Qt::MouseButton, button);
  QFETCH(QString, where);
  QFETCH(QString, address);
  QFETCH(int, moved);
  QSignalSpy clicks(viewer_, &RichTextViewer::linkClicked);
  const QPoint at = pointOf(where), to = at + QPoint(moved, 0);
  QTest::mousePress(viewer_->viewport(), button, Qt::NoModifier, at);
  if (moved != 0) {
    QMouseEvent move(QEvent::MouseMove, to, viewer_->viewport()->mapToGlobal(to), Qt::NoButton, button, Qt::NoModifier);
    QCoreApplication::sendEvent(viewer_->viewport(), &move);
  }
  QTest::mouseRelease(viewer_->viewport(), button, Qt::NoModifier, to);
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(clicks.at(0).at(0).toString(), address);
}

void TestRichTextViewer::pressesAndReleasesThatAreNoClick_data() {
  QTest::addColumn<Qt::MouseButton>("button");
  QTest::addColumn<QString>("pressAt");
  QTest::addColumn<QString>("releaseAt");
  QTest::newRow("press on one link, release on another") << Qt::LeftButton << QStringLiteral("first") << QStringLiteral("two.ex");
  QTest::newRow("right: one link to another") << Qt::RightButton << QStringLiteral("two.ex") << QStringLiteral("first");
  QTest::newRow("press on a link, release on text") << Qt::LeftButton << QStringLiteral("first") << QStringLiteral("middle");
  QTest::newRow("right: press on a link, release on text") << Qt::RightButton << QStringLiteral("first") << QStringLiteral("middle");
  QTest::newRow("press on text, release on a link") << Qt::RightButton << QStringLiteral("middle") << QStringLiteral("first");
  QTest::newRow("plain text") << Qt::LeftButton << QStringLiteral("plain") << QStringLiteral("plain");
  QTest::newRow("middle button on a link") << Qt::MiddleButton << QStringLiteral("first") << QStringLiteral("first");
}

void TestRichTextViewer::pressesAndReleasesThatAreNoClick() {
  QFETCH(Qt::MouseButton, button);
  QFETCH(QString, pressAt);
  QFETCH(QString, releaseAt);
  QSignalSpy clicks(viewer_, &RichTextViewer::linkClicked);
  QTest::mousePress(viewer_->viewport(), button, Qt::NoModifier, pointOf(pressAt));
  QTest::mouseMove(viewer_->viewport(), pointOf(releaseAt));
  QTest::mouseRelease(viewer_->viewport(), button, Qt::NoModifier, pointOf(releaseAt));
  QCOMPARE(clicks.count(), 0);
}

void TestRichTextViewer::otherButtonsInBetween() {
  QSignalSpy clicks(viewer_, &RichTextViewer::linkClicked);
  const QPoint link = pointOf(QStringLiteral("first"));
  // Left pressed, right released: the release of another button is no click.
  QTest::mousePress(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, link);
  QTest::mouseRelease(viewer_->viewport(), Qt::RightButton, Qt::NoModifier, link);
  QCOMPARE(clicks.count(), 0);
  QTest::mouseRelease(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, link);
  QCOMPARE(clicks.count(), 1);
  // A release without a press (the press went to another window) is nothing.
  QTest::mouseRelease(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, link);
  QCOMPARE(clicks.count(), 1);
  // A double click (press, release, double-click press, release) opens the link once.
  QTest::mouseClick(viewer_->viewport(), Qt::RightButton, Qt::NoModifier, link);
  QMouseEvent second(QEvent::MouseButtonDblClick, link, viewer_->viewport()->mapToGlobal(link), Qt::RightButton,
                     Qt::RightButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewer_->viewport(), &second);
  QMouseEvent release(QEvent::MouseButtonRelease, link, viewer_->viewport()->mapToGlobal(link), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(viewer_->viewport(), &release);
  QCOMPARE(clicks.count(), 2);
}

// Dragging selects text, which Ctrl+C copies; the text stays as it was, and
// a drag that starts on a link selects without opening it.
void TestRichTextViewer::dragSelectsAndCopies_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<QString>("to");
  QTest::newRow("plain text into the next line") << QStringLiteral("Start") << QStringLiteral("plain");
  QTest::newRow("from a link across its own text") << QStringLiteral("first") << QStringLiteral("irst");
}

void TestRichTextViewer::dragSelectsAndCopies() {
  QFETCH(QString, from);
  QFETCH(QString, to);
  QSignalSpy clicks(viewer_, &RichTextViewer::linkClicked);
  const QString before = viewer_->toPlainText();
  const QPoint start = pointOf(from);
  QPoint end = pointOf(to);
  if (from == QStringLiteral("first")) end.rx() += 12;  // further along the same link
  QTest::mousePress(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, start);
  QMouseEvent move(QEvent::MouseMove, end, viewer_->viewport()->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(viewer_->viewport(), &move);
  QTest::mouseRelease(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, end);
  QCOMPARE(clicks.count(), 0);
  const QString selected = viewer_->textCursor().selectedText();
  QVERIFY2(!selected.isEmpty(), "a drag selected nothing");
  QTest::keyClick(viewer_, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QGuiApplication::clipboard()->text(), QString(selected).replace(QChar::ParagraphSeparator, u'\n'));
  QTest::keyClicks(viewer_, QStringLiteral("typed"));
  QCOMPARE(viewer_->toPlainText(), before);
}

// From the keyboard: Tab marks the links one after the other, Enter or
// Space opens the one marked, and past the last link Tab leaves the text.
void TestRichTextViewer::keyboardStepsThroughTheLinks() {
  QWidget window;
  auto* before = new QLineEdit(&window);
  auto* viewer = new RichTextViewer(&window);
  auto* after = new QLineEdit(&window);
  viewer->setGeometry(0, 30, 400, 100);
  after->move(0, 140);
  viewer->LoadRtf(kTwoLinks);
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QSignalSpy clicks(viewer, &RichTextViewer::linkClicked);
  before->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(before, Qt::Key_Tab);
  QVERIFY(viewer->hasFocus());
  QCOMPARE(viewer->focusedLink(), QStringLiteral("http://one.example/"));
  QTest::keyClick(viewer, Qt::Key_Return);
  QTest::keyClick(viewer, Qt::Key_Tab);
  QCOMPARE(viewer->focusedLink(), QStringLiteral("http://www.two.example"));
  QTest::keyClick(viewer, Qt::Key_Space);
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(clicks.at(0).at(0).toString(), QStringLiteral("http://one.example/"));
  QCOMPARE(clicks.at(1).at(0).toString(), QStringLiteral("http://www.two.example"));
  QTest::keyClick(viewer, Qt::Key_Tab);
  QVERIFY(after->hasFocus());
  QTest::keyClick(after, Qt::Key_Backtab);
  QCOMPARE(viewer->focusedLink(), QStringLiteral("http://www.two.example"));
}

void TestRichTextViewer::cursorIsAnArrowAndAHandOverLinks() {
  QTRY_COMPARE(viewer_->viewport()->cursor().shape(), Qt::ArrowCursor);
  QTest::mouseMove(viewer_->viewport(), pointOf(QStringLiteral("first")));
  QTRY_COMPARE(viewer_->viewport()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(viewer_->viewport(), pointOf(QStringLiteral("middle")));
  QTRY_COMPARE(viewer_->viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TestRichTextViewer::textColourFollowsThePaletteUnlessTheWriterSetOne() {
  QPalette navy = viewer_->palette();
  navy.setColor(QPalette::Text, QColor(0, 0, 128));
  viewer_->setPalette(navy);
  viewer_->LoadRtf("{\\rtf1{\\colortbl;\\red200\\green0\\blue0;}plain \\cf1 red}");
  const QImage picture = viewer_->grab().toImage();
  bool sawNavy = false;
  bool sawRed = false;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      sawNavy = sawNavy || (c.blue() > 100 && c.red() < 40 && c.green() < 40);
      sawRed = sawRed || (c.red() > 150 && c.green() < 60 && c.blue() < 60);
    }
  }
  QVERIFY2(sawNavy, "text without a colour of its own is not in the palette's colour");
  QVERIFY2(sawRed, "the writer's colour is lost");
}

void TestRichTextViewer::clearAndReload() {
  QSignalSpy clicks(viewer_, &RichTextViewer::linkClicked);
  const QPoint link = pointOf(QStringLiteral("first"));
  QTest::mousePress(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, link);
  viewer_->LoadRtf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://other/\"}{\\fldrslt first}}}");
  QTest::mouseRelease(viewer_->viewport(), Qt::LeftButton, Qt::NoModifier, pointOf(QStringLiteral("first")));
  QCOMPARE(clicks.count(), 0);  // pressed on the old page's link, released on the new page's
  viewer_->Clear();
  QVERIFY(viewer_->toPlainText().isEmpty());
  QVERIFY(viewer_->document()->isEmpty());
}

void TestRichTextViewer::eachLoadKeepsFontAndMarginAndFreesThePreviousText() {
  QFont font = viewer_->font();
  font.setPointSize(17);
  viewer_->setFont(font);
  viewer_->document()->setDocumentMargin(1);
  const QPointer<QTextDocument> previous = viewer_->document();
  viewer_->LoadRtf("{\\rtf1 again}");
  QCOMPARE(viewer_->document()->defaultFont().pointSize(), 17);
  QCOMPARE(viewer_->document()->documentMargin(), 1.0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY2(previous.isNull(), "the previous description stays in memory");
  font.setPointSize(9);
  viewer_->setFont(font);
  QCOMPARE(viewer_->document()->defaultFont().pointSize(), 9);
}

void TestRichTextViewer::aLoadedDescriptionWrapsAtTheViewersWidth() {
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 200; ++i) rtf += "parola ";
  rtf += "}";
  viewer_->LoadRtf(rtf);
  QTest::qWait(0);
  const int width = viewer_->viewport()->width();
  QVERIFY2(viewer_->document()->idealWidth() <= width,
           "the text runs past the viewer's right edge instead of wrapping");
  QVERIFY(viewer_->document()->size().height() > 5 * viewer_->fontMetrics().height());
  QCOMPARE(viewer_->horizontalScrollBar()->maximum(), 0);
}

QTEST_MAIN(TestRichTextViewer)
#include "tst_richtextviewer.moc"
