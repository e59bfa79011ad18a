// The window with a full tape (offscreen): a typed key including the model
// update and the repaint of the list, the replay of a full tape with the list
// attached, and the time from the start of the process to the first painted
// window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QListView>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <string_view>

#include "ui/frm_calculator.h"

extern char** environ;

namespace {

constexpr std::string_view kCycle = "12.5+3*2-1=7/4==";

void FillTape(tally::Calculator& calc) {
  calc.cboDecPlace_Click(2);
  std::size_t k = 0;
  while (calc.GetTape().Count() < tally::Tape::kMaxLines) {
    int code = static_cast<unsigned char>(kCycle[k++ % kCycle.size()]);
    calc.CheckKeyPress(code);
  }
}

tally::ui::frmCalculator::Options Quiet() {
  tally::ui::frmCalculator::Options options;
  options.decimalSeparator = ",";
  return options;  // no error log candidates: records are dropped
}

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void WindowTypedKeyFullTape(benchmark::State& state) {
  tally::ui::frmCalculator window(Quiet());
  FillTape(window.calculator());
  window.show();
  Settle();
  QWidget* sink = window.findChild<QWidget*>(QStringLiteral("picSetFocus"));
  std::size_t k = 0;
  for (auto _ : state) {
    const QChar c = QLatin1Char(kCycle[k++ % kCycle.size()]);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(sink, &press);
    Settle();  // the list lays out and repaints what changed
  }
  state.counters["tape_lines"] = window.calculator().GetTape().Count();
}
BENCHMARK(WindowTypedKeyFullTape)->Unit(benchmark::kMicrosecond);

void WindowReplayFullTape(benchmark::State& state) {
  tally::ui::frmCalculator window(Quiet());
  tally::Calculator& calc = window.calculator();
  FillTape(calc);
  window.show();
  Settle();
  std::int32_t operand = 0;
  while (calc.GetTape().Line(operand).rfind("+ ", 0) != 0) ++operand;
  for (auto _ : state) {
    calc.lstTape_Click(operand);
    calc.lstTape_DblClick();
    calc.SetChangeTo("12,50");
    calc.cmdSaveChange_Click();
    Settle();
  }
}
BENCHMARK(WindowReplayFullTape)->Unit(benchmark::kMillisecond);

// The real program, started offscreen, until its window has painted once.
void StartToFirstPaint(benchmark::State& state) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.emplace_back("QT_QPA_PLATFORM=offscreen");
  env.emplace_back("TALLYROLLER_QUIT_AFTER_FIRST_PAINT=1");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = TALLYROLLER_WINDOW_PATH;
  char* argv[] = {program.data(), nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp.data()) != 0) {
      state.SkipWithError("cannot start tallyroller");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("tallyroller did not end cleanly");
      break;
    }
  }
}
BENCHMARK(StartToFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

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
