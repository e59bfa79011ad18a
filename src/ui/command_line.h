#pragma once
// What the window is asked on its command line: --help, --version and an
// optional tape file to open at start (the desktop entry passes the file it
// is asked to open).

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace tally::ui {

// Gives `parser` the window's options and its FILE argument.
void DescribeCommandLine(QCommandLineParser& parser);

// The tape file named among the parsed arguments; empty for none.
QString FileArgument(const QCommandLineParser& parser);

}  // namespace tally::ui
