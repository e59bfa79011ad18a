// The window (offscreen) at several tape lengths: a key that writes a tape
// line and a digit, each with the update and repaint it causes; the window's
// resident size with the tape at each length; the replay of a full tape with
// the list attached; the time from the start of the process to the first
// painted window. Tapes are filled the way a user fills them: keys typed on
// the focus sink.

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTranslator>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fake_host.h"
#include "host/kept_session.h"
#include "identity.h"
#include "ui/frm_calculator.h"
#include "ui/translations.h"

extern char** environ;

namespace {

// Writes operand, total, subtotal and separator lines.
constexpr std::string_view kCycle = "12.5+3*2-1=7/4==";
constexpr int kFullTape = tally::Tape::kMaxLines;
// Keys measured per repetition. A tape shorter than full (and not emptied
// before each key) grows by this many lines while it is measured, and is
// brought back to its length before the next repetition.
constexpr int kKeysPerRun = 500;

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void TypeKey(QWidget* target, QChar c) {
  QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
  QApplication::sendEvent(target, &press);
}

tally::ui::frmCalculator::Options Quiet() {
  tally::ui::frmCalculator::Options options;
  options.decimalSeparator = ",";
  return options;  // no error log candidates: records are dropped
}

// One shown window, typed into through its focus sink.
class Window {
 public:
  Window() : window_(Quiet()) {
    window_.findChild<QComboBox*>(QStringLiteral("cboDecPlace"))->setCurrentIndex(2);
    window_.show();
    Settle();
    sink_ = window_.findChild<QWidget*>(QStringLiteral("picSetFocus"));
  }

  tally::ui::frmCalculator& Get() { return window_; }
  int Lines() const { return window_.calculator().GetTape().Count(); }
  void Type(QChar c) { TypeKey(sink_, c); }

  // Brings the tape to `lines` lines by typing: "l" empties it, the cycle
  // fills it. Events are let through every few keys, as between the keys of
  // a fast typist.
  void Fill(int lines) {
    if (Lines() == lines) return;
    if (Lines() > lines) Type(QLatin1Char('l'));
    std::size_t k = 0;
    while (Lines() < lines) {
      Type(QLatin1Char(kCycle[k++ % kCycle.size()]));
      if (k % 16 == 0) Settle();
    }
    // Leave no entry half typed and no operation pending.
    Type(QLatin1Char('c'));
    Settle();
  }

 private:
  tally::ui::frmCalculator window_;
  QWidget* sink_ = nullptr;
};

// A window for each tape length, so that the repetitions of the benchmarks
// can be interleaved (the noise of a shared machine then falls on all
// lengths alike) without filling a tape again each time.
Window& WindowWithTape(int lines) {
  static std::map<int, Window*> windows;  // live until the process ends
  Window*& window = windows[lines];
  if (!window) window = new Window;
  window->Fill(lines);
  return *window;
}

// "+" after a digit writes an operand line, which is selected and scrolled
// into view; on a full tape the oldest line goes. At 0 lines the tape is
// emptied before each measured key, which then writes its first line.
void LineKey(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  Window& w = WindowWithTape(lines);
  for (auto _ : state) {
    state.PauseTiming();
    if (lines == 0) w.Type(QLatin1Char('l'));
    w.Type(QLatin1Char('1'));
    Settle();
    state.ResumeTiming();
    w.Type(QLatin1Char('+'));
    Settle();
  }
  state.counters["tape_lines_after"] = w.Lines();
}
BENCHMARK(LineKey)
    ->ArgName("tape")
    ->Arg(0)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(kFullTape)
    ->Iterations(kKeysPerRun)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The first digit of an entry: the display changes, the tape does not. At 0
// lines the tape is emptied after each measured key.
void DigitKey(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  Window& w = WindowWithTape(lines);
  for (auto _ : state) {
    w.Type(QLatin1Char('7'));
    Settle();
    state.PauseTiming();
    w.Type(QLatin1Char('+'));  // the next digit starts an entry
    if (lines == 0) w.Type(QLatin1Char('l'));
    Settle();
    state.ResumeTiming();
  }
  state.counters["tape_lines_after"] = w.Lines();
}
BENCHMARK(DigitKey)
    ->ArgName("tape")
    ->Arg(0)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(kFullTape)
    ->Iterations(kKeysPerRun)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The resident size of a fresh process whose window holds a tape of the given
// length, filled by typing; also the cost per key of that filling.
struct Resident {
  double residentMiB = 0;
  double fillMicrosPerKey = 0;
};

long ResidentPages() {
  long size = 0;
  long resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident;
}

int ResidentChild(int lines) {
  Window w;
  QElapsedTimer timer;
  timer.start();
  std::size_t keys = 0;
  std::size_t k = 0;
  while (w.Lines() < lines) {
    w.Type(QLatin1Char(kCycle[k++ % kCycle.size()]));
    ++keys;
    Settle();  // each key is shown before the next, as in the event loop
  }
  const double micros = static_cast<double>(timer.nsecsElapsed()) / 1e3;
  const double mib = static_cast<double>(ResidentPages()) *
                     static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
  std::printf("%.3f %.3f\n", mib, keys ? micros / static_cast<double>(keys) : 0.0);
  return 0;
}

bool RunResidentChild(int lines, Resident& out) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::string self = "/proc/self/exe";
  std::string flag = "--resident-tape";
  std::string count = std::to_string(lines);
  char* argv[] = {self.data(), flag.data(), count.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    return false;
  }
  std::string text;
  char buffer[256];
  ssize_t n = 0;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  return std::sscanf(text.c_str(), "%lf %lf", &out.residentMiB, &out.fillMicrosPerKey) == 2;
}

