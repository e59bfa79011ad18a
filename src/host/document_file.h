#pragma once
// Writing a document the user keeps (a PDF, a tape file, a CSV file, the kept
// session) so that a failed write never destroys the earlier file: it goes to
// a temporary file beside the target, renamed into place once whole.

#include <QString>

#include <functional>

class QIODevice;

namespace tally::host {

// Writes what `fill` puts into the device, which reports whether it could.
// A target that exists and is not a regular file (a device such as
// /dev/stdout, a FIFO) is written directly and never renamed over; a folder
// is refused. On failure the earlier file is left whole and `error`, when
// given, says why in words a user can read.
bool WriteDocument(const QString& path, const std::function<bool(QIODevice&)>& fill,
                   QString* error = nullptr);
// The same for a document already made.
bool WriteDocument(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace tally::host
