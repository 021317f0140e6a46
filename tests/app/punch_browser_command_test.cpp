// The command "Odbicia": the browser shown modally with the punch filter on, its settings kept
// from one showing to the next, and its report line written to the program's log.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QPrintPreviewDialog>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/program.h"
#include "browse/punch_browser.h"
#include "browse/punch_table_model.h"
#include "common/clock.h"
#include "common/cp1250.h"
#include "common/error_handler.h"
#include "store/data_module.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

TEST(OdbiciaCommand, FilterOnWhileTheBrowserIsOpenAndSettingsKept) {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 3, 9), QTime(8, 0))};
    TestDialogs dialogs;
    ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
    Program program(folder.base());
    guarded([&] { program.frGlowna->FormShow(); })();
    TDM3& dm = *program.DM3;
    Punch punch;
    punch.Data = QDate(2024, 3, 5);
    punch.Czas = QTime(8, 15);
    punch.Nrwewpkt = 171;
    punch.Nrczyt = "0";
    dm.insertPunch(punch);
    dm.insertReader("0");
    TfrOdbicia& browser = *program.frOdbicia;

    struct Seen {
        bool modal = false, filtered = false;
        int rows = -1;
    } first, second;
    QTimer::singleShot(0, &browser, [&] {
        first.modal = QApplication::activeModalWidget() == &browser;
        first.filtered = dm.Filtered();
        browser.RxDBLookupCombo3->setCurrentIndex(0);
        browser.DatePicker1->setDate(punch.Data);
        browser.DatePicker2->setDate(punch.Data);
        first.rows = browser.model()->rowCount();
        QTimer::singleShot(0, &browser, [] {
            if (auto* preview =
                    qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget()))
                preview->close();
        });
        browser.SpeedButton1->click();
        browser.close();
    });
    program.frGlowna->acOdbicia->trigger();
    EXPECT_TRUE(first.modal);
    EXPECT_TRUE(first.filtered);
    EXPECT_EQ(first.rows, 1); // instrument "0" is shown like any other
    EXPECT_FALSE(dm.Filtered());
    EXPECT_TRUE(fromCp1250(readFileBytes(folder.file("serwis.log")))
                    .contains("  Wygenerowanie raportu\r\n"));

    QTimer::singleShot(0, &browser, [&] {
        second.filtered = dm.Filtered();
        second.rows = browser.model()->rowCount();
        browser.close();
    });
    program.frGlowna->acOdbicia->trigger();
    EXPECT_TRUE(second.filtered);
    EXPECT_EQ(second.rows, 1);
    EXPECT_EQ(browser.RxDBLookupCombo3->currentText(), "0");
    EXPECT_TRUE(dialogs.shown.empty());
}
