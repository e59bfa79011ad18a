#pragma once
// The base of a window test program: each test function starts with the
// user's settings in an empty folder of its own, and, unless the program
// answers its windows itself, with a watcher that answers any modal window or
// menu nobody expected (so that it cannot hang the run) and then fails the
// test that opened it.

#include <QDir>
#include <QFile>
#include <QObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "ui/accessibility.h"
#include "window_harness.h"

namespace tally::ui::testing {

class WindowTest : public QObject {
  Q_OBJECT

 public:
  enum class Dialogs { Unexpected, AnsweredByTheTest };
  // The window's accessible interfaces, as main installs them.
  explicit WindowTest(Dialogs dialogs = Dialogs::Unexpected) : dialogs_(dialogs) {
    InstallAccessibleInterfaces();
  }

 protected:
  // The folder the settings file of this test function goes into.
  QString SettingsRoot() const { return dir_.filePath(QStringLiteral("config")); }
  // The file as the program writes it, read as text.
  QByteArray SettingsText() const {
    QFile file(SettingsRoot() + QStringLiteral("/Tallyroller/Tallyroller.conf"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The value of `key` in the group `group` of that text; empty when absent.
  QString StoredSetting(const char* group, const char* key) const {
    QByteArray current;
    for (QByteArray line : SettingsText().split('\n')) {
      line = line.trimmed();
      if (line.startsWith('[') && line.endsWith(']')) {
        current = line.mid(1, line.size() - 2);
      } else if (current == group && line.startsWith(QByteArray(key) + '=')) {
        return QString::fromUtf8(line.mid(qstrlen(key) + 1));
      }
    }
    return {};
  }
  QString StoredDecimalPlaces() const { return StoredSetting("Options", "CalculatorFP"); }

  // A test that expects a window answers it itself from here on.
  void StopWatching() { watcher_.reset(); }

  // What a program adds to the start and the end of each test function.
  virtual void Prepare() {}
  virtual void Finish() {}

 private Q_SLOTS:
  void init() {
    QVERIFY(dir_.isValid());
    QDir(SettingsRoot()).removeRecursively();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, SettingsRoot());
    if (dialogs_ == Dialogs::Unexpected) watcher_ = std::make_unique<ModalAnswerer>();
    Prepare();
  }

  void cleanup() {
    Finish();
    if (!watcher_) return;
    const QList<ModalAnswerer::Seen> seen = watcher_->seen;
    watcher_.reset();
    for (const auto& s : seen) qWarning("unexpected modal window: %s", qPrintable(s.title));
    QVERIFY2(seen.isEmpty(), "no modal window was expected");
  }

 private:
  const Dialogs dialogs_;
  QTemporaryDir dir_;
  std::unique_ptr<ModalAnswerer> watcher_;
};

}  // namespace tally::ui::testing
