#pragma once
// A device in memory that takes the first `room` bytes written to it and
// fails every write after them, as a disk that fills up does: for a writer
// that is handed a device, simpler than a child process under a file size
// limit.

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

namespace tally::testing {

class FailDevice final : public QIODevice {
 public:
  explicit FailDevice(qint64 room) : room_(room) {}

  const QByteArray& Written() const { return written_; }
  // Whether a write was refused.
  bool Failed() const { return failed_; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    const qint64 taken = std::min(size, room_ - written_.size());
    if (taken > 0) written_.append(data, taken);
    if (taken == size) return size;
    failed_ = true;
    setErrorString(QStringLiteral("No space left on device"));
    // A short write first, as write(2) gives; then nothing.
    return taken > 0 ? taken : -1;
  }

 private:
  const qint64 room_;
  QByteArray written_;
  bool failed_ = false;
};

}  // namespace tally::testing
