// What keeping the session costs in the window (offscreen): a line-writing
// key and a digit on a full tape with "Continuar de onde parei" off and on.
// (The start with a full kept tape is in ui_bench.)

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fake_host.h"
#include "host/settings.h"
#include "ui/frm_calculator.h"

namespace {

constexpr std::string_view kCycle = tally::testing::kLineCycle;

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

// Settings and the kept session of this run live here, never in the user's.
QTemporaryDir& Scratch() {
  static QTemporaryDir dir;
  return dir;
}

class FullWindow {
 public:
  explicit FullWindow(bool keeping) {
    tally::host::StoreKeepSession(keeping);
    tally::ui::frmCalculator::Options options;
    options.decimalSeparator = ",";
    options.keptSession = Scratch().filePath(QStringLiteral("window.journal"));
    window_ = std::make_unique<tally::ui::frmCalculator>(options);
    tally::host::StoreKeepSession(false);
    window_->findChild<QComboBox*>(QStringLiteral("cboDecPlace"))->setCurrentIndex(2);
    window_->show();
    sink_ = window_->findChild<QWidget*>(QStringLiteral("picSetFocus"));
    std::size_t k = 0;
    while (window_->calculator().GetTape().Count() < tally::Tape::kMaxLines) {
      Type(QLatin1Char(kCycle[k++ % kCycle.size()]));
      if (k % 16 == 0) Settle();
    }
    Type(QLatin1Char('c'));
    Settle();
  }
  void Type(QChar c) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(sink_, &press);
  }

 private:
  std::unique_ptr<tally::ui::frmCalculator> window_;
  QWidget* sink_ = nullptr;
};

FullWindow& WindowKeeping(bool keeping) {
  static FullWindow* windows[2] = {};
  FullWindow*& w = windows[keeping ? 1 : 0];
  if (!w) w = new FullWindow(keeping);  // live until the process ends
  return *w;
}

void LineKeyFullTape(benchmark::State& state) {
  FullWindow& w = WindowKeeping(state.range(0) != 0);
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
  FullWindow& w = WindowKeeping(state.range(0) != 0);
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
