// Reading an XLSX file back: it is a zip of XML parts, unpacked with python3's zipfile and read
// with Qt's XML reader.
#pragma once

#include <QMap>
#include <QString>

namespace ronvalo::test {

// One cell of a sheet as the file holds it.
struct XlsxCell {
    QString type;   // the "t" attribute: "inlineStr" or "s" for text, "" for a number
    QString format; // the number format of the cell's style ("yyyy-mm-dd"), "" for none
    QString value;  // the number as written, or the text
};

struct XlsxSheet {
    QMap<QString, XlsxCell> cells; // by reference: "A1", "B2"
    QStringList sheetNames;        // of the whole workbook, in order
    QString error;                 // why it could not be read; "" when it was
};

// The sheet's rows as the CSV export writes them, fields joined by ";" (unquoted): date cells
// "2004-04-26", time cells "08:15", numbers and texts as written, empty cells empty.
QStringList xlsxCsvLines(const XlsxSheet& sheet);

// The cells of sheet `sheet` (1 first) of the workbook at `path`.
XlsxSheet readXlsx(const QString& path, int sheet = 1);

} // namespace ronvalo::test
