#pragma once
// Short ways to write the Qt texts tests compare with.

#include <QString>
#include <QStringList>

#include <initializer_list>

namespace tally::testing {

inline QString S(const char* utf8) { return QString::fromUtf8(utf8); }

inline QStringList L(std::initializer_list<const char*> items) {
  QStringList list;
  for (const char* item : items) list << S(item);
  return list;
}

}  // namespace tally::testing
