#pragma once
// Texts of an error report: the message box and the log record. Writing the
// record to a file is the host's business.

#include <string>

#include "engine/host.h"
#include "identity.h"

namespace tally {

// "Tallyroller - ERRO": the title of the error message box.
inline std::string ErrorBoxTitle() { return std::string(kProgramTitle) + " - ERRO"; }

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "Ocorreu erro: 6\r\nDescription: ...\r\nModule: ...\r\nFunction: ..."
std::string BuildErrorMessage(const ErrorInfo& error);

// One line of eight comma-separated fields, ending with CR LF.
std::string BuildErrorLogRecord(const LocalDateTime& when, const ErrorInfo& error,
                                const std::string& userName, const std::string& computerName);

}  // namespace tally
