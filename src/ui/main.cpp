// tallyroller: the calculator's window.

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "identity.h"
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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromUtf8(tally::kProgramTitle));
  QCoreApplication::setApplicationName(QString::fromUtf8(tally::kProgramTitle));
  QCoreApplication::setApplicationVersion(QString::fromUtf8(tally::kVersion));
  // Ties the window to its menu entry and icon on the desktop.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(tally::kDesktopFileName));
  tally::ui::InstallQtTranslations(&app);
  QCommandLineParser parser;
  tally::ui::DescribeCommandLine(parser);
  parser.process(app);

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
  window.OpenAtStart(tally::ui::FileArgument(parser));
  return QApplication::exec();
}
