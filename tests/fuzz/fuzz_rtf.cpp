// Feeds arbitrary bytes to the RTF reader. Findings become files in
// tests/rtf/crashers/, where the robustness test also lays each one out (the
// layout is left out here: the system's font configuration keeps allocations
// that the leak checker would report as ours).

#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/rtf/rtfreader.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QTextDocument document;
  zolt::rtf::ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size), document);
  (void)document.toPlainText();
  return 0;
}
