#pragma once
// Writing a document the user keeps (a PDF, a tape file, a CSV file, the kept
// session) so that a failed write never destroys the earlier file: it goes to
// a temporary file beside the target, renamed into place once whole.

#include <QString>

#include <functional>

class QIODevice;

namespace tally::host {

enum class Target {
  // A file the user keeps: only a regular file is written (renamed over);
  // a folder, a FIFO, a socket or a device is refused.
  Document,
  // Where the user sends output (the driver's print jobs): a FIFO, a device
  // or a descriptor alias (/dev/stdout) is written directly, never renamed
  // over; a FIFO nobody reads from is refused instead of waited on.
  Output,
};

// Writes what `fill` puts into the device, which reports whether it could.
// On failure the earlier file is left whole and `error`, when given, says
// why in words a user can read.
bool WriteDocument(const QString& path, const std::function<bool(QIODevice&)>& fill,
                   QString* error = nullptr, Target target = Target::Document);
// The same for a document already made.
bool WriteDocument(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                   Target target = Target::Document);

// Why `path` cannot be read as a document (it does not exist, is a folder,
// a FIFO, a link that loops...), or an empty text when it is a regular file.
QString NotARegularFile(const QString& path);

// Removes the temporary files that a write of `target` left behind in a
// process that was killed before it could rename or remove them. Only this
// program's own: their names carry the process that made them, and a
// process still running keeps its own.
void RemoveLeftovers(const QString& target);

}  // namespace tally::host
