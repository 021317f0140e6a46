// Table definitions and the maker of empty tables (used by the tool, never by the program).
#include "store/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "platform/files.h"
#include "store/sqlite_connection.h"

namespace ronvalo {

const TableSchema& punchSchema() {
    static const TableSchema schema{
        "Odbicia.db",
        "Odbicia",
        {"AutoNr", "Data", "Czas", "Nrwewpkt", "Nrczyt", "NrSczytania"},
        {"CREATE TABLE Odbicia (AutoNr INTEGER PRIMARY KEY AUTOINCREMENT, Data TEXT NOT NULL, "
         "Czas TEXT NOT NULL, Nrwewpkt INTEGER NOT NULL, "
         "Nrczyt TEXT NOT NULL CHECK (length(Nrczyt) <= 10), NrSczytania INTEGER NOT NULL)",
         // The table's order: date, time, then the order of arrival.
         "CREATE INDEX ixDiT ON Odbicia (Data, Czas, AutoNr)",
         // The browser's two selections: one instrument over a date range, and one download.
         "CREATE INDEX ixCzytData ON Odbicia (Nrczyt, Data, Czas, AutoNr)",
         "CREATE INDEX ixSczytania ON Odbicia (NrSczytania, Data, Czas, AutoNr)"}};
    return schema;
}

const TableSchema& readerSchema() {
    static const TableSchema schema{
        "Czytniki.db",
        "Czytniki",
        {"NrCzytnika"},
        {"CREATE TABLE Czytniki (NrCzytnika TEXT NOT NULL PRIMARY KEY)"}};
    return schema;
}

const TableSchema& downloadSchema() {
    static const TableSchema schema{
        "NrOdc.DB",
        "NrOdc",
        {"Nrodczytu", "Data"},
        {"CREATE TABLE NrOdc (Nrodczytu INTEGER PRIMARY KEY AUTOINCREMENT, Data TEXT NOT NULL)"}};
    return schema;
}

namespace {

bool createTableFile(const QString& path, const TableSchema& schema, QString* error) {
    // Made empty first, so that the file gets the rights of any new file (the umask's, which a
    // shared installation opens to the group): SQLite itself would make it 0644, and its
    // journals take the table file's rights.
    if (const auto made = platform::createEmptyFile(path.toStdString()); made.failed()) {
        if (error)
            *error = QStringLiteral("Nie można utworzyć tabeli %1: %2")
                         .arg(path, QString::fromStdString(made.text()));
        return false;
    }
    SqliteConnection file(path);
    QSqlError failure = file.lastError();
    if (file.isOpen()) {
        QSqlQuery query(file.database());
        for (const QString& statement : schema.createStatements)
            if (!query.exec(statement)) {
                failure = query.lastError();
                break;
            }
    }
    const bool ok = !failure.isValid();
    if (!ok && error)
        *error = QStringLiteral("Nie można utworzyć tabeli %1: %2").arg(path, failure.text());
    return ok;
}

} // namespace

bool createEmptyDatabase(const QString& folder, QString* error) {
    const QString base = QDir(folder).absolutePath() + '/';
    const std::string dbFolder = platform::resolveIgnoringCase(base.toStdString(), "db");
    const TableSchema* schemas[] = {&punchSchema(), &readerSchema(), &downloadSchema()};
    for (const TableSchema* schema : schemas) {
        if (platform::findNameIgnoringCase(dbFolder, schema->fileName.toStdString())) {
            if (error)
                *error = QStringLiteral("Plik tabeli już istnieje, nie zostanie zastąpiony: %1")
                             .arg(QString::fromStdString(dbFolder) + '/' + schema->fileName);
            return false;
        }
    }
    if (platform::createFolders(dbFolder).failed() ||
        platform::createFolders(platform::resolveIgnoringCase(base.toStdString(), "txt"))
            .failed()) {
        if (error)
            *error = QStringLiteral("Nie można utworzyć folderu w %1").arg(base);
        return false;
    }
    for (const TableSchema* schema : schemas)
        if (!createTableFile(QString::fromStdString(dbFolder) + '/' + schema->fileName, *schema,
                             error))
            return false;
    return true;
}

} // namespace ronvalo
