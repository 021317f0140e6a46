// The row loop both table writers share.
#include "core/common/table_writer.h"

#include <QDir>

namespace ronvalo {

void TableWriter::writeRow(const QStringList& fields) {
    putRow(fields);
    ++rows_;
}

bool TableWriter::writeRows(const TableRowSource& rows, qint64 limit) {
    QStringList fields;
    for (qint64 k = 0; k < limit; ++k) {
        fields.clear();
        if (!rows(fields))
            return false;
        writeRow(fields);
    }
    return true;
}

QString tableWriteErrorText(const QString& target, const QString& reason) {
    return QStringLiteral("Nie można zapisać pliku %1: %2")
        .arg(QDir::toNativeSeparators(target), reason);
}

} // namespace ronvalo
