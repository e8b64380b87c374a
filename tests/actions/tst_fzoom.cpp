// The zoom window as MostraZoom shows it: modal, sized, stretched, closed by
// its menu, destroyed every time, and never shown for a bad picture.

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "actions/fzoom.h"
#include "actions/itemactions.h"
#include "disc/catalogue.h"
#include "testfiles.h"

namespace {

TFZoom* OpenZoom() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* zoom = qobject_cast<TFZoom*>(w)) return zoom;
  }
  return nullptr;
}

int CountZooms() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<TFZoom*>(w) != nullptr;
  return n;
}

}  // namespace

class ZoomTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir tmp_;
  std::string picture_;

  // Runs `check` on the zoom window once it is up, then closes it by `how`.
  void WhileShown(const std::function<void(TFZoom*)>& check) {
    QTimer::singleShot(0, this, [check] {
      TFZoom* zoom = OpenZoom();
      if (!zoom) {
        QFAIL("no zoom window");
        return;
      }
      check(zoom);
      zoom->Chiudi1->trigger();
    });
  }

 private slots:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    // The zoom reads pictures of the disc only: the temporary folder is the disc.
    zolt::catalogue::SetDiscRootForTesting(tmp_.path().toStdString());
    // Four quadrants: red, green / blue, white.
    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 80; ++x) {
        const bool left = x < 40, top = y < 30;
        image.setPixel(x, y, top ? (left ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                 : (left ? qRgb(0, 0, 255) : qRgb(255, 255, 255)));
      }
    }
    picture_ = (tmp_.path() + QStringLiteral("/img.jpg")).toStdString();
    QVERIFY(image.save(QString::fromStdString(picture_), "JPG", 95));
  }

  void shown_modalSizedAndDestroyed() {
    QPointer<TFZoom> seen;
    bool modal = false, activeModal = false, minMax = false;
    QSize client;
    QString caption, menu;
    WhileShown([&](TFZoom* zoom) {
      seen = zoom;
      modal = zoom->isModal() && zoom->isVisible();
      activeModal = QApplication::activeModalWidget() == zoom;
      minMax = zoom->windowFlags().testFlag(Qt::WindowMinimizeButtonHint) &&
               zoom->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
      client = zoom->size();
      caption = zoom->windowTitle();
      const auto actions = zoom->PopupMenu1->actions();
      menu = actions.size() == 1 ? actions[0]->text() : QStringLiteral("%1 items").arg(actions.size());
    });
    zolt::actions::MostraZoom(picture_);
    QVERIFY(modal);
    QVERIFY(activeModal);
    QVERIFY(minMax);
    QCOMPARE(client, QSize(TFZoom::kClientWidth, TFZoom::kClientHeight));
    QCOMPARE(caption, QStringLiteral("Zoom"));
    QCOMPARE(menu, QStringLiteral("Chiudi"));
    QVERIFY(seen.isNull());
    QCOMPARE(CountZooms(), 0);
  }

  // Enlarged to other proportions, the picture follows and is distorted.
  void resized_pictureFillsWholeClientArea() {
    QImage shot;
    QSize pictureSize;
    WhileShown([&](TFZoom* zoom) {
      zoom->resize(400, 100);
      QApplication::sendPostedEvents();
      pictureSize = zoom->FEJpeg1->size();
      shot = zoom->FEJpeg1->grab().toImage();
    });
    zolt::actions::MostraZoom(picture_);
    QCOMPARE(pictureSize, QSize(400, 100));
    const auto near = [](QRgb a, QRgb b) {
      return qAbs(qRed(a) - qRed(b)) < 40 && qAbs(qGreen(a) - qGreen(b)) < 40 &&
             qAbs(qBlue(a) - qBlue(b)) < 40;
    };
    QVERIFY(near(shot.pixel(5, 5), qRgb(255, 0, 0)));
    QVERIFY(near(shot.pixel(394, 5), qRgb(0, 255, 0)));
    QVERIFY(near(shot.pixel(5, 94), qRgb(0, 0, 255)));
    QVERIFY(near(shot.pixel(394, 94), qRgb(255, 255, 255)));
    QVERIFY(near(shot.pixel(190, 45), qRgb(255, 0, 0)));  // quadrants meet at the middle
  }

  void twiceInARow_freshWindowAtDefaultSize() {
    QPointer<TFZoom> first;
    WhileShown([&](TFZoom* zoom) {
      first = zoom;
      zoom->resize(700, 500);
    });
    zolt::actions::MostraZoom(picture_);
    QVERIFY(first.isNull());
    QSize second;
    WhileShown([&](TFZoom* zoom) { second = zoom->size(); });
    zolt::actions::MostraZoom(picture_);
    QCOMPARE(second, QSize(TFZoom::kClientWidth, TFZoom::kClientHeight));
    QCOMPARE(CountZooms(), 0);
  }

  void badPicture_throwsAndShowsNothing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("garbage") << QByteArray("this is not a picture at all");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("a pipe: refused, never waited on") << QByteArray("fifo");
    QTest::newRow("a link to a good picture off the disc") << QByteArray("outside");
    // A small picture's scan 256 times over, its header claiming 10,000 x
    // 10,000, with the bytes such a picture may have: over the decoder's work.
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPEG");
    const qsizetype scan = jpeg.lastIndexOf("\xFF\xDA");
    const QByteArray last = jpeg.mid(scan, jpeg.size() - 2 - scan);
    jpeg.chop(2);
    jpeg += last.repeated(255) + "\xFF\xD9";
    const qsizetype frame = jpeg.indexOf("\xFF\xC0") + 5;
    jpeg.replace(frame, 4, "\x27\x10\x27\x10");
    const QByteArray comment = "\xFF\xFE\xFF\xFF" + QByteArray(0xFFFF - 2, ' ');
    QTest::newRow("10,000 x 10,000 in 256 scans") << jpeg.left(2) + comment.repeated(4) + jpeg.mid(2);
  }
  void badPicture_throwsAndShowsNothing() {
    QFETCH(QByteArray, bytes);
    const std::string path = (tmp_.path() + QStringLiteral("/bad-%1.jpg")
                                                 .arg(QString::fromLatin1(QTest::currentDataTag())))
                                 .toStdString();
    QTemporaryDir elsewhere;
    if (bytes == "fifo") {
      QCOMPARE(::mkfifo(path.c_str(), 0644), 0);
    } else if (bytes == "outside") {
      const QString good = elsewhere.filePath(QStringLiteral("img.jpg"));
      QVERIFY(QFile::copy(tmp_.filePath(QStringLiteral("img.jpg")), good));
      QCOMPARE(::symlink(good.toLocal8Bit().constData(), path.c_str()), 0);
    } else if (!bytes.isNull()) {
      testfiles::Write(path, bytes.toStdString());
    }
    bool shown = false;
    QTimer guard;
    guard.setInterval(0);
    connect(&guard, &QTimer::timeout, this, [&] {
      if (TFZoom* zoom = OpenZoom(); zoom && zoom->isVisible()) {
        shown = true;
        zoom->close();
      }
    });
    guard.start();
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, zolt::actions::MostraZoom(path));
    QApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(CountZooms(), 0);
  }
};

QTEST_MAIN(ZoomTest)
#include "tst_fzoom.moc"
