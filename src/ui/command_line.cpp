#include "ui/command_line.h"

#include <QCommandLineParser>

namespace tally::ui {

void DescribeCommandLine(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Calculadora de somar com fita de papel."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("arquivo"),
                               QStringLiteral("Uma fita (.fita ou .txt) para abrir ao começar."),
                               QStringLiteral("[arquivo]"));
}

QString FileArgument(const QCommandLineParser& parser) {
  return parser.positionalArguments().value(0);
}

}  // namespace tally::ui
