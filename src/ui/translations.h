#pragma once
// Qt's own texts (standard buttons, file dialogs, the menus of text fields)
// in the window's language.

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace tally::ui {

// The Qt translation the window loads for `locale`: the locale's own
// Portuguese when it is a Portuguese one, else Brazilian Portuguese, since
// the window speaks Portuguese whatever the locale. Empty when none of them
// is installed in `directory`.
QString QtTranslationFile(const QLocale& locale, const QString& directory);

// Installs that translation, from Qt's translations folder, into `app` for
// the default locale; once is enough, more calls do nothing. False when no
// translation could be loaded, and Qt's English texts stay.
bool InstallQtTranslations(QCoreApplication* app);

}  // namespace tally::ui
