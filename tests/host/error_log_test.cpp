// The error log file and the settings store, on real files in a temporary
// folder.

#include "host/error_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "child_process.h"
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

// On a disk that fills up (a file size limit in a child process) a record is
// appended whole or not at all: never a part without its CR LF for the next
// record to glue onto.
TEST_F(ErrorLogTest, ARecordIsAppendedWholeOrNotAtAll) {
  const QString file = Path("ErrorLog.txt");
  const ErrorInfo first{"6", "Overflow", "frmCalculator", "StartNewTotal"};
  const ErrorInfo second{"5", "Invalid procedure call or argument", "frmCalculator",
                         "cmdFunction_Click0"};
  const ErrorInfo third{"11", "Division by zero", "frmCalculator", "cmdFunction_Click2"};
  const ErrorLog log(Env({file}));
  ASSERT_EQ(log.Append(first), file);
  const QByteArray before = Read(file);
  ASSERT_EQ(log.Append(second), file);
  const QByteArray secondRecord = Read(file).mid(before.size());
  const auto size = static_cast<rlim_t>(before.size());
  const auto record = static_cast<rlim_t>(secondRecord.size());

  const struct {
    const char* name;
    rlim_t limit;
    bool fits;
  } cases[] = {
      {"the disk is full", size, false},
      {"room for a few bytes", size + 10, false},
      {"room for all but the CR LF", size + record - 2, false},
      {"room for all but the LF", size + record - 1, false},
      {"room for the record exactly", size + record, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile reset(file);
    ASSERT_TRUE(reset.open(QIODevice::WriteOnly));
    reset.write(before);
    reset.close();
    const int written = tally::testing::RunInChild(
        {c.limit, std::nullopt}, [&] { return log.Append(second) == file ? 1 : 0; });
    EXPECT_EQ(written, c.fits ? 1 : 0);
    EXPECT_EQ(Read(file), c.fits ? before + secondRecord : before);
    // The next record, with room again, starts a line of its own.
    ASSERT_EQ(log.Append(third), file);
    const QByteArray after = Read(file);
    EXPECT_TRUE(
        after.endsWith("\"cmdFunction_Click2\"," + kVersionField + ",\"ana\",\"caixa1\"\r\n"));
    EXPECT_EQ(after.count("\r\n"), c.fits ? 3 : 2);
    EXPECT_EQ(after.count("\r\n#"), c.fits ? 2 : 1);
  }
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
