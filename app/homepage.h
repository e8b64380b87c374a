#pragma once
// The Home page's web page: shown in the main window's web view, on a
// profile that keeps nothing on disk (no cache, no cookies, no history
// written anywhere). It shows files of the disc and web pages in place;
// links that ask for a new window go to the desktop's browser when they are
// web addresses; unknown schemes, other local files and downloads are
// refused.

#include <QWebEnginePage>
#include <string>

class QWebEngineProfile;

class HomePage : public QWebEnginePage {
  Q_OBJECT

 public:
  // `owner` owns the warning boxes of refused links.
  explicit HomePage(QWidget* owner, QObject* parent = nullptr);

  // The one profile every Home page uses: off the record, downloads refused.
  static QWebEngineProfile* Profile();

  // True when the page may show `url` in place: a web page (http, https), a
  // regular file or a folder inside the disc, or the empty page.
  static bool MayShow(const QUrl& url);

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;

 private:
  // A link the page does not follow itself: a web address goes to the
  // desktop's browser, anything else is refused with a warning.
  void openOutside(const QUrl& url);

  QWidget* owner_;
};
