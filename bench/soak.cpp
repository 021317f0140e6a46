// The import and the backup killed at random moments, many times over: prints how many runs
// ended torn, duplicated or lost, how many had completed, and the time taken.
//
//   soak [IMPORT_KILLS [BACKUP_KILLS [PUNCHES]]]     (defaults 1000, 200, 20000)
//
// Every run starts from the same prepared folder (one earlier download already stored, an older
// backup in BACKUP/), runs the real import or backup in a child process of this program and
// kills it with SIGKILL at a moment drawn from the length of one whole run.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTime>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sqlite3.h>
#include <string_view>

#include "core/common/clock.h"
#include "core/common/dialogs.h"
#include "core/common/service_log.h"
#include "core/import/punch_import.h"
#include "core/link/receive_buffer.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "desktop/app/backup.h"

using namespace ronvalo;

namespace {

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "soak: %s\n", qPrintable(what));
    std::exit(2);
}

// The children answer no box: a box shown is an error the soak reports.
class SilentDialogs final : public Dialogs {
public:
    SilentDialogs() { install(); }
    ~SilentDialogs() override { uninstall(); }
    SilentDialogs(const SilentDialogs&) = delete;
    SilentDialogs& operator=(const SilentDialogs&) = delete;
    void notice(const QString& text) override { fail("box: " + text); }
    void error(const QString& text) override { fail("error box: " + text); }
    bool confirm(const QString&) override { return true; }
    QString saveFileName(const QString& caption, const QString&, const QString&) override {
        fail("save dialog: " + caption);
        return {};
    }
};

QByteArray dumpOf(const QByteArray& instrument, int punches) {
    QByteArray dump =
        "*-*-*-*-*-*-*-\r\n##" + instrument + "##\r\n24-03-05 14 27\r\n- - - - - - - \r\n";
    for (int i = 0; i < punches; ++i) {
        if (i % 1000 == 0)
            dump +=
                QDate(2024, 1, 1).addDays(i / 1000).toString("'-- 'yy-MM-dd").toLatin1() + "\r\n";
        dump += "#" + QByteArray::number(i % 500 + 1) + " " +
                QTime(0, 0).addSecs((i % 1440) * 60).toString("HH:mm").toLatin1() + "\r\n";
    }
    return dump;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        fail("cannot write " + path);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// --- the children -------------------------------------------------------------------------

// Imports BASE/dump as the program does after a download, the summary left out.
int importChild(const QString& base) {
    const SilentDialogs dialogs;
    TDM3 dm;
    dm.setDatabaseFolder(base + "db/");
    dm.openTables();
    ServiceLog log(base);
    PunchImport punchImport(base, dm, [&](const QString& line) { log.WriteLog(line); });
    const QByteArray dump = readFile(base + "dump");
    ReceiveBuffer Memo1(dump.size() * 2 + 1024), Memo2(dump.size() * 2 + 1024);
    Memo1.append(dump);
    std::puts("start");
    std::fflush(stdout);
    punchImport.run(Memo1, Memo2, Clock::now());
    return 0;
}

// The menu's backup of BASE/db to BASE/BACKUP, the question answered yes.
int backupChild(const QString& base) {
    const SilentDialogs dialogs;
    TDM3 dm;
    dm.setDatabaseFolder(base + "db/");
    dm.openTables();
    ServiceLog log(base);
    std::puts("start");
    std::fflush(stdout);
    MakeBackup(base, dm, log);
    return 0;
}

// --- the checks ---------------------------------------------------------------------------

// One read-write connection to a table file; opening it rolls back what a kill left in a
// journal, as the program's next start would.
class Table {
public:
    explicit Table(const QString& path) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            fail("cannot open " + path);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~Table() { sqlite3_close(db_); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // The first column of the first row of `sql`, as text.
    QString value(const char* sql) const {
        sqlite3_stmt* statement = nullptr;
        QString result;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        else
            result = QStringLiteral("error: ") + sqlite3_errmsg(db_);
        sqlite3_finalize(statement);
        return result;
    }
    bool intact() const { return value("PRAGMA integrity_check") == "ok"; }

private:
    sqlite3* db_ = nullptr;
};

struct Tally {
    int runs = 0, completed = 0, torn = 0, duplicated = 0, lost = 0;
    void print(const char* what, qint64 ms, qint64 wholeMs) const {
        std::printf("%-7s %5d killed: %4d completed, %d torn, %d duplicated, %d lost; "
                    "%.1f s in all, one whole run %lld ms\n",
                    what, runs, completed, torn, duplicated, lost, ms / 1000.0,
                    static_cast<long long>(wholeMs));
    }
};

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& entry :
         QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString target = to + '/' + entry.fileName();
        if (entry.isDir())
            copyFolder(entry.filePath(), target);
        else if (!QFile::copy(entry.filePath(), target))
            fail("cannot copy " + entry.filePath());
    }
}

