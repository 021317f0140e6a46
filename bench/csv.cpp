// Prints the time of a CSV export of a million punches, as the browser's grid writes them, beside
// one plain read of the same rows in the same run, and the memory the export holds.
#include "core/store/data_module.h"
#include "desktop/browse/csv_export.h"
#include "desktop/browse/punch_table_model.h"

#include "resident_memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace ronvalo;

namespace {

const qint64 punchCount = 1000000;

// Through the program's own insert, in one transaction: 50 instruments, a punch a minute.
void fill(TDM3& dm) {
    Transaction transaction(dm);
    Punch punch;
    for (qint64 k = 0; k < punchCount; ++k) {
        punch.Data = QDate(2020, 1, 1).addDays(k / 1440);
        punch.Czas = QTime(0, 0).addSecs(60 * (k % 1440));
        punch.Nrwewpkt = int(160 + k * 7 % 20);
        punch.Nrczyt = QString::number(1000 + k % 50);
        punch.NrSczytania = int(k / 5000 + 1);
        dm.insertPunch(punch);
    }
    transaction.commit();
}

// The grid's export row source over the module's selection.
CsvRowSource gridRows(TDM3& dm) {
    return [next = dm.readPunches()](QStringList& fields) {
        Punch punch;
        if (!next(punch))
            return false;
        fields = PunchTableModel::csvFields(punch);
        return true;
    };
}

double msSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!createEmptyDatabase(folder.path(), nullptr))
        return 1;
    TDM3 dm;
    dm.setDatabaseFolder(folder.path() + "/db/");
    dm.openTables();
    QElapsedTimer timer;
    timer.start();
    fill(dm);
    std::printf("%lld punches filled in %.1f s\n", punchCount, msSince(timer) / 1000);

    // Twice, the second timed: the first warms the caches the exports then find warm too.
    qint64 read = 0;
    for (int pass = 0; pass < 2; ++pass) {
        read = 0;
        timer.restart();
        dm.forEachPunch([&read](const Punch&) { return ++read, true; });
    }
    const double plainMs = msSince(timer);
    std::printf("  plain read of the rows:           %8.0f ms (%lld rows)\n", plainMs, read);

    const QString target = folder.path() + "/odbicia.csv";
    const long residentBefore = residentMegabytes();
    timer.restart();
    writeCsvFile(target, PunchTableModel::titles(), gridRows(dm));
    const double plainExportMs = msSince(timer);
    std::printf("  export, no window:                %8.0f ms (%.1fx the read), %lld bytes\n",
                plainExportMs, plainExportMs / plainMs, QFileInfo(target).size());

    timer.restart();
    writeCsvWithProgress(nullptr, target, PunchTableModel::titles(), gridRows(dm), read);
    const double shownMs = msSince(timer);
    std::printf("  export with progress dialog:      %8.0f ms (%.1fx the read)\n", shownMs,
                shownMs / plainMs);
    std::printf("  resident memory %ld MB before the exports, %ld MB after\n", residentBefore,
                residentMegabytes());
    return 0;
}
