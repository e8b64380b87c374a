#pragma once
// Shared pieces of the main window's tests: a disc laid out in a temporary
// folder, a shell that records what it is asked to open, generated pictures,
// and a test main that runs under the program's own application object.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>
#include <string>
#include <vector>

#include "app/zoltapplication.h"
#include "platform/shell.h"

class QWebEngineView;

namespace zolt::test {

// A disc in a temporary folder, installed as the disc root while it lives.
class TempDisc {
 public:
  TempDisc();
  ~TempDisc();
  TempDisc(const TempDisc&) = delete;
  TempDisc& operator=(const TempDisc&) = delete;

  // The root with its trailing separator.
  std::string Root() const { return root_; }
  // Root + relative path (no trailing separator).
  std::string Path(const std::string& relative) const { return root_ + relative; }
  // Creates `relative` and its parents.
  void Folder(const std::string& relative) const;
  // Writes `content` to `relative`, creating its folders.
  void File(const std::string& relative, const QByteArray& content) const;
  // An item folder with a description (an RTF naming `text`).
  void Item(const std::string& relative, const std::string& text) const;
  void Remove(const std::string& relative) const;

 private:
  QTemporaryDir dir_;
  std::string root_;
};

// Records every call instead of talking to the desktop.
class RecordingShell : public platform::Shell {
 public:
  RecordingShell();
  ~RecordingShell() override;
  RecordingShell(const RecordingShell&) = delete;
  RecordingShell& operator=(const RecordingShell&) = delete;

  void Open(const std::string& target) override { opened.push_back(target); }
  std::optional<std::string> ChooseFolder(QWidget*) override { return std::nullopt; }
  platform::CopyOutcome CopyFolder(const std::string&, const std::string&, QWidget*,
                                   const std::vector<std::string>&) override {
    return {};
  }
  void Information(QWidget*, const QString& text) override { messages.push_back(text); }
  void Warning(QWidget*, const QString& text) override { messages.push_back(text); }

  std::vector<std::string> opened;
  std::vector<QString> messages;
};

// What `script` evaluates to in the page of `view` (an invalid value when it
// does not answer within five seconds).
QVariant EvaluateInPage(QWebEngineView* view, const QString& script);
// The reader's left click, through the view's own input, on the middle of
// the page's element with the id `id`.
void ClickInPage(QWebEngineView* view, const QString& id);

// Points the program at the Home page's module of this build; with `load`,
// loads it at once, so that every window makes its Home page's view when the
// Home page is first asked for, painted or not.
void FindHomeModule(bool load);

// A small RTF document whose text is `text`.
QByteArray Rtf(const std::string& text);
// A JPEG picture of `width` x `height` (a colour gradient).
QByteArray Jpeg(int width, int height);
// An animated GIF of `frames` frames of `width` x `height`.
QByteArray Gif(int width, int height, int frames);

}  // namespace zolt::test

// Paths in failure messages.
namespace QTest {
template <>
inline char* toString(const std::string& value) {
  return qstrdup(value.c_str());
}
}  // namespace QTest

// A Qt Test main that runs under the program's application object (its
// error sink included) with the web view's shared graphics context, the Home
// page's module loaded before any window.
#define ZOLT_WINDOW_TEST_MAIN(TestClass) ZOLT_WINDOW_TEST_MAIN_HOME(TestClass, true)
// The same, the module left for the windows to load as the program does.
#define ZOLT_WINDOW_TEST_MAIN_HOME(TestClass, load)                \
  int main(int argc, char** argv) {                                \
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);   \
    zolt::ZoltApplication application(argc, argv);               \
    zolt::test::FindHomeModule(load);                              \
    TestClass test;                                                \
    return QTest::qExec(&test, argc, argv);                        \
  }
