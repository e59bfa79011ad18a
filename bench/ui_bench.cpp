// The window with a full tape (offscreen): a typed key including the model
// update and the repaint of the list, the replay of a full tape with the list
// attached, and the time from the start of the process to the first painted
// window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <string_view>

#include "ui/frm_calculator.h"

extern char** environ;

namespace {

constexpr std::string_view kCycle = "12.5+3*2-1=7/4==";

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void TypeKey(QWidget* target, QChar c) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
  QApplication::sendEvent(target, &press);
}

QWidget* Sink(tally::ui::frmCalculator& window) {
  return window.findChild<QWidget*>(QStringLiteral("picSetFocus"));
}

// Fills the tape the way a user does: keys typed on the window.
void FillTape(tally::ui::frmCalculator& window) {
  window.findChild<QComboBox*>(QStringLiteral("cboDecPlace"))->setCurrentIndex(2);
  QWidget* sink = Sink(window);
  std::size_t k = 0;
  while (window.calculator().GetTape().Count() < tally::Tape::kMaxLines) {
    TypeKey(sink, QLatin1Char(kCycle[k++ % kCycle.size()]));
  }
}

tally::ui::frmCalculator::Options Quiet() {
  tally::ui::frmCalculator::Options options;
  options.decimalSeparator = ",";
  return options;  // no error log candidates: records are dropped
}

void WindowTypedKeyFullTape(benchmark::State& state) {
  tally::ui::frmCalculator window(Quiet());
  FillTape(window);
  window.show();
  Settle();
  QWidget* sink = Sink(window);
  std::size_t k = 0;
  for (auto _ : state) {
    TypeKey(sink, QLatin1Char(kCycle[k++ % kCycle.size()]));
    Settle();  // the list lays out and repaints what changed
  }
  state.counters["tape_lines"] = window.calculator().GetTape().Count();
}
BENCHMARK(WindowTypedKeyFullTape)->Unit(benchmark::kMicrosecond);

void WindowReplayFullTape(benchmark::State& state) {
  tally::ui::frmCalculator window(Quiet());
  FillTape(window);
  window.show();
  Settle();
  const tally::Tape& tape = window.calculator().GetTape();
  int operand = 0;
  while (tape.Line(operand).rfind("+ ", 0) != 0) ++operand;
  auto* list = window.findChild<QListView*>(QStringLiteral("lstTape"));
  auto* field = window.findChild<QLineEdit*>(QStringLiteral("txtChangeTo"));
  auto* save = window.findChild<QPushButton*>(QStringLiteral("cmdSaveChange"));
  const QModelIndex index = list->model()->index(operand, 0);
  for (auto _ : state) {
    Q_EMIT list->clicked(index);
    Q_EMIT list->doubleClicked(index);
    field->setText(QStringLiteral("12,50"));
    save->click();
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
