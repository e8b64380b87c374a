#pragma once
// The Home page's web page: shown in the main window's web view, on a
// profile that keeps nothing on disk (no cache, no cookies, no history
// written anywhere). A page of the disc sees files of the disc only and
// sends nothing to the network; it shows files of the disc and, on the
// reader's click, web pages in place. A link that asks for a new window goes
// to the desktop's browser when it is a web or mail address and the reader
// clicked it; unknown schemes, other local files and downloads are refused.
// The page's script opens no window and no dialog box, and is given none of
// the reader's files.

#include <QElapsedTimer>
#include <QWebEnginePage>
#include <string>

class QWebEngineProfile;

class HomePage : public QWebEnginePage {
  Q_OBJECT

 public:
  // `owner` owns the warning boxes of refused links.
  explicit HomePage(QWidget* owner, QObject* parent = nullptr);

  // The one profile every Home page uses: off the record, downloads refused,
  // every request fenced. The first call starts the web engine, with the
  // bounds of its renderer: call it before any web view is made.
  static QWebEngineProfile* Profile();

  // True when the page may show `url` in place: a web page (http, https), a
  // regular file or a folder inside the disc, or the empty page.
  static bool MayShow(const QUrl& url);

  // True when the reader pressed a mouse button or a key in the page's view
  // a moment ago. Each input answers yes once: a click is one request.
  bool ReaderJustActed();

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
  QWebEnginePage* createWindow(WebWindowType type) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The page's dialogs are answered at once, without a box: an alert is
  // dropped, a question is answered no (leaving the page, yes).
  void javaScriptAlert(const QUrl& origin, const QString& message) override;
  bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
  bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& value, QString* result) override;
  // The page asks for none of the reader's files: a file chooser answers at
  // once, with nothing chosen.
  QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles, const QStringList& acceptedMimeTypes) override;
  // What the page writes to its console is the page's: it is not the
  // program's to report.
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                const QString& source) override;

 private:
  // A link the page does not follow itself: a web or mail address goes to
  // the desktop, anything else is refused with a warning.
  void openOutside(const QUrl& url);

  QWidget* owner_;
  QElapsedTimer lastInput_;  // the reader's last press in the view
  bool inputSpent_ = true;
  bool leavingForWeb_ = false;  // the reader's request for a web page is under way
};
