// Qt's Polish translation, found beside the program or where the system keeps Qt's.
#include "desktop/app/qt_polish.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace ronvalo {

QStringList qtTranslationFolders() {
    const QString own = QCoreApplication::applicationDirPath();
    return {own + QStringLiteral("/translations"), own,
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

bool installQtPolish(QTranslator& translator) {
    for (const QString& folder : qtTranslationFolders())
        if (translator.load(QStringLiteral("qtbase_pl"), folder))
            return QCoreApplication::installTranslator(&translator);
    return false;
}

} // namespace ronvalo
