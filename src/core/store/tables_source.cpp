// Naming the tables a data module reads.
#include "core/store/tables_source.h"

#include <QDir>

#include "core/store/data_module.h"
#include "core/store/server_connection.h"

namespace ronvalo {

QString tablesSource(const TDM3& dm) {
    if (dm.onServer())
        return QStringLiteral("serwer ") + serverName(dm.serverConnectionString());
    return QDir::toNativeSeparators(QDir(dm.tbOdbicia.DatabaseName()).absolutePath() +
                                    QLatin1Char('/'));
}

QString tablesSourceLine(const TDM3& dm) {
    return QStringLiteral("Odczytane tabele: ") + tablesSource(dm);
}

} // namespace ronvalo
