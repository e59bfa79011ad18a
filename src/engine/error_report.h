#pragma once
// Texts of an error report (the message box and the log record) and the
// appender of the error log file.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/host.h"

namespace tally {

inline constexpr const char* kProgramTitle = "Tallyroller";
inline constexpr const char* kVersionText = "Tallyroller v3.0.28";
inline constexpr const char* kErrorBoxTitle = "Tallyroller - ERRO";
inline constexpr const char* kErrorLogFileName = "ErrorLog.txt";

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "Ocorreu erro: 6\r\nDescription: ...\r\nModule: ...\r\nFunction: ..."
std::string BuildErrorMessage(const ErrorInfo& error);

// One line of eight comma-separated fields, ending with CR LF.
std::string BuildErrorLogRecord(const LocalDateTime& when,
                                const ErrorInfo& error,
                                const std::string& userName,
                                const std::string& computerName);

// The local date and time from the system clock.
LocalDateTime CurrentLocalDateTime();
// The login name (USER, else LOGNAME, else empty) and the host name.
std::string LoginNameFromEnvironment();
std::string MachineHostName();

// Where the log goes: the executable's folder, else the per-user data folder
// ($XDG_DATA_HOME or ~/.local/share, then "Tallyroller").
std::vector<std::filesystem::path> DefaultErrorLogCandidates(
    const std::filesystem::path& executableFolder);

// Appends records to the first of its candidate files that can be opened for
// appending (missing folders are created). When none can, the record is given
// up silently: a log that cannot be written never stops the calculator.
class ErrorLogFile {
 public:
  struct Environment {
    std::vector<std::filesystem::path> candidates;
    std::function<LocalDateTime()> clock = CurrentLocalDateTime;
    std::string userName;
    std::string computerName;
  };

  explicit ErrorLogFile(Environment environment);

  // Returns the file written, or an empty path when the record was given up.
  std::filesystem::path Append(const ErrorInfo& error) const;

 private:
  Environment env_;
};

}  // namespace tally
