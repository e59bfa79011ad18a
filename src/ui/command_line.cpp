#include "ui/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace tally::ui {

void DescribeCommandLine(QCommandLineParser& parser) {
  // The help is the program's own, in Portuguese: Qt's would be English.
  parser.addOptions({QCommandLineOption(QStringLiteral("help")),
                     QCommandLineOption(QStringLiteral("version"))});
  parser.addPositionalArgument(QStringLiteral("arquivo"), QString(), QStringLiteral("[arquivo]"));
}

QString FileArgument(const QCommandLineParser& parser) {
  return parser.positionalArguments().value(0);
}

}  // namespace tally::ui
