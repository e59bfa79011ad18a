#include "ui/translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace tally::ui {
QString QtTranslationFile(const QLocale& locale, const QString& directory) {
  QStringList names;
  // Only a Portuguese locale picks its own: the locale's English or German
  // would put English or German buttons in a Portuguese window.
  if (locale.language() == QLocale::Portuguese) {
    const QString name = locale.name();
    names << name << name.section(QLatin1Char('_'), 0, 0);
  }
  names << QStringLiteral("pt_BR");
  for (const QString& name : names) {
    const QFileInfo file(directory + QStringLiteral("/qtbase_") + name + QStringLiteral(".qm"));
    if (file.isFile()) return file.filePath();
  }
  return {};
}

bool InstallQtTranslations(QCoreApplication* app) {
  if (app->findChild<QTranslator*>(QStringLiteral("qtbaseTranslator"), Qt::FindDirectChildrenOnly)) return true;
  const QString file =
      QtTranslationFile(QLocale(), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (file.isEmpty()) return false;
  auto* translator = new QTranslator(app);
  translator->setObjectName(QStringLiteral("qtbaseTranslator"));
  if (!translator->load(file) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace tally::ui
