// A digit typed in the window (offscreen) while the entry is short and while
// it is 20,000 digits long, with the display's update and repaint: the display
// lays out and draws only what fits, so the long entry should cost a digit
// about what the short one does. The same digit through the calculator alone
// shows how much of a key is the engine's reading of the entry, and how much
// the window's.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include "fake_host.h"
#include "ui/frm_calculator.h"

namespace {

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void TypeKey(QWidget* target, Qt::Key key, QChar c) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
  QApplication::sendEvent(target, &press);
}

void DigitAtEntryLength(benchmark::State& state) {
  tally::ui::frmCalculator::Options options;
  options.decimalSeparator = ",";  // no error log candidates: records are dropped
  tally::ui::frmCalculator window(options);
  window.show();
  Settle();
  QWidget* sink = window.findChild<QWidget*>(QStringLiteral("picSetFocus"));
  const auto length = static_cast<int>(state.range(0));
  for (int k = 0; k < length; ++k) {
    const int digit = 1 + k % 9;
    TypeKey(sink, Qt::Key(Qt::Key_0 + digit), QChar(u'0' + digit));
  }
  Settle();

  for (auto _ : state) {
    TypeKey(sink, Qt::Key_7, QLatin1Char('7'));
    Settle();  // the display repaints
    state.PauseTiming();
    // Back to the same length for the next digit.
    TypeKey(sink, Qt::Key_Backspace, QLatin1Char('\b'));
    Settle();
    state.ResumeTiming();
  }
  state.counters["entry_digits"] = static_cast<double>(length);
}
BENCHMARK(DigitAtEntryLength)->Arg(10)->Arg(20000)->Unit(benchmark::kMicrosecond);

void EngineDigitAtEntryLength(benchmark::State& state) {
  tally::testing::NullHost host;
  tally::Calculator calc(host, ",");
  const auto length = static_cast<int>(state.range(0));
  for (int k = 0; k < length; ++k) {
    int code = '0' + 1 + k % 9;
    calc.CheckKeyPress(code);
  }
  for (auto _ : state) {
    int digit = '7';
    calc.CheckKeyPress(digit);
    state.PauseTiming();
    int backspace = tally::kKeyBackspace;
    calc.CheckKeyPress(backspace);
    state.ResumeTiming();
  }
  state.counters["entry_digits"] = static_cast<double>(length);
}
BENCHMARK(EngineDigitAtEntryLength)->Arg(10)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
