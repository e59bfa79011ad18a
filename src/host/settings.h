#pragma once
// The user's settings store (~/.config/Tallyroller/Tallyroller.conf on Linux):
// every key the program writes, in one place.

#include <QString>

#include <optional>

namespace tally::host {

// Writes the chosen number of decimal places (0..6) as "Options/CalculatorFP".
// A store that cannot be written is passed over: nobody needs to know.
void StoreDecimalPlaces(int places);

// The stored text of that choice; the window never reads it back, tests do.
std::optional<QString> StoredDecimalPlaces();

// Whether the session is kept across closing ("Options/KeepSession", "1" or
// "0"); off when nothing is stored.
void StoreKeepSession(bool keep);
bool StoredKeepSession();

// Add mode ("Options/AddMode", "1" or "0"); off when nothing is stored.
void StoreAddMode(bool on);
bool StoredAddMode();

}  // namespace tally::host
