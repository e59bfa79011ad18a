#pragma once
// The user's settings store (~/.config/Tallyroller/Tallyroller.conf on Linux):
// every key the program writes, in one place.

#include <QString>
#include <QStringList>

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

// The folder the file dialogs last went to ("Files/LastFolder"); empty when
// none is stored.
void StoreLastFolder(const QString& folder);
QString StoredLastFolder();

// The tapes last opened or saved, the latest first ("Files/RecentTapes").
inline constexpr int kRecentTapesKept = 8;
QStringList StoredRecentTapes();
// `path` goes to the front of the list, once, and the list keeps the latest
// kRecentTapesKept; returns the list as stored.
QStringList AddRecentTape(const QString& path);
QStringList RemoveRecentTape(const QString& path);
// The list with `path` in front, without repeats, cut to the kept length.
QStringList WithRecentTape(QStringList tapes, const QString& path);

// The window's zoom in percent ("View/Zoom"); 100 when nothing sensible is
// stored.
void StoreZoom(int percent);
int StoredZoom();

}  // namespace tally::host
