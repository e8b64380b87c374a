// The item page's costs: AggiornaScheda for an item with a 100 KB
// description, a 2-megapixel picture and a 40-frame banner; a tab click on a
// section of 500 entries with 2,000 sub-entries, and on one of 10,000 entries.
// Run under Xvfb:
//   xvfb-run -a env QTWEBENGINE_DISABLE_SANDBOX=1 build-window/bin/bench_page

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "look/labelbutton.h"
#include "app/zolt.h"
#include "app/zoltapplication.h"
#include "windowtest.h"

namespace {

// A description of about `bytes` bytes with paragraphs and a few links.
std::string LongDescription(std::size_t bytes) {
  std::string text;
  int paragraph = 0;
  while (text.size() < bytes) {
    ++paragraph;
    text += "\\b Capitolo " + std::to_string(paragraph) +
            "\\b0\\par Il gioco comprende livelli nuovi, una grafica migliorata e "
            "l'editor dei livelli. Aggiornamenti su http://www.esempio.it/pagina" +
            std::to_string(paragraph) + " e altre novit\\'e0 del mese.\\par ";
  }
  return text;
}

class HeavyDisc {
 public:
  HeavyDisc() {
    disc.File("Home/scheda.htm", "<html><body>Home</body></html>");
    disc.Item("Giochi_/Pesante_", LongDescription(100 * 1024));
    disc.File("Giochi_/Pesante_/img.jpg", zolt::test::Jpeg(1632, 1224));
    disc.File("Giochi_/Pesante_/banner.gif", zolt::test::Gif(468, 60, 40));
    disc.File("Giochi_/Pesante_/banner.txt", "http://www.esempio.it/\r\n");
    disc.File("Giochi_/Pesante_/setup.txt", "setup.exe\r\n");
    for (int e = 0; e < 500; ++e) {
      const std::string entry = "Grande_/Voce " + std::to_string(1000 + e) + "_";
      disc.Item(entry, "voce");
      for (int s = 0; s < 4; ++s) disc.Folder(entry + "/Parte " + std::to_string(s) + "_");
    }
    // Names in an order the listing does not keep, so the sort has work to do.
    for (int e = 0; e < 10000; ++e) {
      disc.Item("Vasto_/Voce " + std::to_string((e * 7919) % 10000) + "_", "voce");
    }
  }
  zolt::test::TempDisc disc;
};

HeavyDisc& Disc() {
  static HeavyDisc disc;
  return disc;
}

std::unique_ptr<TZolt>& WindowSlot() {
  static std::unique_ptr<TZolt> zolt;
  return zolt;
}

TZolt& Window() {
  std::unique_ptr<TZolt>& zolt = WindowSlot();
  if (!zolt) {
    Disc();
    zolt = std::make_unique<TZolt>();
    zolt->show();
    QApplication::processEvents();
  }
  return *zolt;
}

void BM_AggiornaScheda(benchmark::State& state) {
  TZolt& zolt = Window();
  const std::string item = Disc().disc.Path("Giochi_/Pesante_");
  for (auto _ : state) {
    zolt.PercorsoProdotto = item;
    zolt.AggiornaScheda(QStringLiteral("Pesante"));
  }
}
BENCHMARK(BM_AggiornaScheda)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Tab 1 is "Grande" (500 entries, 2,000 sub-entries), tab 2 "Vasto" (10,000 entries).
void BM_TabClick(benchmark::State& state) {
  TZolt& zolt = Window();
  zolt::LabelButton* tab = zolt.Linguette[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    zolt.Linguetta01Click(tab);
    // The tree lays itself out and paints once the click is over: that is
    // part of what the user waits for.
    QApplication::processEvents();
  }
  state.counters["entries"] = zolt.Elenco->topLevelItemCount();
}
BENCHMARK(BM_TabClick)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  zolt::ZoltApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  WindowSlot().reset();  // the web view goes before the application
  return 0;
}
