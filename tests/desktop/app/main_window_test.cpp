// Start-up of the main window against a real hive, real tables and a real log.
#include "desktop/app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <gtest/gtest.h>

#include "core/common/backup_reminder.h"
#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/common/error_handler.h"
#include "core/common/registry.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "desktop/app/program.h"
#include "desktop/browse/punch_browser.h"
#include "desktop/proof/archive_check_window.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"
#include "support/test_tables.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

const QDateTime now(QDate(2024, 3, 9), QTime(0, 1, 0));

struct StartTest : ::testing::Test {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{now};
    TestDialogs dialogs;

    void SetUp() override { ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr)); }

    // One run of the program: created, then shown (its show step through the error guard).
    std::unique_ptr<Program> start() {
        auto program = std::make_unique<Program>(folder.base());
        guarded([&] { program->frGlowna().FormShow(); })();
        return program;
    }
    QStringList logMessages() const {
        QStringList messages;
        for (const QString& line :
             fromCp1250(readFileBytes(folder.file("serwis.log"))).split("\r\n", Qt::SkipEmptyParts))
            messages << line.section("  ", 1);
        return messages;
    }
    Registry key() {
        Registry registry;
        registry.OpenKey(settingsKey, true);
        return registry;
    }
    static QList<bool> checks(const TfrGlowna& window) {
        QList<bool> result;
        for (QAction* item : window.mCom)
            result << item->isChecked();
        return result;
    }
};

} // namespace

TEST(BackupReminder, SevenCalendarDaysApartInEitherDirection) {
    struct Case {
        QDate lastBackup, today;
        bool due;
    } cases[] = {
        {QDate(2024, 3, 1), QDate(2024, 3, 9), true},
        {QDate(2024, 3, 1), QDate(2024, 3, 8), false},
        {QDate(2024, 1, 31), QDate(2024, 2, 7), false},
        {QDate(2024, 1, 31), QDate(2024, 2, 8), true},
        {QDate(2023, 12, 28), QDate(2024, 1, 4), false},
        {QDate(2023, 12, 28), QDate(2024, 1, 5), true},
        {QDate(2024, 3, 17), QDate(2024, 3, 9), true}, // more than 7 days in the future
        {QDate(2024, 3, 16), QDate(2024, 3, 9), false},
        {QDate(2023, 3, 9), QDate(2024, 3, 9), true},   // a whole year, zero days
        {QDate(2024, 2, 29), QDate(2024, 3, 7), false}, // leap February
        {QDate(2024, 2, 29), QDate(2024, 3, 8), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(backupReminderDue(c.lastBackup, c.today), c.due)
            << c.lastBackup.toString(Qt::ISODate).toStdString() << " "
            << c.today.toString(Qt::ISODate).toStdString();
}

TEST_F(StartTest, MainWindowAndBrowserTakeTheirOuterSizeFrameIncluded) {
    auto program = start();
    const struct {
        QWidget* window;
        QSize outer;
    } windows[] = {{&program->frGlowna(), {303, 254}}, {&program->frOdbicia(), {377, 376}}};
    for (const auto& w : windows) {
        w.window->show();
        EXPECT_EQ(w.window->frameGeometry().size(), w.outer)
            << w.window->objectName().toStdString();
        w.window->hide();
    }
}

namespace {

// Each menu entry as its name and caption, indented by its depth.
QStringList menuTree(const QList<QAction*>& actions, const QString& indent = {}) {
    QStringList tree;
    for (const QAction* action : actions) {
        const QMenu* menu = action->menu();
        tree << indent + (menu ? menu->objectName() : action->objectName()) + ' ' + action->text();
        if (menu)
            tree << menuTree(menu->actions(), indent + "  ");
    }
    return tree;
}

} // namespace

// The main window alone, without the program's other objects.
TEST_F(StartTest, MenuAndToolbarCaptionsTheHintAndNoToolTips) {
    TfrGlowna window(folder.base());
    EXPECT_EQ(menuTree(window.menuBar()->actions()),
              QStringList(
                  {"mOpcje &Opcje", "  mPortRS Nr &portu", "    mCom1 COM&1", "    mCom2 COM&2",
                   "    mCom3 COM&3", "    mCom4 COM&4", "  mBackup Kopia &bezpieczeństwa",
                   "    mWykonajBackup &Wykonaj kopię bezpieczeństwa",
                   "    mOdtworzZBackupu &Odtwórz dane z kopii bezpieczeństwa", "mObchody O&bchody",
                   "  acPunkty &Punkty kontrolne...", "  acCzytniki &Czytniki...",
                   "  acPlany Plany &obchodów...", "  acRaportWyjatkow &Raport wyjątków...", "   ",
                   "  acSprawdzArchiwum &Sprawdź archiwum odczytów"}));
    EXPECT_TRUE(window.acRaportWyjatkow->isEnabled());
    EXPECT_TRUE(window.acSprawdzArchiwum->isEnabled());
    EXPECT_EQ(menuTree(window.ToolBar1->actions()),
              QStringList({"acOdbior Odbior", "acOdbicia Odbicia", "acInfo Info"}));
    EXPECT_EQ(window.acOdbior->statusTip(), "Odebranie danych z PC-VERURU.");

    window.show();
    for (QAction* action : window.ToolBar1->actions()) {
        QWidget* button = window.ToolBar1->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(qobject_cast<QToolButton*>(button)->toolButtonStyle(),
                  Qt::ToolButtonTextUnderIcon);
        const QPoint inside = button->rect().center();
        QHelpEvent hover(QEvent::ToolTip, inside, button->mapToGlobal(inside));
        QApplication::sendEvent(button, &hover);
        EXPECT_FALSE(QToolTip::isVisible()) << action->text().toStdString();
    }
    window.hide();
}

// "Sprawdź archiwum odczytów" checks the program's tables (a new installation: nothing
// archived), opens its window once the check is done, and logs the check.
TEST_F(StartTest, ArchiveCheckItemOpensItsWindowAndLogs) {
    auto program = start();
    bool opened = false;
    QTimer look; // it fires while the check runs as well
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (auto* window = qobject_cast<ArchiveCheckWindow*>(QApplication::activeModalWidget())) {
            look.stop();
            opened = true;
            EXPECT_EQ(window->grid->rowCount(), 0);
            EXPECT_EQ(window->lbPodsumowanie->text(), archiveCheckSummary(window->result()));
            window->reject();
        }
    });
    look.start(10);
    program->frGlowna().acSprawdzArchiwum->trigger();
    EXPECT_TRUE(opened);
    EXPECT_EQ(logMessages().last(), QString::fromUtf8("Sprawdzenie archiwum odczytów"));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList());
}

