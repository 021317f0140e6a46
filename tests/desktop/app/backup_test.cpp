// Backup and restore over real folders: what is copied, the questions, the log, "BackupDate",
// the tables reopened, and failures (also a write failing half-way) that leave old files whole.
#include "desktop/app/backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/common/clock.h"
#include "core/common/exception.h"
#include "core/common/ole_date.h"
#include "core/common/registry.h"
#include "core/common/service_log.h"
#include "core/rounds/names.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "platform/files.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QString askBackup = "Wykonać kopię bezpieczeństwa?";
const QString askRestore =
    "Operacji odtworzenia danych z kopii bezpieczeństwa nie można cofnąć! Wykonać?";
const QString noBackup = "Brak kopii bezpieczeństwa! Otworzenie danych niemożliwe!";

// Every entry of a folder, hidden ones included, with its bytes and modification time.
using Snapshot = std::map<QString, std::pair<QByteArray, QDateTime>>;
Snapshot snapshot(const QString& folder) {
    Snapshot result;
    const auto names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                              QDir::NoDotAndDotDot);
    for (const QString& name : names)
        result[name] = {readFileBytes(folder + name), QFileInfo(folder + name).lastModified()};
    return result;
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// Runs `action` in a child process whose files may not grow past `limit` bytes, so that a write
// beyond it fails half-way as on a full disk; returns the text of the error it raised.
QString inChildWithFileSizeLimit(rlim_t limit, const std::function<void()>& action) {
    int channel[2];
    if (::pipe(channel) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &cap);
        QByteArray text = "no error";
        try {
            action();
        } catch (const Exception& error) {
            text = error.message().toUtf8();
        } catch (...) {
            text = "unexpected exception";
        }
        const ssize_t written = ::write(channel[1], text.constData(), text.size());
        ::_exit(written == text.size() ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(text) : "child failed";
}

// Another process writing to a file: it holds a write lock on the byte SQLite locks while it
// writes, until the object goes.
class WriteLockHolder {
public:
    explicit WriteLockHolder(const QString& path) {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0)
            return;
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ready[0]);
            ::close(release_[1]);
            const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 0x40000001;
            lock.l_len = 1;
            const char locked = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
            char wait = 0;
            if (::write(ready[1], &locked, 1) == 1 && ::read(release_[0], &wait, 1) >= 0)
                ::_exit(0);
            ::_exit(1);
        }
        ::close(ready[1]);
        ::close(release_[0]);
        char answer = 0;
        locked_ = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~WriteLockHolder() {
        ::close(release_[1]); // the child's read ends, and with it the lock
        if (child_ > 0)
            ::waitpid(child_, nullptr, 0);
    }
    bool locked() const { return locked_; }

private:
    int release_[2] = {-1, -1};
    pid_t child_ = -1;
    bool locked_ = false;
};

struct BackupTest : ::testing::Test {
    TempFolder folder;
    TempFolder settings;
    ScopedEnv hive{"RONVALO_REGISTRY", settings.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(8, 15))};
    TestDialogs dialogs;
    TDM3 dm;
    ServiceLog log{folder.base()};
    QString base = folder.base();
    QString db = folder.file("db/");
    QString backup = folder.file("BACKUP/");

    void SetUp() override {
        QString error;
        ASSERT_TRUE(createEmptyDatabase(folder.path(), &error)) << error.toStdString();
        dm.setDatabaseFolder(db);
        openAll();
        addPunch(1);
    }
    void openAll() { dm.openTables(); }
    void closeAll() {
        dm.tbCzytniki.Close();
        dm.tbOdbicia.Close();
        dm.tbNrOdc.Close();
    }
    bool allOpen() const {
        return dm.tbOdbicia.Active() && dm.tbCzytniki.Active() && dm.tbNrOdc.Active();
    }
    void addPunch(int checkpoint) {
        Punch punch;
        punch.Data = QDate(2024, 3, 1);
        punch.Czas = QTime(10, checkpoint % 60);
        punch.Nrwewpkt = checkpoint;
        punch.Nrczyt = "A1";
        punch.NrSczytania = 1;
        dm.insertPunch(punch);
    }
    std::optional<TDateTime> backupDate() const {
        Registry key;
        if (!key.OpenKey(settingsKey, false) || !key.ValueExists("BackupDate"))
            return std::nullopt;
        return key.ReadDateTimeBinary("BackupDate");
    }
    QString logText() const {
        return QString::fromLatin1(readFileBytes(QString::fromStdString(log.fileName())));
    }
    // No temporary file left behind in either folder.
    bool noLeftovers() const {
        return QDir(db).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty() &&
               QDir(backup).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty();
    }
    template <class E> QString errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const E& error) {
            return error.message();
        }
        return "no error";
    }
};

} // namespace