void WindowResident(benchmark::State& state) {
  Resident r;
  for (auto _ : state) {
    if (!RunResidentChild(static_cast<int>(state.range(0)), r)) {
      state.SkipWithError("the measuring process failed");
      return;
    }
  }
  state.counters["resident_MiB"] = r.residentMiB;
  state.counters["fill_us_per_key"] = r.fillMicrosPerKey;
}
BENCHMARK(WindowResident)
    ->ArgName("tape")
    ->Arg(0)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(kFullTape)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void WindowReplayFullTape(benchmark::State& state) {
  Window& w = WindowWithTape(kFullTape);
  const tally::Tape& tape = w.Get().calculator().GetTape();
  int operand = 0;
  while (tape.Text(operand).rfind("+ ", 0) != 0) ++operand;
  auto* list = w.Get().findChild<QAbstractItemView*>(QStringLiteral("lstTape"));
  auto* field = w.Get().findChild<QLineEdit*>(QStringLiteral("txtChangeTo"));
  auto* save = w.Get().findChild<QPushButton*>(QStringLiteral("cmdSaveChange"));
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

// Settings and kept sessions of this run live here, never in the user's.
QTemporaryDir& Scratch() {
  static QTemporaryDir dir;
  return dir;
}

// The real program, started offscreen, until its window has painted once.
// A per-user folder pair for the real program: with `kept`, the option is on
// and a full tape waits in the session.
std::vector<std::string> StartEnvironment(bool kept) {
  const QString home = Scratch().filePath(kept ? QStringLiteral("kept") : QStringLiteral("blank"));
  const QString config = home + QStringLiteral("/config");
  const QString data = home + QStringLiteral("/data");
  if (!QDir(home).exists()) {
    const QString title = QString::fromUtf8(tally::kProgramTitle);
    QDir().mkpath(config + QLatin1Char('/') + title);
    QDir().mkpath(data + QLatin1Char('/') + title);
    if (kept) {
      QSettings settings(config + QLatin1Char('/') + title + QLatin1Char('/') + title +
                             QStringLiteral(".conf"),
                         QSettings::IniFormat);
      settings.setValue(QStringLiteral("Options/KeepSession"), QStringLiteral("1"));
      tally::testing::NullHost host;
      tally::Calculator calc(host, ",");
      tally::testing::FillTape(calc);
      tally::host::KeptSession session(data + QLatin1Char('/') + title +
                                       QStringLiteral("/KeptSession.journal"));
      session.Load();
      session.Start(calc);
    }
  }
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.emplace_back("QT_QPA_PLATFORM=offscreen");
  env.emplace_back("TALLYROLLER_QUIT_AFTER_FIRST_PAINT=1");
  env.emplace_back("XDG_CONFIG_HOME=" + config.toStdString());
  env.emplace_back("XDG_DATA_HOME=" + data.toStdString());
  return env;
}

void StartToFirstPaint(benchmark::State& state) {
  std::vector<std::string> env = StartEnvironment(state.range(0) != 0);
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
BENCHMARK(StartToFirstPaint)
    ->ArgName("kept_full_tape")
    ->Arg(0)
    ->Arg(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the start pays for Qt's Portuguese texts: the translation found, read
// and installed, as the program does before its window exists.
void InstallQtTranslations(benchmark::State& state) {
  for (auto _ : state) {
    if (!tally::ui::InstallQtTranslations(qApp)) {
      state.SkipWithError("no Qt translation installed");
      break;
    }
    state.PauseTiming();
    auto* translator = qApp->findChild<QTranslator*>();
    QCoreApplication::removeTranslator(translator);
    delete translator;
    state.ResumeTiming();
  }
}
BENCHMARK(InstallQtTranslations)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // The resident-size measurement runs in a fresh process of this program.
  if (argc == 3 && std::strcmp(argv[1], "--resident-tape") == 0) {
    QApplication app(argc, argv);
    return ResidentChild(std::atoi(argv[2]));
  }
  QApplication app(argc, argv);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     Scratch().filePath(QStringLiteral("settings")));
  // Repetitions run in a random order across benchmarks unless told
  // otherwise: keys measured at each tape length then share the machine's
  // noise.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  bool told = false;
  for (char* arg : args) told |= std::strstr(arg, "random_interleaving") != nullptr;
  if (!told) args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
