#include "engine/error_report.h"

namespace tally {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// At least two digits: "07", "12".
std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  return text;
}

}  // namespace

std::string BuildErrorMessage(const ErrorInfo& error) {
  std::string text = "Ocorreu erro: ";
  text += error.number;
  text += "\r\n";
  if (!error.description.empty()) {
    text += "Description: " + error.description + "\r\n";
  }
  if (!error.moduleName.empty()) {
    text += "Module: " + error.moduleName + "\r\n";
  }
  if (!error.procedureName.empty()) {
    text += "Function: " + error.procedureName;
  }
  return text;
}

std::string BuildErrorLogRecord(const LocalDateTime& when, const ErrorInfo& error,
                                const std::string& userName, const std::string& computerName) {
  std::string stamp = std::to_string(when.year);
  stamp.insert(0, stamp.size() < 4 ? 4 - stamp.size() : 0, '0');
  stamp += "-" + TwoDigits(when.month) + "-" + TwoDigits(when.day);
  // Exactly midnight shows the date alone.
  if (when.hour != 0 || when.minute != 0 || when.second != 0) {
    stamp +=
        " " + TwoDigits(when.hour) + ":" + TwoDigits(when.minute) + ":" + TwoDigits(when.second);
  }
  std::string record = "#" + stamp + "#";
  for (const std::string* field :
       {&error.number, &error.description, &error.moduleName, &error.procedureName}) {
    record += "," + Quoted(*field);
  }
  record += "," + Quoted(kVersionText);
  record += "," + Quoted(userName);
  record += "," + Quoted(computerName);
  record += "\r\n";
  return record;
}

}  // namespace tally
