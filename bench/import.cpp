// Prints how fast the punch import stores dumps of 1k, 100k and 1M punches, beside a raw SQLite
// bulk insert of the same rows in one transaction, and the ratio of the two; then what the
// download archive adds: the same import where Obchody.db cannot take its row (a damaged file,
// which the import stores without the row), its time beside the archived import's. Each time is
// the best of a few runs, the two kinds taken in turn, so that a busy machine weighs on both alike.
#include "core/common/exception.h"
#include "core/import/punch_import.h"
#include "core/link/receive_buffer.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace ronvalo;

namespace {

struct Row {
    std::string date, time;
    int checkpoint;
};

// A dump of `count` punches, a date line before every 1000, and the same rows as the tables
// should end up holding them.
QByteArray makeDump(int count, std::vector<Row>& rows) {
    QByteArray dump = "*-*-*-*-*-*-*-\r\n##00417##\r\n24-03-05 14 27\r\n- - - - - - - \r\n";
    dump.reserve(count * 14);
    rows.reserve(count);
    QDate day;
    for (int i = 0; i < count; ++i) {
        if (i % 1000 == 0) {
            day = QDate(2020, 1, 1).addDays(i / 1000);
            dump += day.toString("'-- 'yy-MM-dd").toLatin1() + "\r\n";
        }
        const QTime time = QTime(0, 0).addSecs((i % 1440) * 60);
        const int checkpoint = i % 500 + 1;
        dump +=
            "#" + QByteArray::number(checkpoint) + " " + time.toString("HH:mm").toLatin1() + "\r\n";
        rows.push_back({day.toString(Qt::ISODate).toStdString(),
                        time.toString(Qt::ISODate).toStdString(), checkpoint});
    }
    return dump;
}

QString newDatabase(QTemporaryDir& dir) {
    QString error;
    if (!createEmptyDatabase(dir.path(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        std::exit(1);
    }
    return dir.path() + '/';
}

// The archive's rows; none when Obchody.db is not attached.
int archived(TDM3& dm) {
    int rows = 0;
    try {
        auto next = readArchive(dm);
        for (ArchiveRow row; next(row);)
            ++rows;
    } catch (const EDatabaseError&) {
    }
    return rows;
}

// The import step alone: the buffers as the download leaves them, no summary dialog. Without
// `archive` the rounds' file is damaged beforehand, so the import leaves the archive row out.
double timeImport(const QByteArray& dump, int count, bool archive) {
    QTemporaryDir dir;
    const QString base = newDatabase(dir);
    if (!archive) {
        QFile rounds(base + "db/Obchody.db");
        if (!rounds.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            rounds.write(QByteArray(4096, 'x')) != 4096) {
            std::fprintf(stderr, "cannot damage %s\n", qPrintable(rounds.fileName()));
            std::exit(1);
        }
    }
    TDM3 dm;
    dm.setDatabaseFolder(base + "db/");
    dm.openTables();
    QStringList log;
    PunchImport import(base, dm, [&](const QString& line) { log << line; });
    // Far past any instrument's memory: room for the text and its line index.
    ReceiveBuffer Memo1(dump.size() * 2), Memo2;
    Memo1.append(dump);
    QElapsedTimer timer;
    timer.start();
    import.run(Memo1, Memo2, QDateTime::currentDateTime());
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    // The archived import logs its success; the other one also the download left unarchived.
    if (dm.punchCount() != count || log.size() != (archive ? 1 : 2) ||
        !log.first().contains("wprowadzono") || archived(dm) != (archive ? 1 : 0)) {
        std::fprintf(stderr, "import failed: %s\n", qPrintable(log.join(" | ")));
        std::exit(1);
    }
    return seconds;
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The same rows, one download row and one reader row straight through SQLite's C interface.
double timeRawInsert(const std::vector<Row>& rows) {
    QTemporaryDir dir;
    const std::string db = (newDatabase(dir) + "db/").toStdString();
    QElapsedTimer timer;
    timer.start();
    sqlite3* handle = nullptr;
    check(sqlite3_open((db + "Odbicia.db").c_str(), &handle), handle);
    check(sqlite3_exec(
              handle,
              ("ATTACH '" + db + "Czytniki.db' AS cz; ATTACH '" + db + "NrOdc.DB' AS nr; BEGIN")
                  .c_str(),
              nullptr, nullptr, nullptr),
          handle);
    check(sqlite3_exec(handle,
                       "INSERT INTO nr.NrOdc (Data) VALUES ('2024-03-05 14:27:00'); "
                       "INSERT INTO cz.Czytniki (NrCzytnika) VALUES ('00417')",
                       nullptr, nullptr, nullptr),
          handle);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(handle,
                             "INSERT INTO main.Odbicia (Data, Czas, Nrwewpkt, Nrczyt, NrSczytania) "
                             "VALUES (?, ?, ?, '00417', 1)",
                             -1, &insert, nullptr),
          handle);
    for (const Row& row : rows) {
        sqlite3_bind_text(insert, 1, row.date.data(), int(row.date.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, row.time.data(), int(row.time.size()), SQLITE_STATIC);
        sqlite3_bind_int(insert, 3, row.checkpoint);
        check(sqlite3_step(insert), handle);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr), handle);
    sqlite3_close(handle);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::printf("%10s %14s %14s %8s %16s %14s %12s\n", "punches", "import/s", "raw insert/s",
                "ratio", "no archive/s", "archive cost", "archive ms");
    for (const auto& [count, runs] : {std::pair{1000, 31}, {100000, 5}, {1000000, 3}}) {
        std::vector<Row> rows;
        const QByteArray dump = makeDump(count, rows);
        const double raw = timeRawInsert(rows);
        double archived = 1e9, plain = 1e9;
        for (int run = 0; run < runs; ++run) {
            archived = std::min(archived, timeImport(dump, count, true));
            plain = std::min(plain, timeImport(dump, count, false));
        }
        std::printf("%10d %14.0f %14.0f %8.2f %16.0f %13.1f%% %12.2f\n", count, count / archived,
                    count / raw, raw / archived, count / plain, 100.0 * (archived - plain) / plain,
                    1000.0 * (archived - plain));
        std::fflush(stdout);
    }
    return 0;
}
