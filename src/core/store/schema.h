// The table files of the punch database: names, fields and the statements that make them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace ronvalo {

struct TableSchema {
    QString fileName;             // in db/: "Odbicia.db", "Czytniki.db", "NrOdc.DB"
    QString tableName;            // the one table of that file
    QStringList fields;           // in order
    QStringList createStatements; // table, then its indexes
};

const TableSchema& punchSchema();    // Odbicia
const TableSchema& readerSchema();   // Czytniki
const TableSchema& downloadSchema(); // NrOdc

// The rounds' file beside the three: several tables in one file, all made at once.
struct FileSchema {
    QString fileName;          // in db/: "Obchody.db"
    QList<TableSchema> tables; // each with its fields and statements
};

// Obchody: Punkty, CzytnikiOpis, Plany, KrokiPlanu, Archiwum, ArchiwumZmian.
const FileSchema& roundsSchema();

// Makes the rounds' file at `path` with its empty tables; a failure leaves no file behind
// (returns false with `error` set).
bool createRoundsFile(const QString& path, QString* error);

// Makes `folder`/db/ with the three empty tables and the rounds' file, and `folder`/txt/.
// Refuses to replace an existing table file (returns false with `error` set, nothing created).
bool createEmptyDatabase(const QString& folder, QString* error);

} // namespace ronvalo
