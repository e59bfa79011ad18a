#pragma once
// The kept session: the calculator after every key, in a journal file that a
// crash, a kill or a power cut leaves readable up to a whole key.
//
// The file holds a header, one record with the whole calculator, then one
// small record per key with what the key changed (the state fields that
// differ, the end of the display that differs, the tape lines added, removed
// or rewritten). Records are written into a memory map of the file, their
// marker last, so a key costs a few bytes copied and no system call, and a
// process killed at any instant leaves every earlier record whole in the
// system's cache. Sync() asks for it all on disk. When the room runs out the
// journal is written afresh (a temporary file renamed into place) as one
// record with the whole calculator.

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/calculator.h"

namespace tally::host {

class KeptSession {
 public:
  // The session beside the error log: ~/.local/share/Tallyroller.
  static QString DefaultPath();

  // `room`: the bytes for keys after the whole calculator before the journal
  // is written afresh; 0 for the usual room of some hundred thousand keys.
  explicit KeptSession(QString path, qint64 room = 0);
  ~KeptSession();
  KeptSession(const KeptSession&) = delete;
  KeptSession& operator=(const KeptSession&) = delete;

  const QString& Path() const { return path_; }

  // What a start finds at the path.
  struct Found {
    std::optional<CalculatorSnapshot> snapshot;  // the calculator to put back
    QString notice;  // for the user, once: the session could not be read
    bool heldElsewhere = false;  // another window keeps it
  };
  // Reads the session, if there is one, and takes it for this program alone.
  // One that cannot be read (damaged, written by a newer version, a folder or
  // a FIFO in the way) is moved aside, never deleted, and the notice says
  // where it went; of one damaged after some whole keys, the calculator as
  // it was after them is put back. One that another window keeps is left
  // alone: the notice says so. A lock whose holder is gone is taken over.
  Found Load();

  // Starts keeping `calc`: its whole state becomes a fresh journal, and every
  // later Commit records what changed. False, with the reason, when the file
  // cannot be written or another window keeps the same session.
  bool Start(Calculator& calc, QString* error = nullptr);
  // Records what the operations since the last call changed, if anything.
  // When the journal cannot be written afresh (a full disk) keeping pauses
  // until the next Sync, and TakeNotice says so once.
  void Commit();
  // Puts everything recorded on disk; called at a pause, it also tries again
  // to keep a session that could not be written.
  void Sync();
  // What the user must hear about keeping since the last call, or nothing.
  QString TakeNotice();
  // Stops keeping; with `remove` the session file goes too (the user turned
  // keeping off).
  void Stop(bool remove);
  bool Keeping() const { return calc_ != nullptr; }

 private:
  bool WriteFresh(QString* error);
  bool Map(qint64 capacity, QString* error);
  void Unmap();
  bool Append(const std::string& body);
  enum class Lock { Taken, HeldElsewhere, Unavailable };
  Lock TakeLock(QString* why);
  void ReleaseLock();

  QString path_;
  QByteArray lockPath_;
  int lockFd_ = -1;
  qint64 room_;
  Calculator* calc_ = nullptr;
  // The journal could not be written: nothing is recorded until a pause.
  bool stalled_ = false;
  QString notice_;
  QFile file_;
  uchar* map_ = nullptr;
  qint64 capacity_ = 0;
  qint64 used_ = 0;
  qint64 mappedAhead_ = 0;
  // What the journal holds so far, to record only what changes.
  CalculatorState state_;
  DisplayTexts labels_;
  std::int32_t selected_ = -1;
  // Kept from key to key so that a key allocates nothing.
  std::vector<TapeChange> changes_;
  std::string body_;
};

// The start of a window or a run that keeps its session: reads the session
// (putting the calculator back as it was kept when `restore`, with the
// numbers in this locale's decimal separator) and starts keeping it.
struct Resumed {
  bool restored = false;  // the calculator is the kept one
  bool keeping = false;   // false: `kept` can go
  QStringList notices;    // to tell the user, each once, in this order
};
Resumed ResumeKeptSession(KeptSession& kept, Calculator& calc, bool restore);

}  // namespace tally::host
