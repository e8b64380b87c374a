#include "app/homepage.h"

#include <QCoreApplication>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <sys/stat.h>

#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/discpath.h"
#include "disc/webaddress.h"
#include "platform/shell.h"
#include "platform/textcodec.h"

namespace {

// The bytes of a file URL's path, as the file system names it.
std::string LocalPath(const QUrl& url) {
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace

HomePage::HomePage(QWidget* owner, QObject* parent) : QWebEnginePage(Profile(), parent), owner_(owner) {
  settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
  settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  connect(this, &QWebEnginePage::newWindowRequested, this,
          [this](QWebEngineNewWindowRequest& request) { openOutside(request.requestedUrl()); });
}

QWebEngineProfile* HomePage::Profile() {
  // A profile without a storage name is off the record; it lives as long as
  // the application, so it outlives every page on it.
  static QWebEngineProfile* const profile = [] {
    auto* made = new QWebEngineProfile(QCoreApplication::instance());
    made->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    made->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
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

bool HomePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
  if (MayShow(url)) return true;
  // Only what the reader clicked is handed on or refused aloud; what the
  // page itself asks for is refused quietly.
  if (type == NavigationTypeLinkClicked && isMainFrame) openOutside(url);
  return false;
}

QWebEnginePage* HomePage::createWindow(WebWindowType) { return nullptr; }

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
