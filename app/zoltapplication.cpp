#include "app/zoltapplication.h"

#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>
#include <cmath>
#include <exception>
#include <iostream>

namespace zolt {

ZoltApplication::ZoltApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallFontSubstitutes();
  // The program speaks Italian: so do the toolkit's own dialogs (the folder
  // dialog's and the message boxes' buttons). Without the translation they stay English.
  auto* translator = new QTranslator(this);
  if (translator->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(translator);
}

ZoltApplication::~ZoltApplication() = default;

bool ZoltApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    AppEvents1Exception(error.what());
  } catch (...) {
    AppEvents1Exception("unknown error");
  }
  return false;
}

void ZoltApplication::AppEvents1Exception(const char* what) {
  ++discarded_;
  std::cerr << "zolt: discarded error: " << what << '\n';
}

}  // namespace zolt
