// tallyroller: the calculator's window.

#include <QApplication>

#include "identity.h"
#include "ui/frm_calculator.h"

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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromUtf8(tally::kProgramTitle));
  QCoreApplication::setApplicationName(QString::fromUtf8(tally::kProgramTitle));
  QCoreApplication::setApplicationVersion(QString::fromUtf8(tally::kVersion));
  // Ties the window to its menu entry and icon on the desktop.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(tally::kDesktopFileName));

  tally::ui::frmCalculator window;
  // The start-up benchmark asks for the program to end once the window has
  // painted for the first time.
  if (qEnvironmentVariableIsSet("TALLYROLLER_QUIT_AFTER_FIRST_PAINT")) {
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    window.installEventFilter(new FirstPaintQuitter(&window));
  }
  window.show();
  return QApplication::exec();
}
