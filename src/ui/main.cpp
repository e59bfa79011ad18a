// tallyroller: the calculator's window.

#include <QApplication>

#include "engine/error_report.h"
#include "ui/frm_calculator.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(tally::kProgramTitle));
  QCoreApplication::setApplicationName(QString::fromLatin1(tally::kProgramTitle));
  QCoreApplication::setApplicationVersion(QStringLiteral(TALLYROLLER_VERSION));
  // Ties the window to its menu entry and icon on the desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.tallyroller"));

  tally::ui::frmCalculator window;
  window.show();
  return QApplication::exec();
}