TEST_F(StartTest, FirstStartWritesSettingsAndAsksNothing) {
    auto program = start();
    EXPECT_EQ(logMessages(), QStringList({"Start programu", "Pierwsze uruchomienie programu"}));
    EXPECT_EQ(key().ReadInteger("COM"), 1);
    EXPECT_DOUBLE_EQ(key().ReadDateTimeBinary("BackupDate"), toOle(now));
    EXPECT_EQ(checks(program->frGlowna()), QList<bool>({true, false, false, false}));
    EXPECT_EQ(program->frGlowna().SelectedPort(), 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(StartTest, ReminderAfterEightDaysAndNoAsksAgain) {
    key().WriteInteger("COM", 2);
    const double lastBackup = toOle(QDateTime(QDate(2024, 3, 1), QTime(23, 59)));
    key().WriteDateTimeBinary("BackupDate", lastBackup);
    dialogs.answers = {false};
    start();
    ASSERT_EQ(dialogs.texts(TestDialogs::Shown::Confirm).size(), 1);
    EXPECT_TRUE(
        dialogs.texts(TestDialogs::Shown::Confirm)[0].startsWith("Od wykonania ostatniej kopii"));
    EXPECT_DOUBLE_EQ(key().ReadDateTimeBinary("BackupDate"), lastBackup);
    start();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm).size(), 2);

    key().WriteDateTimeBinary("BackupDate", toOle(QDateTime(QDate(2024, 3, 2), QTime(0, 0))));
    start();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm).size(), 2); // 7 days: no question
}

TEST_F(StartTest, PortMenuSavesAtOnceAndOddSettingsUncheckAll) {
    auto program = start();
    TfrGlowna& window = program->frGlowna();
    window.mCom[2]->trigger();
    EXPECT_EQ(checks(window), QList<bool>({false, false, true, false}));
    EXPECT_EQ(window.SelectedPort(), 3);
    EXPECT_EQ(key().ReadInteger("COM"), 3);

    key().WriteInteger("COM", 7);
    auto second = start();
    EXPECT_EQ(checks(second->frGlowna()), QList<bool>({false, false, false, false}));
    EXPECT_EQ(second->frGlowna().SelectedPort(), 0);
}

TEST_F(StartTest, DeletedBackupDateIsAFirstStartAgain) {
    start();
    key().WriteInteger("COM", 2);
    platform::RegistryKey::open(settingsKey.toStdString(), false)->remove("BackupDate");
    auto program = start();
    EXPECT_EQ(logMessages().count("Pierwsze uruchomienie programu"), 2);
    EXPECT_EQ(key().ReadInteger("COM"), 1);
    EXPECT_EQ(checks(program->frGlowna()), QList<bool>({true, false, false, false}));
}

TEST_F(StartTest, FailuresShowTheErrorAndTheProgramCarriesOn) {
    // A table that cannot be opened: no settings read, port 0, no reminder.
    ASSERT_TRUE(QFile::remove(folder.file("db/NrOdc.DB")));
    auto broken = start();
    ASSERT_EQ(dialogs.texts(TestDialogs::Shown::Error).size(), 1);
    EXPECT_TRUE(dialogs.texts(TestDialogs::Shown::Error)[0].contains("NrOdc.DB"));
    EXPECT_EQ(broken->frGlowna().SelectedPort(), 0);
    EXPECT_FALSE(QFile::exists(folder.file("hive.reg")));
    ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr) == false); // others still there
}