// Runs this program as a child in `mode` on `base`; kills it `afterMs` after it said "start"
// (never, when negative). Returns the milliseconds from "start" to its end.
qint64 runChild(const char* mode, const QString& base, qint64 afterMs) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("RONVALO_REGISTRY", base + "HKEY_LOCAL_MACHINE.reg");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode, base});
    QByteArray said;
    while (!said.contains("start\n")) {
        if (!child.waitForReadyRead(60000))
            fail(QStringLiteral("%1 child did not start").arg(mode));
        said += child.readAllStandardOutput();
    }
    QElapsedTimer timer;
    timer.start();
    if (afterMs >= 0) {
        QThread::msleep(static_cast<unsigned long>(afterMs));
        child.kill();
        child.waitForFinished();
        return timer.elapsed();
    }
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        fail(QStringLiteral("a whole %1 run failed").arg(mode));
    return timer.elapsed();
}

// The folder every import run starts from: tables holding one download of `seed` punches.
QString prepareImportTemplate(const QString& root, int seed) {
    const QString base = root + "/import-template/";
    QString error;
    if (!createEmptyDatabase(base, &error))
        fail(error);
    writeFile(base + "dump", dumpOf("A", seed));
    runChild("import-child", base, -1);
    QFile::remove(base + "dump");
    return base;
}

// After an import of `punches` punches of instrument K was killed: the earlier download whole,
// the new one all or nothing and once, its archive row with it (the whole transmission, chained
// to the earlier download's row), txt/K only for a stored download, every file sound.
void judgeImport(const QString& base, int seed, int punches, Tally& tally) {
    const Table odbicia(base + "db/Odbicia.db"), czytniki(base + "db/Czytniki.db"),
        nrodc(base + "db/NrOdc.DB"), obchody(base + "db/Obchody.db");
    const int earlier = odbicia.value("SELECT COUNT(*) FROM Odbicia WHERE Nrczyt = 'A'").toInt();
    const int stored = odbicia.value("SELECT COUNT(*) FROM Odbicia WHERE Nrczyt = 'K'").toInt();
    const int readers = czytniki.value("SELECT COUNT(*) FROM Czytniki").toInt();
    const int downloads = nrodc.value("SELECT COUNT(*) FROM NrOdc").toInt();
    const int distinct = nrodc.value("SELECT COUNT(DISTINCT Nrodczytu) FROM NrOdc").toInt();
    const int archived = obchody.value("SELECT COUNT(*) FROM Archiwum").toInt();
    const QByteArray chained =
        "SELECT COUNT(*) FROM Archiwum k JOIN Archiwum a ON k.Poprzedni = a.Skrot "
        "WHERE k.NrCzytnika = 'K' AND a.NrCzytnika = 'A' AND length(k.Tresc) = " +
        QByteArray::number(QFileInfo(base + "dump").size());
    const bool archiveWhole = obchody.value(chained.constData()).toInt() == 1;
    const bool sound = odbicia.intact() && czytniki.intact() && nrodc.intact() && obchody.intact();
    const bool whole = stored == punches;
    const bool fileKept = QFile::exists(base + "txt/K");
    ++tally.runs;
    if (stored > punches || downloads > 2 || distinct != downloads || archived > 2)
        ++tally.duplicated;
    else if (!sound || (stored != 0 && !whole) || downloads != (whole ? 2 : 1) ||
             readers != (whole ? 2 : 1) || archived != (whole ? 2 : 1) || archiveWhole != whole)
        ++tally.torn;
    else if (earlier != seed || (fileKept && !whole) || !QFile::exists(base + "txt/A"))
        ++tally.lost;
    else if (whole)
        ++tally.completed;
}

