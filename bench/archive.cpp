// Prints how long the archive check of a year takes (50 instruments, one download a day each, 100
// punches a download: 18 250 archived downloads, 1.8 million punches), which runs before every
// printed exception report, beside one plain reading of the same punches, and the peak memory;
// on the files, or on a server.
#include "core/store/archive.h"
#include "core/proof/archive_check.h"
#include "core/proof/table_findings.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "core/store/server_schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace ronvalo;

namespace {

// Fewer on a server, where the rows go one statement at a time.
const int fileInstruments = 50;
const int serverInstruments = 10;
const int days = 365;
const int punchesPerDownload = 100;

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// One day's dump of instrument `k` as it sends it, and its punches.
QByteArray dumpOf(int k, const QDate& day, QList<Punch>& punches) {
    const QByteArray instrument = QByteArray::number(12340000 + k);
    const QByteArray date = day.toString("yy-MM-dd").toLatin1();
    QByteArray dump = "*-*-*-*-*-*-*-\r\n##" + instrument + "##\r\n" + date +
                      " 07:00\r\n- - - - - - - \r\n-- " + date + "\r\n";
    punches.clear();
    for (int i = 0; i < punchesPerDownload; ++i) {
        const QTime time = QTime(0, 0).addSecs(60 * (i * 14 % 1440));
        const int checkpoint = 1 + (i + k) % 40;
        dump +=
            '#' + QByteArray::number(checkpoint) + ' ' + time.toString("HH:mm").toLatin1() + "\r\n";
        punches.append({0, day, time, checkpoint, QString::fromLatin1(instrument), 0});
    }
    return dump;
}

void fill(TDM3& dm, int instruments) {
    Transaction transaction(dm);
    QList<Punch> punches;
    for (int d = 0; d < days; ++d) {
        const QDate day = QDate(2024, 1, 1).addDays(d);
        for (int k = 0; k < instruments; ++k) {
            const QByteArray dump = dumpOf(k, day, punches);
            const QDateTime received(day, QTime(7, 3, 20));
            const qint32 download = dm.appendDownload(received);
            for (Punch& punch : punches) {
                punch.NrSczytania = download;
                dm.insertPunch(punch);
            }
            appendArchiveRow(dm, {download,
                                  punches.first().Nrczyt,
                                  received,
                                  QDateTime(day, QTime(7, 0)),
                                  dump,
                                  {},
                                  {}});
        }
    }
    transaction.commit();
}

} // namespace

// With a libpq connection string as its argument, the tables are made on that server (whose
// database must be empty) instead of in a temporary folder, for fewer instruments.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QString error;
    const QString server = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (server.isEmpty() ? !createEmptyDatabase(dir.path(), &error)
                         : !createServerDatabase(server, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    TDM3 dm;
    dm.setDatabaseFolder(dir.path() + "/db/");
    dm.setServer(server);
    dm.openTables();
    QElapsedTimer timer;
    timer.start();
    fill(dm, server.isEmpty() ? fileInstruments : serverInstruments);
    std::printf("filled: %.1f s, %lld punches\n", timer.nsecsElapsed() / 1e9, dm.punchCount());

    timer.restart();
    qint64 read = 0;
    auto next = dm.readPunches(PunchSelection::all());
    for (Punch punch; next(punch);)
        ++read;
    std::printf("plain reading of %lld punches: %.2f s\n", read, timer.nsecsElapsed() / 1e9);

    timer.restart();
    const auto strays = punchesWithoutDownload(dm);
    std::printf("of which punch rows of no download: %.2f s\n", timer.nsecsElapsed() / 1e9);

    timer.restart();
    qint64 calls = 0;
    const auto check = checkArchive(dm, [&](qint64, qint64) { return ++calls > 0; });
    std::printf("archive check: %.2f s, %lld downloads, %lld findings, %lld progress calls, "
                "peak %ld MB\n",
                timer.nsecsElapsed() / 1e9, check->downloads, qint64(check->findings.size()), calls,
                peakMegabytes());
    return check->clean() ? 0 : 1;
}
