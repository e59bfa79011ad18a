#include "host/tape_documents.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <variant>

#include "host/document_file.h"
#include "host/system_error.h"
#include "identity.h"
#include "qt_text.h"
#include "tape/tape_file.h"

namespace tally::host {
namespace {

constexpr const char* kEmptyTapeText = "A fita está vazia: não há nada para gravar.";
constexpr const char* kReplaceQuestion =
    "A fita atual será substituída pela fita do arquivo. Deseja continuar?";

// The whole of a small regular file, or why it cannot be a tape file. The
// size is checked before anything is read, and no more than the limit is.
std::variant<QByteArray, QString> ReadTapeFile(const QString& path) {
  if (const QString why = NotARegularFile(path); !why.isEmpty()) return why;
  if (QFileInfo(path).size() > kMaxTapeFileBytes) {
    return QStringLiteral("o arquivo é grande demais para ser uma fita");
  }
  // Not blocking, should a FIFO take the file's place meanwhile.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  QFile file;
  if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    return QStringLiteral("o arquivo não pôde ser lido (%1)").arg(SystemErrorText(err));
  }
  QByteArray bytes = file.read(kMaxTapeFileBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    return QStringLiteral("o arquivo não pôde ser lido (%1)").arg(SystemErrorText(EIO));
  }
  if (bytes.size() > kMaxTapeFileBytes) {
    return QStringLiteral("o arquivo é grande demais para ser uma fita");
  }
  return bytes;
}

}  // namespace

TapeDocuments::TapeDocuments(Calculator& calc, CalculatorHost& host, PdfPainter paintPdf)
    : calc_(calc), host_(host), paintPdf_(std::move(paintPdf)) {}

void TapeDocuments::Tell(const QString& text) {
  host_.ShowMessageBox({kProgramTitle, text.toStdString(), MessageIcon::Exclamation});
}

bool TapeDocuments::Write(const QString& path, const char* failure,
                          const std::function<bool(QIODevice&)>& fill) {
  if (calc_.GetTape().Empty()) {
    Tell(QString::fromUtf8(kEmptyTapeText));
    return false;
  }
  QString error;
  if (WriteDocument(path, fill, &error)) return true;
  Tell(QString::fromUtf8(failure).arg(path, error));
  return false;
}

bool TapeDocuments::Save(const QString& path) {
  return Write(path, "Não foi possível gravar a fita em \"%1\": %2.", [&](QIODevice& out) {
    const std::string text = TapeFileText(calc_.GetTape());
    return out.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
  });
}

bool TapeDocuments::ExportCsv(const QString& path) {
  return Write(path, "Não foi possível exportar a fita para \"%1\": %2.", [&](QIODevice& out) {
    const std::string text = TapeCsvText(calc_.GetTape(), calc_.DecimalSeparator());
    return out.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
  });
}

bool TapeDocuments::ExportPdf(const QString& path) {
  return Write(path, "Não foi possível exportar a fita para \"%1\": %2.",
               [&](QIODevice& out) { return paintPdf_ && paintPdf_(calc_.GetTape(), out); });
}

bool TapeDocuments::Open(const QString& path) {
  const auto read = ReadTapeFile(path);
  QString why;
  TapeFileContents contents;
  if (const auto* error = std::get_if<QString>(&read)) {
    why = *error;
  } else {
    const QByteArray& bytes = std::get<QByteArray>(read);
    contents = ReadTapeFileText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        calc_.DecimalSeparator());
    if (const auto* error = std::get_if<TapeFileError>(&contents)) {
      why = error->line > 0
                ? QStringLiteral("a linha %1 %2").arg(error->line).arg(ToQString(error->reason))
                : ToQString(error->reason);
    }
  }
  if (!why.isEmpty()) {
    Tell(QStringLiteral("Não foi possível abrir \"%1\": %2.").arg(path, why));
    return false;
  }
  if (!calc_.GetTape().Empty() &&
      !host_.AskYesNo({kProgramTitle, kReplaceQuestion, MessageIcon::Question})) {
    return false;
  }
  calc_.OpenTape(std::get<std::vector<TapeLine>>(std::move(contents)));
  return true;
}

}  // namespace tally::host
