#pragma once
// Why a file could not be read or written, in the user's language: the
// system's own texts (strerror, Qt's errorString) are English.

#include <QString>

namespace tally::host {

// The reason for an errno value, without a final period ("o disco está
// cheio"); a general one for values without their own text.
QString SystemErrorText(int error);

}  // namespace tally::host
