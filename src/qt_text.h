#pragma once
// The one way between the plain layers' UTF-8 std::string and QString.

#include <QString>

#include <string>
#include <string_view>

namespace tally {

inline QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string ToUtf8(const QString& text) { return text.toStdString(); }

}  // namespace tally