// "Baza" names a server: the tables are there, and the local files are left alone. A server
// that is not there is named in the one error box, and the start goes on with the settings.
TEST_F(StartTest, TheTablesAreOnTheServerTheSettingNames) {
    TestTables server(Engine::Server);
    ASSERT_TRUE(server.ready());
    const auto setServer = [&](const QString& conninfo) {
        auto settings = platform::RegistryKey::open(settingsKey.toStdString(), true);
        const QByteArray text = conninfo.toUtf8() + '\0';
        ASSERT_TRUE(settings &&
                    settings->set("Baza", {platform::RegType::String, {text.begin(), text.end()}}));
    };
    setServer(server.server());
    {
        auto program = start();
        EXPECT_TRUE(dialogs.texts(TestDialogs::Shown::Error).isEmpty());
        TDM3& dm = program->DM3();
        ASSERT_TRUE(dm.onServer());
        dm.insertReader("S1");
    }
    TDM3 check;
    server.point(check);
    check.openTables();
    EXPECT_EQ(check.readers(), QStringList({"S1"}));

    TempFolder nowhere;
    setServerSetting("host='" + nowhere.path() + "' dbname=ronvalo");
    auto program = start();
    ASSERT_EQ(dialogs.texts(TestDialogs::Shown::Error).size(), 1);
    EXPECT_TRUE(dialogs.texts(TestDialogs::Shown::Error)[0].startsWith(
        "Nie można połączyć się z serwerem bazy danych " + nowhere.path()));
    EXPECT_EQ(program->frGlowna().SelectedPort(), 1); // the settings are read all the same
}

TEST_F(StartTest, SettingsProblemsNameTheValue) {
    struct Case {
        std::function<void(Registry&)> prepare;
        QString error;
        quint8 port;
    } cases[] = {
        {[](Registry& r) { r.WriteDateTimeBinary("BackupDate", toOle(now)); },
         "Failed to get data for 'COM'", 0},
        {[](Registry& r) {
             r.WriteDateTimeBinary("BackupDate", toOle(now));
             r.WriteDateTimeBinary("COM", 1);
         },
         "Invalid data type for 'COM'", 0},
        {[](Registry& r) {
             r.WriteInteger("BackupDate", 5);
             r.WriteInteger("COM", 4);
         },
         "Invalid data type for 'BackupDate'", 4},
    };
    for (const auto& c : cases) {
        QFile::remove(folder.file("hive.reg"));
        Registry registry = key();
        c.prepare(registry);
        dialogs.shown.clear();
        auto program = start();
        EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList({c.error}));
        EXPECT_EQ(program->frGlowna().SelectedPort(), c.port);
    }
}

TEST_F(StartTest, KeyThatCannotBeOpened) {
    ASSERT_TRUE(writeFileBytes(folder.file("plain"), "x"));
    ScopedEnv blocked{"RONVALO_REGISTRY", folder.file("plain/hive.reg").toUtf8()};
    auto program = start();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error),
              QStringList({"Failed to set data for 'COM'"}));
    EXPECT_EQ(logMessages().last(), "Pierwsze uruchomienie programu");
    EXPECT_EQ(program->frGlowna().SelectedPort(), 0);
    EXPECT_EQ(checks(program->frGlowna()), QList<bool>({true, false, false, false}));
    program->frGlowna().mCom[1]->trigger(); // set for the run, not saved
    EXPECT_EQ(program->frGlowna().SelectedPort(), 2);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error).size(), 2);
}

TEST_F(StartTest, ReminderYesMakesTheBackupWithoutASecondQuestion) {
    key().WriteInteger("COM", 1);
    key().WriteDateTimeBinary("BackupDate", toOle(QDateTime(QDate(2024, 2, 1), QTime(12, 0))));
    dialogs.answers = {true};
    auto program = start();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm).size(), 1);
    EXPECT_EQ(logMessages().last(), "Wykonanie kopii bezpieczenstwa");
    EXPECT_EQ(readFileBytes(folder.file("BACKUP/Odbicia.db")),
              readFileBytes(folder.file("db/Odbicia.db")));
    EXPECT_DOUBLE_EQ(key().ReadDateTimeBinary("BackupDate"), toOle(now));
    EXPECT_TRUE(program->DM3().connected()); // tables open again
}

TEST_F(StartTest, BackupMenuAsksFirst) {
    auto program = start();
    dialogs.answers = {false};
    program->frGlowna().mWykonajBackup->trigger();
    EXPECT_FALSE(QFile::exists(folder.file("BACKUP")));
    dialogs.answers = {true};
    program->frGlowna().mWykonajBackup->trigger();
    EXPECT_TRUE(QFile::exists(folder.file("BACKUP/NrOdc.DB")));
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Confirm),
              QStringList({"Wykonać kopię bezpieczeństwa?", "Wykonać kopię bezpieczeństwa?"}));
}
