#include "host/document_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "host/system_error.h"

namespace tally::host {
namespace {

bool Fail(QString* error, const QString& why) {
  if (error) *error = why;
  return false;
}

bool FailErrno(QString* error, int err) { return Fail(error, SystemErrorText(err)); }

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The temporary file of a write: "<name>.tallyroller-<pid>-<n>.tmp" beside
// the target, so that a leftover can be told from anything else and its
// maker asked after.
QString TempInfix() { return QStringLiteral(".tallyroller-"); }
QString TempSuffix() { return QStringLiteral(".tmp"); }

QString TemporaryName(const QString& target) {
  static std::atomic<unsigned> counter{0};
  return target + TempInfix() + QString::number(::getpid()) + QLatin1Char('-') +
         QString::number(counter++) + TempSuffix();
}

QString KindText(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("é uma pasta");
  if (S_ISFIFO(mode)) return QStringLiteral("é um pipe nomeado (FIFO): não é um arquivo comum");
  if (S_ISSOCK(mode)) return QStringLiteral("é um socket: não é um arquivo comum");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("é um dispositivo: não é um arquivo comum");
  return QStringLiteral("não é um arquivo comum");
}

// Descriptor aliases (/dev/stdout, /proc/self/fd/1): renaming over what
// they lead to would replace what they stand for.
bool SystemPath(const QString& absolute) {
  return absolute.startsWith(QLatin1String("/proc/")) ||
         absolute.startsWith(QLatin1String("/dev/fd/")) ||
         absolute == QLatin1String("/dev/stdout") || absolute == QLatin1String("/dev/stderr");
}

bool WriteAll(int fd, const QByteArray& bytes, QString* error) {
  qint64 done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailErrno(error, errno);
    if (n == 0) return FailErrno(error, ENOSPC);
    done += n;
  }
  return true;
}

// Straight into what is there (a pipe, a terminal, /dev/stdout).
bool WriteInPlace(const QString& path, const QByteArray& bytes, QString* error) {
  // Non-blocking at first: a FIFO with no reader fails at once instead of
  // waiting for one for ever.
  const int fd = ::open(Native(path).constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FailErrno(error, errno);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  const bool written = WriteAll(fd, bytes, error);
  return ::close(fd) == 0 ? written : written && FailErrno(error, errno);
}

bool WriteRenamed(const QString& path, const struct stat* earlier, const QByteArray& bytes,
                  QString* error) {
  RemoveLeftovers(path);
  const QString temporary = TemporaryName(path);
  const QByteArray native = Native(temporary);
  const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return FailErrno(error, errno);
  // The new file has the earlier one's permissions.
  if (earlier) ::fchmod(fd, earlier->st_mode & 07777);
  bool ok = WriteAll(fd, bytes, error);
  if (ok && ::fdatasync(fd) != 0) ok = FailErrno(error, errno);
  if (::close(fd) != 0 && ok) ok = FailErrno(error, errno);
  if (ok && ::rename(native.constData(), Native(path).constData()) != 0) {
    ok = FailErrno(error, errno);
  }
  if (!ok) ::unlink(native.constData());
  return ok;
}

}  // namespace

QString NotARegularFile(const QString& path) {
  struct stat st {};
  if (::stat(Native(path).constData(), &st) != 0) {
    const int err = errno;
    struct stat link {};
    if (err == ENOENT && ::lstat(Native(path).constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
      return QStringLiteral("é uma ligação simbólica para um arquivo que não existe");
    }
    if (err == ENOENT) return QStringLiteral("o arquivo não existe");
    return SystemErrorText(err);
  }
  return S_ISREG(st.st_mode) ? QString() : KindText(st.st_mode);
}

void RemoveLeftovers(const QString& target) {
  const QFileInfo info(target);
  const QString prefix = info.fileName() + TempInfix();
  const QDir folder = info.absoluteDir();
  const QStringList names =
      folder.entryList({prefix + QStringLiteral("*") + TempSuffix()}, QDir::Files | QDir::Hidden);
  for (const QString& name : names) {
    const QString middle = name.mid(prefix.size(), name.size() - prefix.size() - TempSuffix().size());
    const qsizetype dash = middle.indexOf(QLatin1Char('-'));
    bool isNumber = false, isCount = false;
    const qint64 pid = middle.left(dash).toLongLong(&isNumber);
    middle.mid(dash + 1).toULongLong(&isCount);
    if (dash <= 0 || !isNumber || !isCount || pid <= 0 || pid > INT_MAX) continue;
    // A process still running may be writing it right now.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    const QByteArray native = Native(folder.filePath(name));
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(native.constData());
  }
}

bool WriteDocument(const QString& path, const std::function<bool(QIODevice&)>& fill,
                   QString* error, Target target) {
  // The document is made whole in memory first: whatever writes it may not
  // look at what each write returns.
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (!fill(buffer)) return Fail(error, QStringLiteral("o documento não pôde ser feito"));
  return WriteDocument(path, buffer.data(), error, target);
}

bool WriteDocument(const QString& path, const QByteArray& bytes, QString* error, Target target) {
  if (path.isEmpty()) return FailErrno(error, ENOENT);
  const QString absolute = QFileInfo(path).absoluteFilePath();
  struct stat st {};
  if (::stat(Native(absolute).constData(), &st) != 0) {
    const int err = errno;
    if (err != ENOENT) return FailErrno(error, err);
    // A new file, or a link to one that does not exist yet: the link is
    // followed as a shell's redirection would.
    const QFileInfo link(absolute);
    const QString real = link.isSymLink() ? link.symLinkTarget() : absolute;
    if (target == Target::Document && SystemPath(real)) {
      return Fail(error, QStringLiteral("não é um arquivo comum"));
    }
    return WriteRenamed(real, nullptr, bytes, error);
  }
  if (S_ISDIR(st.st_mode)) return Fail(error, KindText(st.st_mode));
  const bool regular = S_ISREG(st.st_mode);
  if (target == Target::Output && (!regular || SystemPath(absolute))) {
    return WriteInPlace(absolute, bytes, error);
  }
  if (!regular || SystemPath(absolute)) return Fail(error, KindText(st.st_mode));
  // A link stays a link: the document it names is replaced.
  const QString real = QFileInfo(absolute).canonicalFilePath();
  return WriteRenamed(real.isEmpty() ? absolute : real, &st, bytes, error);
}

}  // namespace tally::host