TEST_F(BackupTest, FirstBackupCopiesEveryFileWithItsTimeStampsDateAndLogs) {
    ASSERT_TRUE(writeFileBytes(db + "notatka.txt", "uwagi"));
    ASSERT_TRUE(writeFileBytes(db + ".ukryty", "pominięty"));
    const QDateTime old(QDate(2020, 1, 2), QTime(3, 4, 5));
    for (const QString& name : QDir(db).entryList(QDir::Files | QDir::Hidden))
        setModified(db + name, old.addDays(name.size()));
    dialogs.answers = {true};

    mWykonajBackupClick(base, dm, log);

    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm), QStringList{askBackup});
    Snapshot expected = snapshot(db);
    expected.erase(".ukryty");
    EXPECT_EQ(snapshot(backup), expected); // no temporary left behind either
    EXPECT_EQ(expected.size(), 5u);        // the three tables, the rounds' file and the note
    EXPECT_EQ(backupDate(), toOle(Clock::now()));
    EXPECT_TRUE(logText().endsWith("5.03.2024 08:15:00  Wykonanie kopii bezpieczenstwa\r\n"));
    EXPECT_TRUE(allOpen());
    EXPECT_EQ(dm.punchCount(), 1);
}

TEST_F(BackupTest, SecondBackupOverwritesWhateverTheCaseAndKeepsOtherFiles) {
    // A backup folder and file spelled otherwise on disk are the same folder and file.
    ASSERT_TRUE(QDir(base).mkdir("backup"));
    ASSERT_TRUE(writeFileBytes(base + "backup/odbicia.db", "stara kopia"));
    ASSERT_TRUE(writeFileBytes(base + "backup/inny.txt", "zostaje"));
    addPunch(2);
    closeAll();
    ASSERT_TRUE(QDir(base).rename("db", "DB"));
    dm.setDatabaseFolder(base + "DB/");
    openAll();

    MakeBackup(base, dm, log);

    EXPECT_FALSE(QFileInfo::exists(backup));
    EXPECT_EQ(readFileBytes(base + "backup/odbicia.db"), readFileBytes(base + "DB/Odbicia.db"));
    EXPECT_FALSE(QFileInfo::exists(base + "backup/Odbicia.db"));
    EXPECT_EQ(readFileBytes(base + "backup/inny.txt"), "zostaje");
    EXPECT_EQ(QDir(base + "backup").entryList(QDir::Files | QDir::Hidden).size(), 5);
    EXPECT_TRUE(dialogs.shown.empty()); // the reminder's Yes: no question of its own
}

TEST_F(BackupTest, RestoreWithoutBackupSaysSoOnceAndChangesNothing) {
    for (bool partialBackup : {false, true}) {
        SCOPED_TRACE(partialBackup);
        if (partialBackup) {
            ASSERT_TRUE(QDir().mkpath(backup));
            ASSERT_TRUE(writeFileBytes(backup + "Czytniki.db", "bez tabeli odbić"));
        }
        dialogs.shown.clear();
        dialogs.answers = {true};
        const Snapshot before = snapshot(db);

        mOdtworzZBackupuClick(base, dm, log);

        EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice), QStringList{noBackup});
        EXPECT_TRUE(
            logText().endsWith("  Proba odtworzenia danych z kopii - stwierdzono brak kopii\r\n"));
        EXPECT_FALSE(logText().contains("Odtworzenie danych"));
        EXPECT_EQ(snapshot(db), before);
        EXPECT_TRUE(allOpen());
    }
}

