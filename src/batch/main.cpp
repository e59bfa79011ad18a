// tallyroller-batch: runs a script of keys and clicks through the calculator
// without a window and prints its state as JSON lines.

#include <QBuffer>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <variant>

#include "batch/script.h"
#include "batch/session.h"
#include "host/document_file.h"
#include "host/error_log.h"
#include "identity.h"
#include "print/tape_printer.h"
#include "qt_text.h"

namespace {

constexpr int kUsageError = 2;

// One line on standard error; what it quotes of the script or the command
// line reaches the terminal escaped, never raw.
void Tell(const std::string& message) {
  std::cerr << "tallyroller-batch: " << tally::batch::ShownEscaped(message) << std::endl;
}

int Fail(const std::string& message) {
  Tell(message);
  return kUsageError;
}

constexpr const char* kHelp =
    "Usage: tallyroller-batch [OPTION]... [SCRIPT]\n"
    "Run a script of typed keys and {commands} through the Tallyroller\n"
    "calculator without a window and print its state as JSON lines.\n"
    "\n"
    "With no SCRIPT, or when SCRIPT is -, read standard input.\n"
    "\n"
    "  --locale NAME         use the decimal separator, weekday names, date and\n"
    "                        time separators and AM/PM designators of locale\n"
    "                        NAME (pt_BR, en_US, ...)\n"
    "  --print-to FILE.pdf   write print jobs to FILE.pdf (without it they are\n"
    "                        made and dropped: no printer is ever used)\n"
    "  --error-log FILE      append error log records to FILE\n"
    "  --session FILE        start from the kept session in FILE, if any, and\n"
    "                        keep it up to date after every command\n"
    "      --help            display this help and exit\n"
    "      --version         output version information and exit\n"
    "\n"
    "Exit status: 0 when the script ran, 2 for a wrong command line or an\n"
    "unreadable or malformed script (standard error names the line and column).\n"
    "\n"
    "Example: printf '{decimals 2}12+3=+4==' | tallyroller-batch --locale pt_BR\n";

std::string VersionText() {
  return std::string("tallyroller-batch (") + tally::kProgramTitle + ") " + tally::kVersion +
         "\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

// The driver makes no QCoreApplication unless it prints, so it cannot ask
// one for its folder.
QString ExecutableFolder() { return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath(); }

// Painting text needs a GUI application, made on the first print job only so
// that a run without one stays quick and needs no display.
void EnsureGuiApplication(std::unique_ptr<QGuiApplication>& app, int& argc, char* argv[]) {
  if (app) return;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  app = std::make_unique<QGuiApplication>(argc, argv);
}

// What the command line asks for; values are the arguments' bytes.
struct CommandLine {
  std::string localeName;
  std::string printTo;
  std::string errorLog;
  std::string keptSession;
  std::string scriptPath = "-";
};

// Parses the command line; an exit status when the run ends here (help,
// version, or a usage error already told).
std::optional<int> Parse(int argc, char* argv[], CommandLine& line) {
  // Read as Latin-1, every argument comes back byte for byte, whatever its
  // encoding: file names are passed on as they were typed.
  QStringList args;
  for (int k = 0; k < argc; ++k) args << QString::fromLatin1(argv[k]);
  const auto bytes = [](const QString& text) { return text.toLatin1().toStdString(); };

  QCommandLineParser parser;
  const QCommandLineOption help(QStringLiteral("help"));
  const QCommandLineOption version(QStringLiteral("version"));
  const QCommandLineOption locale(QStringLiteral("locale"), QString(), QStringLiteral("NAME"));
  const QCommandLineOption printTo(QStringLiteral("print-to"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption errorLog(QStringLiteral("error-log"), QString(), QStringLiteral("FILE"));
  const QCommandLineOption session(QStringLiteral("session"), QString(), QStringLiteral("FILE"));
  parser.addOptions({help, version, locale, printTo, errorLog, session});

  if (!parser.parse(args)) {
    const QStringList unknown = parser.unknownOptionNames();
    for (const QString& arg : args.mid(1)) {
      if (arg.size() < 2 || !arg.startsWith(QLatin1Char('-'))) continue;
      const QString name = arg.startsWith(QLatin1String("--"))
                               ? arg.mid(2).section(QLatin1Char('='), 0, 0)
                               : arg.mid(1, 1);
      const bool noValue = name == QLatin1String("help") || name == QLatin1String("version");
      if (unknown.contains(name) || (noValue && arg.contains(QLatin1Char('=')))) {
        return Fail("unknown option " + bytes(arg));
      }
    }
    // What is left: the last option wants a value.
    return Fail(bytes(args.last()) + " needs a value");
  }
  for (const QString& name : parser.optionNames()) {
    if (name == help.names().first()) {
      std::cout << kHelp;
      return 0;
    }
    if (name == version.names().first()) {
      std::cout << VersionText();
      return 0;
    }
  }
  const QStringList scripts = parser.positionalArguments();
  if (scripts.size() > 1) return Fail("more than one script given");
  if (!scripts.isEmpty()) line.scriptPath = bytes(scripts.first());
  line.localeName = bytes(parser.value(locale));
  line.printTo = bytes(parser.value(printTo));
  line.errorLog = bytes(parser.value(errorLog));
  line.keptSession = bytes(parser.value(session));
  return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
  // A write past the file size limit fails and is told, instead of ending
  // the program.
  signal(SIGXFSZ, SIG_IGN);
  CommandLine line;
  if (const std::optional<int> status = Parse(argc, argv, line)) return *status;
  const std::string& localeName = line.localeName;
  const std::string& printTo = line.printTo;
  const std::string& errorLog = line.errorLog;
  const std::string& keptSession = line.keptSession;
  const std::string& scriptPath = line.scriptPath;

  std::string text;
  if (scriptPath == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::error_code ec;
    std::ifstream in(scriptPath, std::ios::binary);
    if (!in || std::filesystem::is_directory(scriptPath, ec)) {
      return Fail(scriptPath + ":1:1: cannot read the script file");
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
  }

  const auto parsed = tally::batch::ParseScript(text);
  if (const auto* error = std::get_if<tally::batch::ScriptError>(&parsed)) {
    const std::string name = scriptPath == "-" ? "<stdin>" : scriptPath;
    return Fail(name + ":" + std::to_string(error->line) + ":" + std::to_string(error->column) +
                ": " + error->message);
  }

  const QLocale locale =
      localeName.empty() ? QLocale::system() : QLocale(tally::ToQString(localeName));
  tally::batch::Session::Options options;
  options.decimalSeparator = tally::ToUtf8(locale.decimalPoint());
  tally::host::ErrorLog::Environment logEnvironment =
      tally::host::ErrorLog::DefaultEnvironment(ExecutableFolder());
  if (!errorLog.empty()) logEnvironment.candidates = {tally::ToQString(errorLog)};
  const tally::host::ErrorLog log(std::move(logEnvironment));
  options.appendErrorLog = [&log](const tally::ErrorInfo& error) { log.Append(error); };
  std::unique_ptr<QGuiApplication> app;
  options.print = [&](const tally::Tape& tape) {
    EnsureGuiApplication(app, argc, argv);
    if (printTo.empty()) {
      // The driver never uses a real printer: the job is made and dropped,
      // so that the run does not depend on the printers of the machine.
      QBuffer discarded;
      discarded.open(QIODevice::WriteOnly);
      tally::print::PrintTapeToPdf(tape, locale, discarded);
      return;
    }
    // Through a temporary file: a job that cannot be written leaves the
    // earlier file whole, and the run goes on after one line that says so.
    QString why;
    const bool written = tally::host::WriteDocument(
        tally::ToQString(printTo),
        [&](QIODevice& device) { return tally::print::PrintTapeToPdf(tape, locale, device); },
        &why, tally::host::Target::Output);
    if (!written) Tell("cannot write " + printTo + ": " + tally::ToUtf8(why));
  };

  options.keptSession = tally::ToQString(keptSession);
  options.paintPdf = [&](const tally::Tape& tape, QIODevice& out) {
    EnsureGuiApplication(app, argc, argv);
    return tally::print::PrintTapeToPdf(tape, locale, out);
  };

  tally::batch::Session session(std::move(options));
  session.Run(std::get<std::vector<tally::batch::Command>>(parsed), std::cout);
  return 0;
}
