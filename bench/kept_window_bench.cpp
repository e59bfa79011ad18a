// What keeping the session costs in the window (offscreen): a line-writing
// key and a digit on a full tape with "Continuar de onde parei" off and on.
// (The start with a full kept tape is in ui_bench.)

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "full_tape_window.h"
#include "host/settings.h"

namespace {

using tally::bench::FullTapeWindow;
using tally::bench::Settle;

// Settings and the kept session of this run live here, never in the user's.
QTemporaryDir& Scratch() {
  static QTemporaryDir dir;
  return dir;
}

FullTapeWindow& WindowKeeping(bool keeping) {
  static FullTapeWindow* windows[2] = {};
  FullTapeWindow*& w = windows[keeping ? 1 : 0];
  if (!w) {
    // The window reads the setting as it starts.
    tally::host::StoreKeepSession(keeping);
    tally::ui::frmCalculator::Options options;
    options.decimalSeparator = ",";
    options.keptSession = Scratch().filePath(QStringLiteral("window.journal"));
    w = new FullTapeWindow(options);  // live until the process ends
    tally::host::StoreKeepSession(false);
  }
  return *w;
}

void LineKeyFullTape(benchmark::State& state) {
  FullTapeWindow& w = WindowKeeping(state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    w.Type(QLatin1Char('1'));
    Settle();
    state.ResumeTiming();
    w.Type(QLatin1Char('+'));
    Settle();
  }
}
BENCHMARK(LineKeyFullTape)
    ->ArgName("keeping")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(500)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void DigitFullTape(benchmark::State& state) {
  FullTapeWindow& w = WindowKeeping(state.range(0) != 0);
  for (auto _ : state) {
    w.Type(QLatin1Char('7'));
    Settle();
    state.PauseTiming();
    w.Type(QLatin1Char('+'));
    Settle();
    state.ResumeTiming();
  }
}
BENCHMARK(DigitFullTape)
    ->ArgName("keeping")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(500)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     Scratch().filePath(QStringLiteral("settings")));
  // Repetitions in a random order, so that off and on share the machine's
  // noise.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