TEST_F(BackupTest, NoToEitherQuestionDoesNothing) {
    MakeBackup(base, dm, log);
    const TDateTime stamped = *backupDate();
    addPunch(2);
    clock.advance(60000);
    const Snapshot dbBefore = snapshot(db), backupBefore = snapshot(backup);
    const QString logBefore = logText();

    mWykonajBackupClick(base, dm, log);
    mOdtworzZBackupuClick(base, dm, log);

    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm), (QStringList{askBackup, askRestore}));
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(snapshot(db), dbBefore);
    EXPECT_EQ(snapshot(backup), backupBefore);
    EXPECT_EQ(logText(), logBefore);
    EXPECT_EQ(backupDate(), stamped);
    EXPECT_TRUE(allOpen());
}

TEST_F(BackupTest, RestoreBringsBackEveryFileAndKeepsOthers) {
    ASSERT_TRUE(writeFileBytes(db + "notatka.txt", "z kopii"));
    MakeBackup(base, dm, log);
    const TDateTime stamped = *backupDate();
    const Snapshot backedUp = snapshot(backup);
    addPunch(2);
    ASSERT_TRUE(QFile::remove(db + "notatka.txt"));
    ASSERT_TRUE(writeFileBytes(db + "nowy.txt", "tylko w db"));
    // The marker is found whatever its case, and still lands on the table's own file.
    ASSERT_TRUE(QFile::rename(backup + "Odbicia.db", backup + "ODBICIA.DB"));
    clock.advance(3600 * 1000);
    dialogs.answers = {true};

    mOdtworzZBackupuClick(base, dm, log);

    Snapshot restored = snapshot(db);
    EXPECT_EQ(restored["Odbicia.db"], backedUp.at("Odbicia.db"));
    EXPECT_EQ(restored.erase("nowy.txt"), 1u);
    restored["ODBICIA.DB"] = restored.extract("Odbicia.db").mapped();
    EXPECT_EQ(restored, snapshot(backup));
    EXPECT_TRUE(logText().endsWith("  Odtworzenie danych z kopii bezpieczenstwa\r\n"));
    EXPECT_TRUE(allOpen());
    EXPECT_EQ(dm.punchCount(), 1);
    EXPECT_EQ(backupDate(), stamped);
}

TEST_F(BackupTest, RoundsFileGoesIntoTheBackupAndComesBack) {
    saveCheckpoints(dm, {{12, "Brama główna", false}});
    MakeBackup(base, dm, log);
    EXPECT_EQ(readFileBytes(backup + "Obchody.db"), readFileBytes(db + "Obchody.db"));
    saveCheckpoints(dm, {{12, "Magazyn", false}});

    RestoreBackup(base, dm, log);

    EXPECT_EQ(readFileBytes(db + "Obchody.db"), readFileBytes(backup + "Obchody.db"));
    EXPECT_EQ(CheckpointNames(loadCheckpoints(dm)).label(12), "12 Brama główna");
}

TEST_F(BackupTest, RestoreRecreatesMissingDatabaseFolder) {
    MakeBackup(base, dm, log);
    closeAll();
    ASSERT_TRUE(QDir(db).removeRecursively());

    RestoreBackup(base, dm, log);

    EXPECT_EQ(snapshot(db), snapshot(backup));
    EXPECT_TRUE(allOpen());
}

