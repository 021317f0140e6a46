// Qt's own Polish texts for its standard dialogs: the file and print dialogs, the message boxes'
// buttons ("Anuluj", "Tak", "Nie").
#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

namespace ronvalo {

// The folders looked in for qtbase_pl.qm, in order: "translations" beside the program (its
// Windows folder), the program's own folder, then Qt's translations folder (Debian's
// qt6-translations-l10n).
QStringList qtTranslationFolders();

// Loads qtbase_pl.qm from the first of those folders that has it into `translator` and installs
// it in the application; false when none has it, and the dialogs stay as Qt writes them.
bool installQtPolish(QTranslator& translator);

} // namespace ronvalo
