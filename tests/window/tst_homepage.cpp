// The Home page as a page of the disc: what its script may read, send, open
// and ask, with a loopback server standing for the network. Every wait is
// bounded; what must not happen is watched for a moment after the page is
// done.

#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QNetworkDatagram>
#include <QWebEngineView>
#include <memory>

#include "app/homepage.h"
#include "look/labelbutton.h"
#include "app/zolt.h"
#include "windowtest.h"

using zolt::test::RecordingShell;
using zolt::test::TempDisc;

namespace {

constexpr int kWaitMs = 15000;   // for what the page must do
constexpr int kWatchMs = 700;    // for what it must not do, once done

// An HTTP server on 127.0.0.1 that records the path of every request. "/web"
// is a web page that opens a WebSocket back to the server; a WebSocket is
// recorded and never answered; anything else is an empty page. A datagram to
// the same port is recorded as "udp".
class Loopback : public QObject {
 public:
  Loopback() {
    QVERIFY(server_.listen(QHostAddress::LocalHost));
    QVERIFY(datagrams_.bind(QHostAddress::LocalHost, server_.serverPort()));
    connect(&datagrams_, &QUdpSocket::readyRead, this, [this] {
      while (datagrams_.hasPendingDatagrams()) {
        datagrams_.receiveDatagram();
        paths << QStringLiteral("udp");
      }
    });
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
      }
    });
  }
  quint16 Port() const { return server_.serverPort(); }
  QStringList paths;

 private:
  void answer(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    const QByteArray path = request.left(request.indexOf("\r\n")).split(' ').value(1);
    // The web engine asks every web page for its icon: that is not the page's doing.
    if (path != "/favicon.ico") paths << QString::fromLatin1(path.split('?').value(0));
    if (path.startsWith("/ws")) return;
    const QByteArray body = path == "/web"
                                ? "<html><head><title>web</title></head><body><script>new WebSocket("
                                  "'ws://' + location.host + '/ws-web');</script></body></html>"
                                : "";
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QUdpSocket datagrams_;
  QHash<QTcpSocket*, QByteArray> pending_;
};

}  // namespace