TEST_F(BackupTest, RefusedFileStopsTheCopyAndLeavesTargetAsItWas) {
    MakeBackup(base, dm, log);
    const TDateTime stamped = *backupDate();
    clock.advance(86400 * 1000);
    addPunch(2);
    struct Case {
        const char* what;
        bool restore;
        QString blocked;  // made read-only, or a folder when it ends in "/"
        QString expected; // the error's text
    };
    const Case cases[] = {
        {"read-only backup file", false, backup + "Czytniki.db",
         "Cannot create file " + backup + "Czytniki.db"},
        {"folder inside db", false, db + "podfolder/", "Cannot open file " + db + "podfolder"},
        {"read-only db file", true, db + "NrOdc.DB", "Cannot create file " + db + "NrOdc.DB"},
        {"folder inside BACKUP", true, backup + "podfolder/",
         "Cannot open file " + backup + "podfolder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool folderCase = c.blocked.endsWith('/');
        if (folderCase)
            ASSERT_TRUE(QDir().mkpath(c.blocked));
        else
            ASSERT_FALSE(platform::setReadOnly(c.blocked.toStdString(), true).failed());
        const Snapshot dbBefore = snapshot(db), backupBefore = snapshot(backup);

        const QString error = errorOf<Exception>(
            [&] { c.restore ? RestoreBackup(base, dm, log) : MakeBackup(base, dm, log); });

        EXPECT_EQ(error, c.expected);
        EXPECT_TRUE(allOpen());
        EXPECT_EQ(backupDate(), stamped);
        EXPECT_EQ(snapshot(db), dbBefore);
        EXPECT_TRUE(noLeftovers());
        // A restore is all or nothing; a backup may have renewed the files before the stop.
        const QString name = QFileInfo(c.blocked).fileName();
        if (c.restore) {
            EXPECT_EQ(snapshot(backup), backupBefore);
        } else if (!folderCase) {
            EXPECT_EQ(snapshot(backup)[name], backupBefore.at(name));
        }
        if (folderCase)
            ASSERT_TRUE(QDir(c.blocked).removeRecursively());
        else
            ASSERT_FALSE(platform::setReadOnly(c.blocked.toStdString(), false).failed());
    }
}

TEST_F(BackupTest, LinksInEitherFolderAreLeftOutNeverFollowed) {
    // What another account may plant in a folder every operator writes: links to a file and a
    // folder only this account can read, and one to nothing.
    TempFolder elsewhere;
    ASSERT_TRUE(writeFileBytes(elsewhere.file("prywatny.txt"), "tylko moje"));
    ASSERT_TRUE(QDir(elsewhere.path()).mkdir("katalog"));
    const auto plantLinks = [&](const QString& folder) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::link(elsewhere.file("prywatny.txt"), folder + "plik"));
        ASSERT_TRUE(QFile::link(elsewhere.file("katalog"), folder + "katalog"));
        ASSERT_TRUE(QFile::link(elsewhere.file("brak"), folder + "zerwany"));
    };
    const QStringList tables{"Czytniki.db", "NrOdc.DB", "Obchody.db", "Odbicia.db"};
    for (bool restore : {false, true}) {
        SCOPED_TRACE(restore ? "restore" : "backup");
        const QString from = restore ? backup : db, to = restore ? db : backup;
        if (restore)
            MakeBackup(base, dm, log);
        plantLinks(from);
        clock.advance(86400 * 1000);

        restore ? RestoreBackup(base, dm, log) : MakeBackup(base, dm, log);

        EXPECT_EQ(QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot),
                  tables);
        EXPECT_TRUE(QFileInfo(from + "plik").isSymLink()) << "left where it was";
        if (!restore) {
            EXPECT_EQ(backupDate(), toOle(Clock::now()));
        }
        EXPECT_TRUE(allOpen());
        for (const char* name : {"plik", "katalog", "zerwany"})
            ASSERT_TRUE(QFile::remove(from + name));
    }
    // A link in the marker's place is no backup to restore from.
    ASSERT_TRUE(QFile::remove(backup + "Odbicia.db"));
    ASSERT_TRUE(QFile::link(elsewhere.file("prywatny.txt"), backup + "Odbicia.db"));
    const Snapshot before = snapshot(db);

    RestoreBackup(base, dm, log);

    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Notice), QStringList{noBackup});
    EXPECT_EQ(snapshot(db), before);
}

