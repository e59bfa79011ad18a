// tallyroller: the calculator's window.

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QStringList>

#include <cstdio>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "identity.h"
#include "ui/accessibility.h"
#include "ui/command_line.h"
#include "ui/frm_calculator.h"
#include "ui/translations.h"

namespace {

class FirstPaintQuitter final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !quitting_) {
      quitting_ = true;
      QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool quitting_ = false;
};

// SIGTERM (a logout, a shutdown, kill) closes the window as its close box
// would: the handler only wakes the event loop.
int termPipe[2] = {-1, -1};

void OnTerm(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(termPipe[1], &byte, 1);
}

void ShowHelp() {
  std::printf(
      "Uso: tallyroller [OPÇÃO]... [ARQUIVO]\n"
      "Abre a calculadora de fita %s; com ARQUIVO, abre essa fita (.fita ou .txt).\n"
      "\n"
      "      --help     mostra esta ajuda e sai\n"
      "      --version  mostra a versão e sai\n",
      tally::kProgramTitle);
}

struct CommandLine {
  QCommandLineParser parser;
  CommandLine() { tally::ui::DescribeCommandLine(parser); }
};

QStringList Arguments(int argc, char* argv[]) {
  QStringList args;
  for (int k = 0; k < argc; ++k) args << QString::fromLocal8Bit(argv[k]);
  return args;
}

}  // namespace

int main(int argc, char* argv[]) {
  // A write past the file size limit fails and is told, instead of ending
  // the program.
  signal(SIGXFSZ, SIG_IGN);

  // --help and --version are answered before any display is opened; what
  // Qt's own options leave unparsed here is parsed again below.
  CommandLine line;
  if (line.parser.parse(Arguments(argc, argv))) {
    if (line.parser.isSet(QStringLiteral("help"))) {
      ShowHelp();
      return 0;
    }
    if (line.parser.isSet(QStringLiteral("version"))) {
      std::printf("tallyroller (%s) %s\n", tally::kProgramTitle, tally::kVersion);
      return 0;
    }
  }

  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromUtf8(tally::kProgramTitle));
  QCoreApplication::setApplicationName(QString::fromUtf8(tally::kProgramTitle));
  QCoreApplication::setApplicationVersion(QString::fromUtf8(tally::kVersion));
  // Ties the window to its menu entry and icon on the desktop.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(tally::kDesktopFileName));
  tally::ui::InstallQtTranslations(&app);
  if (!line.parser.parse(QCoreApplication::arguments())) {
    // Only --help and --version are options, and neither takes a value.
    const QStringList unknown = line.parser.unknownOptionNames();
    const QString error = unknown.isEmpty()
                              ? QStringLiteral("--help e --version não levam valor")
                              : QStringLiteral("opção desconhecida: %1").arg(unknown.first());
    std::fprintf(stderr, "tallyroller: %s\n", qUtf8Printable(error));
    return 2;
  }
  if (line.parser.positionalArguments().size() > 1) {
    std::fputs("tallyroller: mais de um arquivo dado\n", stderr);
    return 2;
  }
  // A tape file to open at the start, as "Abrir" opens it.
  const QString file = tally::ui::FileArgument(line.parser);

  tally::ui::InstallAccessibleInterfaces();

  tally::ui::frmCalculator window;
  // The start-up benchmark asks for the program to end once the window has
  // painted for the first time.
  if (qEnvironmentVariableIsSet("TALLYROLLER_QUIT_AFTER_FIRST_PAINT")) {
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    window.installEventFilter(new FirstPaintQuitter(&window));
  }
  QSocketNotifier* terms = nullptr;
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, termPipe) == 0) {
    terms = new QSocketNotifier(termPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(terms, &QSocketNotifier::activated, &window, [&window] {
      char byte = 0;
      [[maybe_unused]] const auto read = ::read(termPipe[0], &byte, 1);
      window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
  }
  window.show();
  window.OpenAtStart(file);
  return QApplication::exec();
}
