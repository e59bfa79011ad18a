// What keeping the session costs in the window (offscreen): a line-writing
// key and a digit on a full tape with "Continuar de onde parei" off and on,
// and the start of the real program to its first painted window with no
// session and with a full kept tape to put back.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QSettings>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/wait.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fake_host.h"
#include "host/kept_session.h"
#include "host/settings.h"
#include "identity.h"
#include "ui/frm_calculator.h"

extern char** environ;

namespace {

constexpr std::string_view kCycle = "12.5+3*2-1=7/4==";

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
      calc.cboDecPlace_Click(2);
      while (calc.GetTape().Count() < tally::Tape::kMaxLines) tally::testing::Type(calc, kCycle);
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