TEST_F(BackupTest, ATableAnotherProgramIsWritingIsNotCopied) {
    MakeBackup(base, dm, log);
    const TDateTime before = toOle(Clock::now());
    clock.advance(86400 * 1000);
    {
        WriteLockHolder writer(db + "Odbicia.db");
        ASSERT_TRUE(writer.locked());
        EXPECT_EQ(errorOf<Exception>([&] { MakeBackup(base, dm, log); }),
                  "Cannot open file " + db + "Odbicia.db");
        EXPECT_TRUE(allOpen());
        EXPECT_EQ(backupDate(), before);
    }
    MakeBackup(base, dm, log); // the writer has gone
    EXPECT_EQ(backupDate(), toOle(Clock::now()));
}

TEST_F(BackupTest, WriteFailingHalfWayLeavesPreviousFilesByteForByte) {
    constexpr rlim_t limit = 256 * 1024;
    for (bool restore : {false, true}) {
        SCOPED_TRACE(restore ? "restore" : "backup");
        ASSERT_TRUE(writeFileBytes(db + "duzy.bin", QByteArray(1000, 'a')));
        MakeBackup(base, dm, log);
        const std::optional<TDateTime> stamped = backupDate();
        if (restore) {
            // The file listed last outgrows the limit (rewritten in place, so it stays last),
            // and every file of db differs from its copy: renaming any before the failure shows.
            const QStringList listed = QDir(backup).entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                QDir::Unsorted);
            ASSERT_TRUE(writeFileBytes(backup + listed.last(), QByteArray(1 << 20, 'z')));
            addPunch(2);
            dm.insertReader("B2");
            dm.appendDownload(Clock::now());
            ASSERT_TRUE(writeFileBytes(db + "duzy.bin", QByteArray(1000, 'b')));
        } else {
            // A backup renews file by file: only the large one has changed since the last.
            ASSERT_TRUE(writeFileBytes(db + "duzy.bin", QByteArray(1 << 20, 'b')));
        }
        clock.advance(86400 * 1000);
        closeAll();
        const Snapshot dbBefore = snapshot(db), backupBefore = snapshot(backup);

        const QString error = inChildWithFileSizeLimit(limit, [&] {
            TDM3 child;
            child.setDatabaseFolder(db);
            child.openTables();
            restore ? RestoreBackup(base, child, log) : MakeBackup(base, child, log);
        });

        EXPECT_EQ(error, "Stream write error");
        EXPECT_EQ(snapshot(db), dbBefore);
        EXPECT_EQ(snapshot(backup), backupBefore);
        EXPECT_EQ(backupDate(), stamped);
        openAll();
        EXPECT_EQ(dm.punchCount(), restore ? 2 : 1);
    }
}

TEST_F(BackupTest, CopyErrorWinsOverTableThatCannotReopen) {
    MakeBackup(base, dm, log);
    closeAll();
    ASSERT_TRUE(writeFileBytes(db + "Czytniki.db", "to nie jest tabela"));
    dm.tbOdbicia.Open();
    dm.tbNrOdc.Open();
    ASSERT_TRUE(QDir().mkpath(backup + "podfolder"));

    EXPECT_EQ(errorOf<Exception>([&] { RestoreBackup(base, dm, log); }),
              "Cannot open file " + backup + "podfolder");
    EXPECT_TRUE(dm.tbOdbicia.Active());
    EXPECT_FALSE(dm.tbCzytniki.Active());
    EXPECT_TRUE(dm.tbNrOdc.Active()); // the ones after the failing table are opened too

    // Without a copy error the reopening's own error is raised, after the stamp.
    ASSERT_TRUE(QDir(backup + "podfolder").removeRecursively());
    clock.advance(1000);
    EXPECT_TRUE(
        errorOf<EDatabaseError>([&] { MakeBackup(base, dm, log); }).contains(db + "Czytniki.db"));
    EXPECT_EQ(backupDate(), toOle(Clock::now()));
}
