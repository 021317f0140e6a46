// XLSX parts out of the zip by python3, their cells by QXmlStreamReader.
#include "support/xlsx_reading.h"

#include <QDate>
#include <QProcess>
#include <QTime>
#include <QXmlStreamReader>

namespace ronvalo::test {

namespace {

// The part `name` of the zip at `path`; nullopt when it could not be read.
std::optional<QByteArray> zipPart(const QString& path, const QString& name, QString& error) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile; "
                                 "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("
                                 "sys.argv[2]))"),
                  path, name});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        error = QStringLiteral("%1 of %2: %3")
                    .arg(name, path, QString::fromUtf8(python.readAllStandardError()));
        return std::nullopt;
    }
    return python.readAllStandardOutput();
}

// The number format of each cell style, by the style's index: custom formats by their code,
// built-in ones empty.
QList<QString> styleFormats(const QByteArray& styles) {
    QMap<QString, QString> codes;
    QList<QString> formats;
    bool inCellXfs = false;
    QXmlStreamReader xml(styles);
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QStringLiteral("cellXfs"))
            inCellXfs = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == QStringLiteral("numFmt"))
            codes.insert(attributes.value("numFmtId").toString(),
                         attributes.value("formatCode").toString());
        else if (xml.name() == QStringLiteral("cellXfs"))
            inCellXfs = true;
        else if (inCellXfs && xml.name() == QStringLiteral("xf"))
            formats << codes.value(attributes.value("numFmtId").toString());
    }
    return formats;
}

QStringList sheetNames(const QByteArray& workbook) {
    QStringList names;
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QStringLiteral("sheet"))
            names << xml.attributes().value("name").toString();
    return names;
}

} // namespace

QStringList xlsxCsvLines(const XlsxSheet& sheet) {
    QMap<int, QMap<int, QString>> rows;
    int columns = 0;
    for (auto it = sheet.cells.cbegin(); it != sheet.cells.cend(); ++it) {
        const int column = it.key()[0].unicode() - 'A';
        const int row = it.key().mid(1).toInt();
        const XlsxCell& cell = it.value();
        QString shown = cell.value;
        if (cell.format == QStringLiteral("yyyy-mm-dd"))
            shown = QDate(1899, 12, 30).addDays(cell.value.toLongLong()).toString(Qt::ISODate);
        else if (cell.format == QStringLiteral("hh:mm"))
            shown = QTime(0, 0)
                        .addSecs(qRound(cell.value.toDouble() * 1440) * 60)
                        .toString(QStringLiteral("HH:mm"));
        rows[row][column] = shown;
        columns = std::max(columns, column + 1);
    }
    QStringList lines;
    const int last = rows.isEmpty() ? 0 : rows.lastKey();
    for (int row = 1; row <= last; ++row) {
        QStringList fields;
        for (int column = 0; column < columns; ++column)
            fields << rows.value(row).value(column);
        lines << fields.join(u';');
    }
    return lines;
}

XlsxSheet readXlsx(const QString& path, int sheet) {
    XlsxSheet result;
    const auto workbook = zipPart(path, QStringLiteral("xl/workbook.xml"), result.error);
    const auto styles = zipPart(path, QStringLiteral("xl/styles.xml"), result.error);
    const auto cells =
        zipPart(path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet), result.error);
    if (!workbook || !styles || !cells)
        return result;
    result.sheetNames = sheetNames(*workbook);
    const QList<QString> formats = styleFormats(*styles);
    QXmlStreamReader xml(*cells);
    QString reference;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QStringLiteral("c")) {
            reference = xml.attributes().value("r").toString();
            XlsxCell& cell = result.cells[reference];
            cell.type = xml.attributes().value("t").toString();
            cell.format = formats.value(xml.attributes().value("s").toInt());
        } else if (xml.name() == QStringLiteral("v") || xml.name() == QStringLiteral("t")) {
            result.cells[reference].value = xml.readElementText();
        }
    }
    if (xml.hasError())
        result.error = xml.errorString();
    return result;
}

} // namespace ronvalo::test
