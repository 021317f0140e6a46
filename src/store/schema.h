// The three table files of the punch database: names, fields and the statements that make them.
#pragma once

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

// Makes `folder`/db/ with the three empty tables and `folder`/txt/. Refuses to replace an
// existing table file (returns false with `error` set, nothing created).
bool createEmptyDatabase(const QString& folder, QString* error);

} // namespace ronvalo
