// The error log file and the settings store, on real files in a temporary
// folder.

#include "host/error_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "host/settings.h"
#include "identity.h"

namespace tally::host {
namespace {

const QByteArray kVersionField = QByteArray("\"") + kProgramTitle + " v" + kVersion + "\"";

class ErrorLogTest : public ::testing::Test {
 protected:
  ErrorLog::Environment Env(QStringList candidates) {
    ErrorLog::Environment env;
    env.candidates = std::move(candidates);
    env.clock = [] { return LocalDateTime{2026, 12, 9, 10, 33, 5}; };
    env.userName = QStringLiteral("ana");
    env.computerName = QStringLiteral("caixa1");
    return env;
  }
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  static QByteArray Read(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // A file where a folder should be: nothing can be created below it, even
  // by root.
  QString Blocker() const {
    const QString blocker = Path("not-a-folder");
    QFile file(blocker);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return blocker;
  }

  QTemporaryDir dir_;
};

TEST_F(ErrorLogTest, CreatesAMissingFileAndAppendsRecordsInOrder) {
  const QString file = Path("sub/ErrorLog.txt");
  const ErrorLog log(Env({file}));
  EXPECT_EQ(log.Append({"6", "Overflow", "frmCalculator", "StartNewTotal"}), file);
  EXPECT_EQ(log.Append({"5", "x", "frmCalculator", "CheckKeyPress"}), file);
  EXPECT_EQ(Read(file),
            "#2026-12-09 10:33:05#,\"6\",\"Overflow\",\"frmCalculator\",\"StartNewTotal\"," +
                kVersionField + ",\"ana\",\"caixa1\"\r\n" +
                "#2026-12-09 10:33:05#,\"5\",\"x\",\"frmCalculator\",\"CheckKeyPress\"," +
                kVersionField + ",\"ana\",\"caixa1\"\r\n");
}

TEST_F(ErrorLogTest, UnwritableFolderFallsBackThenGivesUp) {
  const QString unwritable = Blocker() + QStringLiteral("/ErrorLog.txt");
  const QString fallback = Path("data/ErrorLog.txt");

  const ErrorLog withFallback(Env({unwritable, fallback}));
  EXPECT_EQ(withFallback.Append({"6", "Overflow", "m", "p"}), fallback);
  EXPECT_TRUE(Read(fallback).contains("\"Overflow\""));

  const ErrorLog nowhere(Env({unwritable}));
  EXPECT_EQ(nowhere.Append({"6", "Overflow", "m", "p"}), QString());
}

TEST_F(ErrorLogTest, ExecutableFolderThenTheUsersDataFolder) {
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", Path("share").toUtf8());
  const QStringList files = ErrorLogCandidates(QStringLiteral("/opt/tally/bin"));
  qputenv("XDG_DATA_HOME", saved);
  const QString inData = Path("share") + QLatin1Char('/') + QString::fromUtf8(kProgramTitle) +
                         QStringLiteral("/ErrorLog.txt");
  EXPECT_EQ(files, (QStringList{QStringLiteral("/opt/tally/bin/ErrorLog.txt"), inData}));
}

TEST_F(ErrorLogTest, UserAndHostComeFromTheEnvironment) {
  const QByteArray user = qgetenv("USER");
  const QByteArray logname = qgetenv("LOGNAME");
  qputenv("USER", "someone");
  EXPECT_EQ(LoginName(), QStringLiteral("someone"));
  qunsetenv("USER");
  qputenv("LOGNAME", "other");
  EXPECT_EQ(LoginName(), QStringLiteral("other"));
  qunsetenv("LOGNAME");
  EXPECT_EQ(LoginName(), QString());
  qputenv("USER", user);
  qputenv("LOGNAME", logname);
  EXPECT_FALSE(HostName().isEmpty());
}

TEST_F(ErrorLogTest, DecimalPlacesGoUnderOptions) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path("config"));
  EXPECT_EQ(StoredDecimalPlaces(), std::nullopt);
  StoreDecimalPlaces(3);
  EXPECT_EQ(StoredDecimalPlaces(), QStringLiteral("3"));
  const QString file = Path("config") + QLatin1Char('/') + QString::fromUtf8(kProgramTitle) +
                       QLatin1Char('/') + QString::fromUtf8(kProgramTitle) +
                       QStringLiteral(".conf");
  QSettings written(file, QSettings::IniFormat);
  EXPECT_EQ(written.value(QStringLiteral("Options/CalculatorFP")).toString(), QStringLiteral("3"));
}

}  // namespace
}  // namespace tally::host
