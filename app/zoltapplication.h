#pragma once
// The application object. It carries the program's error sink: an error that
// escapes any event handler is discarded with one line on standard error and
// the program carries on, as no error is ever shown to the user.

#include <QApplication>

#include "app/layoutfont.h"

namespace zolt {

class ZoltApplication : public QApplication {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(ZoltApplication)

 public:
  ZoltApplication(int& argc, char** argv);
  ~ZoltApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // How many errors the sink has discarded in this run.
  int DiscardedErrors() const { return discarded_; }

 private:
  void AppEvents1Exception(const char* what);

  int discarded_ = 0;
};

}  // namespace zolt
