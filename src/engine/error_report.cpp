#include "engine/error_report.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <system_error>

namespace tally {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string TwoDigits(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", value);
  return buf;
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

std::string BuildErrorLogRecord(const LocalDateTime& when,
                                const ErrorInfo& error,
                                const std::string& userName,
                                const std::string& computerName) {
  std::string stamp = std::to_string(when.year);
  stamp.insert(0, stamp.size() < 4 ? 4 - stamp.size() : 0, '0');
  stamp += "-" + TwoDigits(when.month) + "-" + TwoDigits(when.day);
  // Exactly midnight shows the date alone.
  if (when.hour != 0 || when.minute != 0 || when.second != 0) {
    stamp += " " + TwoDigits(when.hour) + ":" + TwoDigits(when.minute) + ":" +
             TwoDigits(when.second);
  }
  std::string record = "#" + stamp + "#";
  for (const std::string* field :
       {&error.number, &error.description, &error.moduleName,
        &error.procedureName}) {
    record += "," + Quoted(*field);
  }
  record += "," + Quoted(kVersionText);
  record += "," + Quoted(userName);
  record += "," + Quoted(computerName);
  record += "\r\n";
  return record;
}

LocalDateTime CurrentLocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string LoginNameFromEnvironment() {
  for (const char* name : {"USER", "LOGNAME"}) {
    if (const char* value = std::getenv(name); value && *value) return value;
  }
  return {};
}

std::string MachineHostName() {
  std::array<char, 256> buf{};
  if (gethostname(buf.data(), buf.size() - 1) != 0) return {};
  return buf.data();
}

std::vector<std::filesystem::path> DefaultErrorLogCandidates(
    const std::filesystem::path& executableFolder) {
  std::vector<std::filesystem::path> files;
  if (!executableFolder.empty()) {
    files.push_back(executableFolder / kErrorLogFileName);
  }
  std::filesystem::path dataHome;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    dataHome = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    dataHome = std::filesystem::path(home) / ".local" / "share";
  }
  if (!dataHome.empty()) {
    files.push_back(dataHome / kProgramTitle / kErrorLogFileName);
  }
  return files;
}

ErrorLogFile::ErrorLogFile(Environment environment)
    : env_(std::move(environment)) {}

std::filesystem::path ErrorLogFile::Append(const ErrorInfo& error) const {
  const std::string record =
      BuildErrorLogRecord(env_.clock ? env_.clock() : CurrentLocalDateTime(),
                          error, env_.userName, env_.computerName);
  for (const auto& file : env_.candidates) {
    std::error_code ec;
    if (file.has_parent_path()) {
      std::filesystem::create_directories(file.parent_path(), ec);
    }
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out) continue;
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
    out.close();
    if (out) return file;
  }
  return {};
}

}  // namespace tally
