// The command "Odbicia": the browser shown modally with the punch filter on, its settings kept
// from one showing to the next, and its report line written to the program's log.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/common/error_handler.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "desktop/app/main_window.h"
#include "desktop/app/program.h"
#include "desktop/browse/punch_browser.h"
#include "desktop/browse/punch_table_model.h"
#include "desktop/report/report_preview.h"
#include "support/pdf_reading.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// A started program whose punch table holds what a test adds.
struct OdbiciaCommand : ::testing::Test {
    TempFolder folder;
    ScopedEnv hive{"RONVALO_REGISTRY", folder.file("hive.reg").toUtf8()};
    FakeClock clock{QDateTime(QDate(2024, 3, 9), QTime(8, 0))};
    TestDialogs dialogs;
    std::unique_ptr<Program> program;

    void SetUp() override {
        ASSERT_TRUE(createEmptyDatabase(folder.path(), nullptr));
        program = std::make_unique<Program>(folder.base());
        guarded([&] { program->frGlowna().FormShow(); })();
    }
    Punch add(QDate date, const QString& instrument, qint32 checkpoint, QTime time) {
        Punch punch;
        punch.Data = date;
        punch.Czas = time;
        punch.Nrwewpkt = checkpoint;
        punch.Nrczyt = instrument;
        program->DM3().insertPunch(punch);
        if (!program->DM3().findReader(instrument))
            program->DM3().insertReader(instrument);
        return punch;
    }
};

} // namespace

TEST_F(OdbiciaCommand, FilterOnWhileTheBrowserIsOpenAndSettingsKept) {
    TDM3& dm = program->DM3();
    const Punch punch = add(QDate(2024, 3, 5), "0", 171, QTime(8, 15));
    TfrOdbicia& browser = program->frOdbicia();

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
                    qobject_cast<ReportPreviewDialog*>(QApplication::activeModalWidget()))
                preview->close();
        });
        browser.SpeedButton1->click();
        browser.close();
    });
    program->frGlowna().acOdbicia->trigger();
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
    program->frGlowna().acOdbicia->trigger();
    EXPECT_TRUE(second.filtered);
    EXPECT_EQ(second.rows, 1);
    EXPECT_EQ(browser.RxDBLookupCombo3->currentText(), "0");
    EXPECT_TRUE(dialogs.shown.empty());
}

// The report printed from the browser's preview holds the rows the browser shows: the punch
// table's rows that pass the filter, no others.
TEST_F(OdbiciaCommand, ReportPrintsTheRowsTheBrowserShows) {
    const QDate day(2024, 3, 5);
    const struct {
        QDate date;
        const char* instrument;
        qint32 checkpoint;
        QTime time;
        bool shown;
    } punches[] = {
        {day, "0", 171, QTime(8, 15), true},
        {day, "0", 5, QTime(8, 16), true},
        {day.addDays(1), "0", 6, QTime(8, 17), false},
        {day, "1", 7, QTime(8, 18), false},
    };
    for (const auto& p : punches)
        add(p.date, p.instrument, p.checkpoint, p.time);
    TfrOdbicia& browser = program->frOdbicia();
    const QString pdf = folder.file("raport.pdf");

    int rowsShown = -1;
    QTimer::singleShot(0, &browser, [&] {
        browser.RxDBLookupCombo3->setCurrentIndex(0); // instrument "0"
        browser.DatePicker1->setDate(day);
        browser.DatePicker2->setDate(day);
        rowsShown = browser.model()->rowCount();
        // Prints to a PDF file from inside the preview, as its print button would.
        QTimer::singleShot(0, &browser, [&] {
            auto* preview = qobject_cast<ReportPreviewDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(preview, nullptr);
            preview->printer()->setOutputFileName(pdf);
            preview->print();
            preview->close();
        });
        browser.SpeedButton1->click();
        browser.close();
    });
    program->frGlowna().acOdbicia->trigger();

    EXPECT_EQ(rowsShown, 2);
    const QString text = readPdf(pdf).layoutText;
    EXPECT_TRUE(text.contains("Odbicia pochodzą z czytnika nr 0"));
    for (const auto& p : punches) {
        const QRegularExpression row(p.time.toString("HH:mm:ss") + "\\s+" +
                                     QString::number(p.checkpoint) + "\\b");
        EXPECT_EQ(text.contains(row), p.shown) << p.checkpoint;
    }
    EXPECT_TRUE(dialogs.shown.empty());
}
