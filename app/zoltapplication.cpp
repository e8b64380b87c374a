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

void InstallFontSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    return true;
  }();
  (void)installed;
}

QFont LayoutFont(const QString& family, int points, bool bold) {
  InstallFontSubstitutes();
  QFont font(family);
  font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

}  // namespace zolt
