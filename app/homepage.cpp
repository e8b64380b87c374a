#include "app/homepage.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <algorithm>

#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/discpath.h"
#include "disc/webaddress.h"
#include "platform/shell.h"
#include "platform/textcodec.h"

namespace {

// How long after a press of a mouse button or a key in the view a request
// still counts as the reader's.
constexpr qint64 kReaderMomentMs = 1000;

// The web engine's arguments, given as it starts: the script heap of a page
// (arrays of bytes live outside it: see kRendererDataBytes) and WebRTC
// without direct UDP, through which a page could reach any host.
constexpr char kEngineArguments[] =
    " --js-flags=--max-old-space-size=512"
    " --force-webrtc-ip-handling-policy=disable_non_proxied_udp";

// The writable memory of a page's renderer process, typed arrays included.
constexpr rlim_t kRendererDataBytes = rlim_t{1} << 30;

// The bytes of a file URL's path, as the file system names it.
std::string LocalPath(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

bool IsWebPage(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// Every request of every page on the profile, seen before it is made: a file
// only from the disc, the network only for a web page. Main frames were
// judged by the page's own navigation rules before they get here.
class RequestFence final : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file")) {
      if (!HomePage::MayShow(url)) info.block(true);
      return;
    }
    if (scheme == QLatin1String("data") || scheme == QLatin1String("blob") || scheme == QLatin1String("about")) return;
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame) return;
    // Anything else goes to the network (WebSockets included): only a web
    // page may ask for it, never a page of the disc or a frame inside one.
    const QUrl initiator = info.initiator();
    const bool fromWebPage = IsWebPage(info.firstPartyUrl()) && (initiator.isEmpty() || IsWebPage(initiator));
    if (!fromWebPage) info.block(true);
  }
};

// The web engine reads its arguments when its first object is made; they are
// set for that moment only, so nothing the program starts later inherits them.
QWebEngineProfile* StartEngine() {
  static constexpr char kVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
  const bool wasSet = qEnvironmentVariableIsSet(kVariable);
  const QByteArray before = qgetenv(kVariable);
  qputenv(kVariable, before + kEngineArguments);
  auto* profile = new QWebEngineProfile(QCoreApplication::instance());
  if (wasSet) {
    qputenv(kVariable, before);
  } else {
    qunsetenv(kVariable);
  }
  return profile;
}

// Lowers the data limit of a page's renderer process (a limit is only ever
// lowered, so a process met twice is no matter).
void BoundRenderer(qint64 pid) {
  if (pid <= 0) return;
  struct rlimit limit {};
  if (::prlimit(static_cast<pid_t>(pid), RLIMIT_DATA, nullptr, &limit) != 0) return;
  if (limit.rlim_max <= kRendererDataBytes) return;
  limit.rlim_cur = std::min(limit.rlim_cur, kRendererDataBytes);
  limit.rlim_max = kRendererDataBytes;
  ::prlimit(static_cast<pid_t>(pid), RLIMIT_DATA, &limit, nullptr);
}

}  // namespace

HomePage::HomePage(QWidget* owner, QObject* parent) : QWebEnginePage(Profile(), parent), owner_(owner) {
  // Unknown schemes (mail) reach acceptNavigationRequest on a click only.
  settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
  settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
    if (!request.isUserInitiated() || !ReaderJustActed()) return;
    const QUrl url = request.requestedUrl();
    if (url.isLocalFile() && MayShow(url)) {
      setUrl(url);
    } else if (!url.isEmpty() && url.scheme() != QLatin1String("about")) {
      openOutside(url);
    }
  });
  // The web engine does not tell the first renderer of a page that loads
  // once: its process is bound as soon as the load makes progress too.
  connect(this, &QWebEnginePage::renderProcessPidChanged, this, &BoundRenderer);
  connect(this, &QWebEnginePage::loadStarted, this, [this] { BoundRenderer(renderProcessPid()); });
  connect(this, &QWebEnginePage::loadProgress, this, [this] { BoundRenderer(renderProcessPid()); });
  connect(this, &QWebEnginePage::loadFinished, this, [this] { leavingForWeb_ = false; });
  // Presses in the view are the reader's; they are told from the page's own
  // requests by the time they arrived.
  QCoreApplication::instance()->installEventFilter(this);
}

QWebEngineProfile* HomePage::Profile() {
  // A profile without a storage name is off the record; it lives as long as
  // the application, so it outlives every page on it.
  static QWebEngineProfile* const profile = [] {
    QWebEngineProfile* made = StartEngine();
    made->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    made->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    made->setUrlRequestInterceptor(new RequestFence(made));
    QObject::connect(made, &QWebEngineProfile::downloadRequested, made,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    return made;
  }();
  return profile;
}

bool HomePage::MayShow(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) return true;
  if (scheme == QLatin1String("about")) return url.path() == QLatin1String("blank");
  if (scheme != QLatin1String("file") || !url.host().isEmpty()) return false;
  const std::optional<std::string> inside = zolt::disc::PathInside(zolt::catalogue::DiscRoot(), LocalPath(url));
  if (!inside) return false;
  struct stat st {};
  if (::stat(inside->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  return zolt::disc::ClassifyFile(*inside, zolt::catalogue::DiscRoot()) == zolt::disc::FileState::kReadable;
}

bool HomePage::ReaderJustActed() {
  if (inputSpent_ || !lastInput_.isValid() || lastInput_.elapsed() > kReaderMomentMs) return false;
  inputSpent_ = true;
  return true;
}

bool HomePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  if (MayShow(url)) {
    // Files of the disc and frames go (the request fence keeps a page of the
    // disc off the network); a page of the disc leaves for the web only on
    // the reader's click.
    if (!isMainFrame || !IsWebPage(url) || IsWebPage(this->url())) return true;
    // A script's navigation while the page loads arrives as a redirect too:
    // only the redirects of the reader's own request pass.
    if (type == NavigationTypeRedirect && leavingForWeb_) return true;
    leavingForWeb_ = ReaderJustActed();
    return leavingForWeb_;
  }
  // Only what the reader clicked is handed on or refused aloud; what the
  // page itself asks for is refused quietly.
  if (type == NavigationTypeLinkClicked && isMainFrame && ReaderJustActed()) openOutside(url);
  return false;
}

QWebEnginePage* HomePage::createWindow(WebWindowType) { return nullptr; }

bool HomePage::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::KeyPress) {
    const QWebEngineView* view = QWebEngineView::forPage(this);
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (view != nullptr && widget != nullptr && (widget == view || view->isAncestorOf(widget))) {
      lastInput_.start();
      inputSpent_ = false;
    }
  }
  return false;
}

void HomePage::javaScriptAlert(const QUrl&, const QString&) {}

bool HomePage::javaScriptConfirm(const QUrl&, const QString& message) {
  // The web engine asks the same way before a page that wants to be kept is
  // left: the reader, who asked to leave, says yes.
  return message == QCoreApplication::translate(
                        "QWebEnginePage",
                        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

bool HomePage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) { return false; }

QStringList HomePage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) { return {}; }

void HomePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) {}

void HomePage::openOutside(const QUrl& url) {
  const QByteArray text = url.toEncoded();
  const std::string web = zolt::disc::WebAddress(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  if (!web.empty()) {
    zolt::platform::OpenAndTell(owner_, web);
    return;
  }
  zolt::platform::CurrentShell().Warning(
      owner_, QStringLiteral("Il collegamento \"%1\" non porta a una pagina del CD né a un indirizzo "
                             "web: non viene aperto.")
                  .arg(url.toDisplayString()));
}