// After a backup was killed: db/ unchanged, and each file of BACKUP/ either its older copy or
// the new one, never a mixture, never gone.
void judgeBackup(const QString& base, const QString& templateBase, Tally& tally) {
    ++tally.runs;
    bool allNew = true, torn = false, lost = false;
    for (const QString& name : QDir(templateBase + "db").entryList(QDir::Files)) {
        const QByteArray source = readFile(templateBase + "db/" + name);
        const QByteArray older = readFile(templateBase + "BACKUP/" + name);
        const QByteArray copy = readFile(base + "BACKUP/" + name);
        if (readFile(base + "db/" + name) != source)
            lost = true;
        if (!QFile::exists(base + "BACKUP/" + name))
            lost = true;
        else if (copy != source && copy != older)
            torn = true;
        allNew = allNew && copy == source;
    }
    tally.torn += torn;
    tally.lost += lost && !torn;
    tally.completed += allNew && !torn && !lost;
}

// The folder every backup run starts from: tables of `punches` punches and, in BACKUP/, an
// older copy of them (the same tables before the last download).
QString prepareBackupTemplate(const QString& root, int punches) {
    const QString base = root + "/backup-template/";
    QString error;
    if (!createEmptyDatabase(base, &error))
        fail(error);
    writeFile(base + "dump", dumpOf("A", punches));
    runChild("import-child", base, -1);
    copyFolder(base + "db", base + "BACKUP");
    writeFile(base + "dump", dumpOf("B", 1000));
    runChild("import-child", base, -1);
    QFile::remove(base + "dump");
    return base;
}

template <typename Judge>
void soak(const char* what, const char* mode, const QString& templateBase, const QString& root,
          int kills, const QByteArray& dump, Judge judge) {
    const QString whole = root + "/whole/";
    copyFolder(templateBase, whole);
    if (!dump.isEmpty())
        writeFile(whole + "dump", dump);
    const qint64 duration = runChild(mode, whole, -1);
    QDir(whole).removeRecursively();

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<qint64> moment(0, duration);
    Tally tally;
    QElapsedTimer timer;
    timer.start();
    for (int k = 0; k < kills; ++k) {
        const QString base = root + "/run/";
        QDir(base).removeRecursively();
        copyFolder(templateBase, base);
        if (!dump.isEmpty())
            writeFile(base + "dump", dump);
        runChild(mode, base, moment(random));
        judge(base, tally);
    }
    tally.print(what, timer.elapsed(), duration);
    std::fflush(stdout);
}

int argument(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char runtime[] = "/tmp/ronvalo-soak-runtime-XXXXXX"; // outside a login Qt warns without one
    if (!std::getenv("XDG_RUNTIME_DIR") && mkdtemp(runtime))
        setenv("XDG_RUNTIME_DIR", runtime, 1);
    QApplication app(argc, argv); // the import's summary dialog is a widget
    if (argc == 3 && QByteArray(argv[1]) == "import-child")
        return importChild(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && QByteArray(argv[1]) == "backup-child")
        return backupChild(QString::fromLocal8Bit(argv[2]));

    const int importKills = argument(argc, argv, 1, 1000);
    const int backupKills = argument(argc, argv, 2, 200);
    const int punches = argument(argc, argv, 3, 20000);
    constexpr int seed = 1000;
    QDir root(QDir::tempPath() + "/ronvalo-soak-" +
              QString::number(QCoreApplication::applicationPid()));
    root.mkpath(".");
    const QString path = root.absolutePath();

    const QString importTemplate = prepareImportTemplate(path, seed);
    soak("import", "import-child", importTemplate, path, importKills, dumpOf("K", punches),
         [&](const QString& base, Tally& tally) { judgeImport(base, seed, punches, tally); });

    // Tables of some tens of megabytes, so that the copy takes long enough to be cut often.
    const QString backupTemplate = prepareBackupTemplate(path, punches * 20);
    soak("backup", "backup-child", backupTemplate, path, backupKills, QByteArray(),
         [&](const QString& base, Tally& tally) { judgeBackup(base, backupTemplate, tally); });
    root.removeRecursively();
    if (std::string_view(runtime).find('X') == std::string_view::npos)
        QDir(QString::fromLocal8Bit(runtime)).removeRecursively();
    return 0;
}
