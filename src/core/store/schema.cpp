// Table definitions and the makers of empty tables: the three are made by the tool only, the
// rounds' file also by the program when an installation from before lacks it.
#include "core/store/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "core/store/accounts_store.h"
#include "core/store/sqlite_connection.h"
#include "platform/files.h"

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

// Dates are ISO text as in the three tables, times "HH:MM". "Do" is quoted everywhere: it is a
// reserved word of other SQL engines.
const FileSchema& roundsSchema() {
    static const QString file = QStringLiteral("Obchody.db");
    static const FileSchema schema{
        file,
        {{file,
          "Punkty",
          {"Nrwewpkt", "Nazwa", "Zdarzenie"},
          {"CREATE TABLE Punkty (Nrwewpkt INTEGER NOT NULL PRIMARY KEY, Nazwa TEXT, "
           "Zdarzenie INTEGER NOT NULL DEFAULT 0)"}},
         {file,
          "CzytnikiOpis",
          {"NrCzytnika", "Opis"},
          {"CREATE TABLE CzytnikiOpis (NrCzytnika TEXT NOT NULL PRIMARY KEY, Opis TEXT)"}},
         {file,
          "Plany",
          {"IdPlanu", "Nazwa", "NrCzytnika", "Kolejnosc", "Dni", "PierwszyStart", "OstatniStart",
           "Co", "Tolerancja", "CzasObchodu", "Od", "Do"},
          {"CREATE TABLE Plany (IdPlanu INTEGER NOT NULL PRIMARY KEY, Nazwa TEXT NOT NULL, "
           "NrCzytnika TEXT NOT NULL, Kolejnosc INTEGER NOT NULL, Dni INTEGER NOT NULL, "
           "PierwszyStart TEXT NOT NULL, OstatniStart TEXT NOT NULL, Co INTEGER NOT NULL, "
           "Tolerancja INTEGER NOT NULL, CzasObchodu INTEGER NOT NULL, Od TEXT NOT NULL, "
           "\"Do\" TEXT)"}},
         {file,
          "KrokiPlanu",
          {"IdPlanu", "Lp", "Nrwewpkt", "Opcjonalny"},
          {"CREATE TABLE KrokiPlanu (IdPlanu INTEGER NOT NULL, Lp INTEGER NOT NULL, "
           "Nrwewpkt INTEGER NOT NULL, Opcjonalny INTEGER NOT NULL DEFAULT 0, "
           "PRIMARY KEY (IdPlanu, Lp))"}},
         {file,
          "Archiwum",
          {"Nrodczytu", "NrCzytnika", "Odebrano", "ZegarCzytnika", "Tresc", "Poprzedni", "Skrot"},
          {"CREATE TABLE Archiwum (Nrodczytu INTEGER NOT NULL PRIMARY KEY, "
           "NrCzytnika TEXT NOT NULL, Odebrano TEXT NOT NULL, ZegarCzytnika TEXT, "
           "Tresc BLOB NOT NULL, Poprzedni TEXT, Skrot TEXT NOT NULL)"}},
         // The chain's rows that are not downloads: its beginning, and every change of plans or
         // names. A row's place in the chain is after the download PoOdczycie (0: before any),
         // after that download's own row, by Lp.
         {file,
          "ArchiwumZmian",
          {"Lp", "Rodzaj", "PoOdczycie", "Zapisano", "Tresc", "Poprzedni", "Skrot"},
          {"CREATE TABLE ArchiwumZmian (Lp INTEGER NOT NULL PRIMARY KEY, Rodzaj TEXT NOT NULL, "
           "PoOdczycie INTEGER NOT NULL, Zapisano TEXT NOT NULL, Tresc BLOB NOT NULL, "
           "Poprzedni TEXT, Skrot TEXT NOT NULL)"}}}};
    return schema;
}

namespace {

// Runs the statements on a new file, all or none; a file they could not complete is removed, so
// that the next try finds it missing rather than half made.
bool createFileWith(const QString& path, const QStringList& statements, QString* error) {
    // Made empty first, so that the file gets the rights of any new file (the umask's, which a
    // shared installation opens to the group): SQLite itself would make it 0644, and its
    // journals take the table file's rights.
    if (const auto made = platform::createEmptyFile(path.toStdString()); made.failed()) {
        if (error)
            *error = QStringLiteral("Nie można utworzyć tabeli %1: %2")
                         .arg(path, QString::fromStdString(made.text()));
        return false;
    }
    QSqlError failure;
    {
        SqliteConnection file(path);
        failure = file.lastError();
        if (file.isOpen() && file.database().transaction()) {
            QSqlQuery query(file.database());
            for (const QString& statement : statements)
                if (!query.exec(statement)) {
                    failure = query.lastError();
                    break;
                }
            query = QSqlQuery();
            if (!failure.isValid() && !file.database().commit())
                failure = file.database().lastError();
            if (failure.isValid())
                file.database().rollback();
        } else if (!failure.isValid()) {
            failure = file.database().lastError();
        }
    }
    const bool ok = !failure.isValid();
    if (!ok) {
        platform::deleteFile(path.toStdString());
        if (error)
            *error = QStringLiteral("Nie można utworzyć tabeli %1: %2").arg(path, failure.text());
    }
    return ok;
}

QStringList statementsOf(const QList<TableSchema>& tables) {
    QStringList statements;
    for (const TableSchema& table : tables)
        statements << table.createStatements;
    return statements;
}

} // namespace

bool createEmptyDatabase(const QString& folder, QString* error) {
    const QString base = QDir(folder).absolutePath() + '/';
    const std::string dbFolder = platform::resolveIgnoringCase(base.toStdString(), "db");
    const QList<TableSchema> files{
        punchSchema(), readerSchema(), downloadSchema(), {roundsSchema().fileName, {}, {}, {}}};
    for (const TableSchema& file : files) {
        if (platform::findNameIgnoringCase(dbFolder, file.fileName.toStdString())) {
            if (error)
                *error = QStringLiteral("Plik tabeli już istnieje, nie zostanie zastąpiony: %1")
                             .arg(QString::fromStdString(dbFolder) + '/' + file.fileName);
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
    const QString target = QString::fromStdString(dbFolder) + '/';
    for (const TableSchema& file : files.first(3))
        if (!createFileWith(target + file.fileName, file.createStatements, error))
            return false;
    return createRoundsFile(target + roundsSchema().fileName, error);
}

bool createRoundsFile(const QString& path, QString* error) {
    // The web service's accounts live beside the rounds' tables.
    return createFileWith(path, statementsOf(roundsSchema().tables) << accountsFileStatement(),
                          error);
}

} // namespace ronvalo
