// Writing a document through a temporary file renamed into place: a failed
// write, whatever failed, leaves the earlier file whole and says why.

#include "host/document_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <string>
#include <thread>

#include "child_process.h"

namespace tally::host {
namespace {

using tally::testing::ChildLimits;
using tally::testing::kNobody;
using tally::testing::RunInChild;

const std::string kEarlier = "the earlier document, which must survive\n";

// Fills a device with `bytes`; false when the device took fewer.
std::function<bool(QIODevice&)> Writes(std::string text) {
  return [bytes = QByteArray::fromStdString(text)](QIODevice& device) {
    return device.write(bytes) == bytes.size();
  };
}

class DocumentFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // Another user may look into the folder (the unwritable-folder case).
    ASSERT_EQ(chmod(dir_.path().toLocal8Bit().constData(), 0755), 0);
  }
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  static std::string Read(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<unreadable>";
  }
  static void Put(const QString& file, const std::string& text) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(text.data(), static_cast<qint64>(text.size())),
              static_cast<qint64>(text.size()));
  }
  static ino_t Inode(const QString& file) {
    struct stat st {};
    return stat(file.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
  }
  // Everything in `folder` but what is expected there: temporary files left
  // behind.
  static QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
  }

  QTemporaryDir dir_;
};

TEST_F(DocumentFileTest, WritesANewFileAndReplacesAnEarlierOneByRenaming) {
  const QString file = Path("tape.pdf");
  QString error;
  ASSERT_TRUE(WriteDocument(file, Writes(kEarlier), &error)) << error.toStdString();
  EXPECT_EQ(Read(file), kEarlier);
  ASSERT_EQ(chmod(file.toLocal8Bit().constData(), 0640), 0);
  const ino_t before = Inode(file);

  ASSERT_TRUE(WriteDocument(file, Writes("short"), &error)) << error.toStdString();
  EXPECT_EQ(Read(file), "short");
  EXPECT_NE(Inode(file), before);  // a new file took the old one's name
  struct stat st {};
  ASSERT_EQ(stat(file.toLocal8Bit().constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(dir_.path()), QStringList{QStringLiteral("tape.pdf")});
}

// A full disk (a file size limit in a child process), a writer that gives up
// at once or half-way: the earlier file stays as it was, no temporary file
// is left, and the failure is told.
TEST_F(DocumentFileTest, AFailedWriteLeavesTheEarlierFileWhole) {
  // A big document goes to the disk as it is written; a small one stays in
  // the device's buffer until the end, where the disk may fill up too.
  const std::string big(256 * 1024, 'x');
  const std::string small(8 * 1024, 'x');
  const struct {
    const char* name;
    std::optional<rlim_t> fileSize;
    std::function<bool(QIODevice&)> fill;
  } cases[] = {
      {"the disk fills up", 64 * 1024, Writes(big)},
      {"the disk is full from the start", 0, Writes(big)},
      {"the disk fills up as the end is written", 4096, Writes(small)},
      {"the disk is full when the end is written", 0, Writes(small)},
      {"the writer gives up", std::nullopt, [](QIODevice&) { return false; }},
      {"the writer gives up half-way", std::nullopt,
       [&](QIODevice& device) {
         device.write(big.data(), static_cast<qint64>(big.size()));
         return false;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = Path("tape.pdf");
    Put(file, kEarlier);
    // 0: refused and told why; 1: reported written; 2: refused without a
    // word; 3: without a cause.
    const int outcome = RunInChild({c.fileSize, std::nullopt}, [&] {
      QString error;
      if (WriteDocument(file, c.fill, &error)) return 1;
      if (error.isEmpty()) return 2;
      return error.contains(QStringLiteral("Unknown")) ? 3 : 0;
    });
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(Read(file), kEarlier);
    EXPECT_EQ(Entries(dir_.path()), QStringList{QStringLiteral("tape.pdf")});
  }
}

TEST_F(DocumentFileTest, FoldersInTheWayAndUnwritableFoldersAreRefused) {
  // The target is a folder.
  const QString folder = Path("tape.pdf");
  ASSERT_TRUE(QDir().mkdir(folder));
  QString error;
  EXPECT_FALSE(WriteDocument(folder, Writes("x"), &error));
  EXPECT_EQ(error, QStringLiteral("é uma pasta"));
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_TRUE(Entries(folder).isEmpty());

  // A file stands where its folder should be.
  const QString blocker = Path("not-a-folder");
  Put(blocker, kEarlier);
  error.clear();
  EXPECT_FALSE(WriteDocument(blocker + QStringLiteral("/tape.pdf"), Writes("x"), &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(Read(blocker), kEarlier);

  // A folder the user may not write, with an earlier file in it.
  const QString locked = Path("locked");
  ASSERT_TRUE(QDir().mkdir(locked));
  const QString file = locked + QStringLiteral("/tape.pdf");
  Put(file, kEarlier);
  ASSERT_EQ(chmod(file.toLocal8Bit().constData(), 0666), 0);
  ASSERT_EQ(chmod(locked.toLocal8Bit().constData(), 0555), 0);
  const std::optional<uid_t> user = geteuid() == 0 ? std::optional<uid_t>(kNobody) : std::nullopt;
  const int outcome = RunInChild({std::nullopt, user}, [&] {
    QString why;
    if (WriteDocument(file, Writes("x"), &why)) return 1;
    return why.isEmpty() ? 2 : 0;
  });
  if (outcome == -1 && user) {
    chmod(locked.toLocal8Bit().constData(), 0755);
    GTEST_SKIP() << "the test runs as root and this machine does not let it become another "
                    "user, whom the folder would refuse";
  }
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(Read(file), kEarlier);
  EXPECT_EQ(Entries(locked), QStringList{QStringLiteral("tape.pdf")});
  chmod(locked.toLocal8Bit().constData(), 0755);
}

// A FIFO, a socket or a device is no document: refused at once, never
// waited on. Where the user sends output, a FIFO with a reader and a
// descriptor alias are written in place; one with no reader is refused.
TEST_F(DocumentFileTest, NonRegularTargetsAreRefusedAsDocumentsAndWrittenInPlaceAsOutput) {
  const QString fifo = Path("pipe");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  // In a child with an alarm: a hang fails the test instead of stopping it.
  const auto quick = [](const std::function<int()>& body) {
    return RunInChild({std::nullopt, std::nullopt}, [&] {
      alarm(20);
      return body();
    });
  };
  EXPECT_EQ(quick([&] {
              QString error;
              if (WriteDocument(fifo, Writes(kEarlier), &error)) return 1;
              return error.contains(QStringLiteral("FIFO")) ? 0 : 2;
            }),
            0);
  EXPECT_EQ(quick([&] {
              QString error;
              if (WriteDocument(fifo, Writes(kEarlier), &error, Target::Output)) return 1;
              return error == QStringLiteral("ninguém está lendo do outro lado") ? 0 : 2;
            }),
            0);
  EXPECT_EQ(quick([&] {
              QString error;
              if (WriteDocument(QStringLiteral("/dev/stdout"), Writes(kEarlier), &error)) return 1;
              return error.isEmpty() ? 2 : 0;
            }),
            0);

  QByteArray received;
  std::thread reader([&] {
    QFile f(fifo);
    if (f.open(QIODevice::ReadOnly)) received = f.readAll();
  });
  QString error;
  bool written = false;
  // The reader opens the FIFO in its own time.
  for (int attempt = 0; attempt < 2000 && !written; ++attempt) {
    written = WriteDocument(fifo, Writes(kEarlier), &error, Target::Output);
    if (!written) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  reader.join();
  EXPECT_TRUE(written) << error.toStdString();
  EXPECT_EQ(received.toStdString(), kEarlier);
  struct stat st {};
  ASSERT_EQ(lstat(fifo.toLocal8Bit().constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // Standard output, a pipe here, takes the job as it is.
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const int outcome = quick([&] {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    return WriteDocument(QStringLiteral("/dev/stdout"), Writes(kEarlier), nullptr, Target::Output)
               ? 0
               : 1;
  });
  close(pipeFds[1]);
  std::string fromPipe;
  char buf[256];
  for (ssize_t n; (n = read(pipeFds[0], buf, sizeof buf)) > 0;) fromPipe.append(buf, n);
  close(pipeFds[0]);
  EXPECT_EQ(outcome, 0);
  EXPECT_EQ(fromPipe, kEarlier);
}

TEST_F(DocumentFileTest, ReasonsAreGivenInPortuguese) {
  const QString loop = Path("loop");
  ASSERT_TRUE(QFile::link(loop, loop));
  const QString dangling = Path("dangling");
  ASSERT_TRUE(QFile::link(Path("nowhere"), dangling));
  const QString blocker = Path("file");
  Put(blocker, kEarlier);
  const struct {
    QString path;
    const char* reason;
  } cases[] = {
      {loop, "há um laço de ligações simbólicas no caminho"},
      {dangling, "é uma ligação simbólica para um arquivo que não existe"},
      {Path("missing"), "o arquivo não existe"},
      {dir_.path(), "é uma pasta"},
      {blocker + QStringLiteral("/x"), "parte do caminho não é uma pasta"},
      {Path("x").repeated(1) + QString(300, u'n'), "o nome do arquivo é longo demais"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(NotARegularFile(c.path), QString::fromUtf8(c.reason));
  }
  EXPECT_TRUE(NotARegularFile(blocker).isEmpty());
  QString error;
  EXPECT_FALSE(WriteDocument(loop, Writes("x"), &error));
  EXPECT_EQ(error, QStringLiteral("há um laço de ligações simbólicas no caminho"));
}

// A temporary file of a write killed half-way goes at the next write of the
// same document; one of a program still running stays.
TEST_F(DocumentFileTest, LeftoversOfAKilledWriteAreRemoved) {
  const QString file = Path("tape.txt");
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const QString leftover = file + QStringLiteral(".tallyroller-%1-3.tmp").arg(gone);
  const QString running = file + QStringLiteral(".tallyroller-%1-0.tmp").arg(getppid());
  const QString users = file + QStringLiteral(".backup");
  for (const QString& name : {leftover, running, users}) Put(name, "x");
  QString error;
  ASSERT_TRUE(WriteDocument(file, Writes(kEarlier), &error)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(leftover));
  EXPECT_TRUE(QFile::exists(running));
  EXPECT_TRUE(QFile::exists(users));
}

// A link to a document stays a link; the document it names is replaced.
TEST_F(DocumentFileTest, ALinkStaysALink) {
  const QString target = Path("real.pdf");
  const QString link = Path("link.pdf");
  Put(target, kEarlier);
  ASSERT_TRUE(QFile::link(target, link));
  QString error;
  ASSERT_TRUE(WriteDocument(link, Writes("new"), &error)) << error.toStdString();
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(Read(target), "new");
}

}  // namespace
}  // namespace tally::host