class TestHomePage : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    disc_ = std::make_unique<TempDisc>();
    disc_->Item("Giochi_/Solo testo_", "solo");
    disc_->File("Home/altra.txt", "ALTRA");
    disc_->File("Home/altra.htm", "<html><head><title>ALTRA</title></head><body>ALTRA</body></html>");
    outside_ = std::make_unique<QTemporaryDir>();
    const std::string out = outside_->path().toStdString();
    for (const auto& [name, content] : {std::pair{"segreto.txt", "SEGRETO"},
                                        std::pair{"segreto.htm", "<html><body>SEGRETO</body></html>"}}) {
      QFile file(outside_->filePath(QLatin1String(name)));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) > 0);
    }
    QCOMPARE(::symlink((out + "/segreto.txt").c_str(), disc_->Path("Home/fuori.txt").c_str()), 0);
    QCOMPARE(::symlink((out + "/segreto.htm").c_str(), disc_->Path("Home/fuori.htm").c_str()), 0);
    zolt_ = std::make_unique<TZolt>();
    zolt_->show();
    QVERIFY(QTest::qWaitForWindowExposed(zolt_.get()));
  }

  void cleanup() {
    zolt_.reset();
    disc_.reset();
    outside_.reset();
  }

  // Each Home page's script against what it may reach. "%PORT%" is the
  // loopback server's, "%OUT%" a folder outside the disc (as a file URL);
  // "fuori.*" are links from the disc to files there. `click`: the reader
  // clicks the element "go" once the page is loaded.
  void pageOfTheDisc_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("click");
    QTest::addColumn<QString>("title");       // what the page ends with
    QTest::addColumn<QStringList>("served");  // what the server received
    QTest::addColumn<QStringList>("opened");  // what the desktop was asked
    QTest::addColumn<QString>("address");     // the end of the page's final address

    const QString read =
        "<script>function lettura(u) { try { var r = new XMLHttpRequest(); r.open('GET', u, false); r.send();"
        " return r.responseText.trim(); } catch (e) { return 'x'; } }</script>";
    QTest::newRow("files outside the disc, then a WebSocket")
        << read + "<script>var letto = [lettura('altra.txt'), lettura('fuori.txt'), lettura('%OUT%/segreto.txt')]"
                  ".join('|'); var ws = new WebSocket('ws://127.0.0.1:%PORT%/ws?d=' + letto);"
                  " ws.onerror = function() { document.title = letto + '|chiuso'; };</script>"
        << false << "ALTRA|x|x|chiuso" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("frames of the disc and of outside")
        << "<iframe id=a src='altra.htm'></iframe><iframe id=b src='fuori.htm'></iframe>"
           "<iframe id=c src='%OUT%/segreto.htm'></iframe><script>function testo(id) { try { return document"
           ".getElementById(id).contentDocument.body.innerText.trim(); } catch (e) { return ''; } }"
           " onload = function() { document.title = [testo('a'), testo('b'), testo('c')].join('|'); };</script>"
        << false << "ALTRA||" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("twenty windows without a click")
        << "<script>for (var i = 0; i < 20; ++i) window.open('http://127.0.0.1:%PORT%/finestra' + i);"
           " document.title = 'fatto';</script>"
        << false << "fatto" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("twenty windows on one click")
        << "<title>clic</title><a id=go href='#' onclick=\"for (var i = 0; i < 20; ++i)"
           " window.open('http://127.0.0.1:%PORT%/finestra'); return false;\">finestre</a>"
        << true << "clic" << QStringList() << QStringList{"http://127.0.0.1:%PORT%/finestra"} << "scheda.htm";
    QTest::newRow("300 script navigations to files and data")
        << "<a id=f href='file:///etc/passwd'>f</a><script>for (var i = 0; i < 100; ++i) {"
           " location.href = 'file:///etc/passwd'; location.href = 'data:text/html,x';"
           " window.open('file:///etc/passwd'); document.getElementById('f').click(); }"
           " document.title = 'fatto';</script>"
        << false << "fatto" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("web page on the reader's click opens a WebSocket")
        << "<a id=go href='http://127.0.0.1:%PORT%/web'>web</a><script>new WebSocket('ws://127.0.0.1:%PORT%/ws');"
           "</script>"
        << true << "web" << QStringList{"/web", "/ws-web"} << QStringList() << "/web";
    QTest::newRow("web page by the page's script")
        << "<script>location.href = 'http://127.0.0.1:%PORT%/web'; document.title = 'fatto';</script>"
        << false << "fatto" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("mail on the reader's click")
        << "<title>posta</title><a id=go href='mailto:info@esempio.it'>posta</a>"
        << true << "posta" << QStringList() << QStringList{"mailto:info@esempio.it"} << "scheda.htm";
    QTest::newRow("mail by the page's script")
        << "<a id=go href='mailto:info@esempio.it'>posta</a><script>document.getElementById('go').click();"
           " document.title = 'fatto';</script>"
        << false << "fatto" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("leaving a page that asks to be kept")
        << "<a id=go href='altra.htm'>altra</a><script>onbeforeunload = function(e) { e.preventDefault();"
           " return 'resta'; };</script>"
        << true << "ALTRA" << QStringList() << QStringList() << "altra.htm";
    QTest::newRow("WebRTC to a STUN server")
        << "<script>var pc = new RTCPeerConnection({iceServers: [{urls: 'stun:127.0.0.1:%PORT%'}]});"
           " pc.createDataChannel('d'); pc.onicegatheringstatechange = function() {"
           " if (pc.iceGatheringState == 'complete') document.title = 'raccolto'; };"
           " setTimeout(function() { document.title = 'raccolto'; }, 2000);"
           " pc.createOffer().then(function(o) { return pc.setLocalDescription(o); });</script>"
        << false << "raccolto" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("file chooser on the reader's click")
        << "<title>scelta</title><input type=file id=go>"
        << true << "scelta" << QStringList() << QStringList() << "scheda.htm";
    QTest::newRow("typed arrays and the script heap")
        << "<script>var tenuti = [], mb = 0; try { while (mb < 4096) { var a = new Uint8Array(64 << 20);"
           " a.fill(1); tenuti.push(a); mb += 64; } } catch (e) {} tenuti = null;"
           " document.title = (mb < 2048 ? 'limitato' : 'illimitato') + '|' +"
           " (performance.memory.jsHeapSizeLimit <= (600 << 20) ? 'limitato' : 'illimitato');</script>"
        << false << "limitato|limitato" << QStringList() << QStringList() << "scheda.htm";
    // Last: its renderer stays busy until the window goes.
    QTest::newRow("dialogs in a loop")
        << "<script>setTimeout(function() { document.title = 'ciclo';"
           " for (;;) { alert(1); confirm(2); prompt(3); } }, 50);</script>"
        << false << "ciclo" << QStringList() << QStringList() << "scheda.htm";
  }

  void pageOfTheDisc() {
    QFETCH(QString, page);
    QFETCH(bool, click);
    QFETCH(QString, title);
    QFETCH(QStringList, served);
    QFETCH(QStringList, opened);
    QFETCH(QString, address);
    Loopback loopback;
    RecordingShell shell;
    const auto fill = [&](QString text) {
      return text.replace(QLatin1String("%PORT%"), QString::number(loopback.Port()))
          .replace(QLatin1String("%OUT%"), QUrl::fromLocalFile(outside_->path()).toString());
    };
    disc_->File("Home/scheda.htm", fill(page).toUtf8());
    TZolt& zolt = *zolt_;
    QSignalSpy loaded(zolt.WebBrowser1, &QWebEngineView::loadFinished);
    zolt.Label5Click();
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), kWaitMs);
    if (click) zolt::test::ClickInPage(zolt.WebBrowser1, QStringLiteral("go"));
    QTRY_COMPARE_WITH_TIMEOUT(zolt.WebBrowser1->title(), title, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(loopback.paths.size() >= served.size(), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(static_cast<int>(shell.opened.size()) >= opened.size(), kWaitMs);
    QTest::qWait(kWatchMs);

    QStringList got = loopback.paths;
    got.sort();
    QCOMPARE(got, served);
    QStringList asked;
    for (const std::string& target : shell.opened) asked << QString::fromStdString(target);
    for (QString& target : opened) target = fill(target);
    QCOMPARE(asked, opened);
    QCOMPARE(shell.messages, std::vector<QString>());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY2(zolt.WebBrowser1->url().toString().endsWith(address), qPrintable(zolt.WebBrowser1->url().toString()));
    // The window still answers: a tab shows its section.
    QTest::mouseClick(zolt.Linguetta01, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!zolt.PanBrowser->isVisible(), kWaitMs);
  }

 private:
  std::unique_ptr<TempDisc> disc_;
  std::unique_ptr<QTemporaryDir> outside_;
  std::unique_ptr<TZolt> zolt_;
};

ZOLT_WINDOW_TEST_MAIN(TestHomePage)
#include "tst_homepage.moc"
