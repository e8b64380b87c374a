#pragma once
// The Home page's view as the main window sees it. The web engine lives in a
// module of the program's own (zolt-home.so: in the disc's runtime folder, or
// beside the program in the build tree), loaded once the main window has been
// painted: the window's first paint reads nothing of the web engine.

#include <QUrl>
#include <string>

class QWebEngineView;
class QWidget;

namespace zolt {

class HomeView {
 public:
  HomeView() = default;
  HomeView(const HomeView&) = delete;
  HomeView& operator=(const HomeView&) = delete;
  virtual ~HomeView() = default;

  // The view, made in the widget given to the module; the window only holds it.
  virtual QWebEngineView* View() = 0;
  virtual QWidget* Widget() = 0;
  // Shows `url` (a page of the disc, or about:blank) on the Home page's rules.
  virtual void Show(const QUrl& url) = 0;
};

// The module's one entry point: makes the view in `parent`; `owner` owns the
// warning boxes of refused links.
using MakeHomeView = HomeView* (*)(QWidget* parent, QWidget* owner);
inline constexpr char kHomeModuleEntry[] = "zolt_make_home_view";
inline constexpr char kHomeModuleFile[] = "zolt-home.so";

// Loads the module on the first call and answers its entry point, or null when
// it is missing or broken (said once, in one line on standard error).
MakeHomeView LoadHomeModule();

// True once the module has been loaded and answered its entry point.
bool HomeModuleReady();

// The module's file: the runtime folder's, else the one beside the program.
std::string HomeModulePath();
// Another file for the module; the next LoadHomeModule tries it afresh.
void SetHomeModulePathForTesting(std::string path);

}  // namespace zolt
