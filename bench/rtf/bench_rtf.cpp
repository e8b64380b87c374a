// How fast descriptions are read. The 150 sample documents are read into
// documents in-process, and the same files go through unrtf --text and our
// rtf2text as separate processes, one after another, in the same run.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDirIterator>
#include <QFile>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <string>
#include <vector>

#include "platform/rtf/richtextviewer.h"
#include "platform/rtf/rtfreader.h"

extern char** environ;

namespace {

const QString kFolder = QStringLiteral(ZOLT_SHARED_DIR "/testdata/rtf");

struct Sample {
  std::string path;
  QByteArray data;
};

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = [] {
    std::vector<Sample> all;
    QDirIterator it(kFolder, {QStringLiteral("*.rtf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QFile file(it.next());
      if (file.open(QIODevice::ReadOnly)) all.push_back({QFile::encodeName(file.fileName()).toStdString(), file.readAll()});
    }
    return all;
  }();
  return samples;
}

// A 100 KB description: headings, formatted runs, accents, lists, links.
std::string Description() {
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fcharset2 Symbol;}}"
      "{\\colortbl ;\\red0\\green0\\blue128;\\red192\\green0\\blue0;}\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  int paragraph = 0;
  while (rtf.size() < 100 * 1024) {
    ++paragraph;
    rtf += "{\\b\\fs24 Capitolo " + std::to_string(paragraph) + "}\\par ";
    rtf += "Il programma \\i funziona\\i0  anche su sistemi pi\\'f9 vecchi; \\cf2 novit\\'e0\\cf0 : "
           "supporto \\ldblquote completo\\rdblquote  per l\\rquote archivio \\emdash  vedi www.zolt.example/p"
           + std::to_string(paragraph) + " oppure {\\field{\\*\\fldinst HYPERLINK \"http://a.example/\"}"
           "{\\fldrslt\\ul\\cf1 la pagina}}.\\par ";
    rtf += "{\\pntext\\f1\\'b7\\tab}Voce \\b uno\\b0\\par {\\pntext\\f1\\'b7\\tab}Voce due \\u8364? 10\\par ";
  }
  return rtf + "}";
}

int RunProcess(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

void SkipWithoutSamples(benchmark::State& state) {
  if (Samples().empty()) state.SkipWithError("the shared RTF samples (../shared/testdata/rtf) are not here");
}

void BM_ReadSamples(benchmark::State& state) {
  SkipWithoutSamples(state);
  for (auto _ : state) {
    for (const Sample& sample : Samples()) {
      QTextDocument document;
      zolt::rtf::ReadRtf(std::string_view(sample.data.constData(), static_cast<std::size_t>(sample.data.size())),
                         document);
      benchmark::DoNotOptimize(document.characterCount());
    }
  }
  state.counters["documents"] = static_cast<double>(Samples().size());
}

void RunOverSamples(benchmark::State& state, const std::string& program, const std::vector<std::string>& options) {
  SkipWithoutSamples(state);
  for (auto _ : state) {
    for (const Sample& sample : Samples()) {
      std::vector<std::string> arguments{program};
      arguments.insert(arguments.end(), options.begin(), options.end());
      arguments.push_back(sample.path);
      if (RunProcess(arguments) < 0) {
        state.SkipWithError("the program could not be started");
        return;
      }
    }
  }
}

void BM_UnrtfTextSamples(benchmark::State& state) { RunOverSamples(state, "unrtf", {"--text"}); }
void BM_Rtf2textSamples(benchmark::State& state) { RunOverSamples(state, RTF2TEXT, {}); }

void BM_Read100KB(benchmark::State& state) {
  const std::string rtf = Description();
  for (auto _ : state) {
    QTextDocument document;
    zolt::rtf::ReadRtf(rtf, document);
    benchmark::DoNotOptimize(document.characterCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}

// Read, lay out at the item page's width and paint the first screenful.
void BM_Render100KB(benchmark::State& state) {
  const std::string rtf = Description();
  QImage screen(536, 400, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QTextDocument document;
    zolt::rtf::ReadRtf(rtf, document);
    document.setTextWidth(536);
    benchmark::DoNotOptimize(document.size());
    QPainter painter(&screen);
    document.drawContents(&painter, QRectF(0, 0, 536, 400));
  }
}

// What the item page does: the viewer loads the description and shows its
// first screenful (the rest is laid out as the user scrolls).
void BM_Viewer100KB(benchmark::State& state) {
  const std::string rtf = Description();
  zolt::RichTextViewer viewer;
  viewer.resize(536, 400);
  viewer.show();
  for (auto _ : state) {
    viewer.LoadRtf(rtf);
    benchmark::DoNotOptimize(viewer.grab());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the previous document goes
  }
}

}  // namespace

BENCHMARK(BM_ReadSamples)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_UnrtfTextSamples)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Rtf2textSamples)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Read100KB)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Render100KB)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Viewer100KB)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // unrtf writes the pictures it finds into the working folder: give it a scratch one.
  QTemporaryDir scratch;
  if (scratch.isValid()) QDir::setCurrent(scratch.path());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
