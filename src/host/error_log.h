#pragma once
// The error log file: where it lives, who and where the user is, and the
// appending of one record.

#include <QString>
#include <QStringList>

#include <functional>

#include "engine/error_report.h"

namespace tally::host {

inline constexpr const char* kErrorLogFileName = "ErrorLog.txt";

// Where the log goes, first choice first: the executable's folder, then the
// per-user data folder (~/.local/share/Tallyroller, $XDG_DATA_HOME honoured).
QStringList ErrorLogCandidates(const QString& executableFolder);

// The login name (USER, else LOGNAME, else empty) and the machine's host name.
QString LoginName();
QString HostName();

// The local date and time from the system clock.
LocalDateTime CurrentLocalDateTime();

// Appends records to the first of its candidate files that takes one whole
// (missing folders are created). When none can, the record is given up
// silently: a log that cannot be written never stops the calculator.
class ErrorLog {
 public:
  struct Environment {
    QStringList candidates;
    std::function<LocalDateTime()> clock = CurrentLocalDateTime;
    QString userName;
    QString computerName;
  };
  // The candidates beside `executableFolder`, the user and the host.
  static Environment DefaultEnvironment(const QString& executableFolder);

  explicit ErrorLog(Environment environment);

  // Returns the file written, or an empty text when the record was given up.
  QString Append(const ErrorInfo& error) const;

 private:
  Environment env_;
};

}  // namespace tally::host
