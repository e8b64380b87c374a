// The Home page module's entry: the web view, on the Home page's own page and
// profile, made in the main window once the window has been painted.

#include <QQuickWindow>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "app/homepage.h"
#include "app/homeview.h"

namespace {

class WebHomeView final : public zolt::HomeView {
 public:
  WebHomeView(QWidget* parent, QWidget* owner) : owner_(owner) {
    // What the application would have set for the web engine had it been
    // linked: its scene graph draws with OpenGL, in the windows' shared
    // context (the program sets that before the application is made).
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGLRhi);
    // The web engine starts with the Home page's profile, which sets the
    // bounds of its renderer.
    HomePage::Profile();
    view_ = new QWebEngineView(parent);
    view_->setObjectName(QStringLiteral("WebBrowser1"));
    if (parent->layout() != nullptr) parent->layout()->addWidget(view_);
  }

  QWebEngineView* View() override { return view_; }
  QWidget* Widget() override { return view_; }

  void Show(const QUrl& url) override {
    if (!qobject_cast<HomePage*>(view_->page())) view_->setPage(new HomePage(owner_, view_));
    view_->setUrl(url);
  }

 private:
  QWidget* owner_;
  QWebEngineView* view_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) zolt::HomeView* zolt_make_home_view(QWidget* parent,
                                                                                       QWidget* owner) {
  return new WebHomeView(parent, owner);
}
