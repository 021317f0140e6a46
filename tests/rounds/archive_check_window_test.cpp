// The window "Sprawdź archiwum odczytów" over made-up checks: the findings in the grid and the
// CSV file, the summary, the log line, a cancelled check and one that fails.
#include "rounds/archive_check_window.h"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "common/error_handler.h"
#include "common/exception.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ArchiveCheckWindowTest : ::testing::Test {
    TempFolder folder;
    TestDialogs dialogs;
    QStringList logged;

    std::unique_ptr<ArchiveCheckWindow> window(ArchiveCheckRun check) {
        return std::make_unique<ArchiveCheckWindow>(
            std::move(check), [this](const QString& line) { logged << line; });
    }

    static ArchiveCheckRun made(const ArchiveCheck& check) {
        return [check](const ArchiveProgress& progress) -> std::optional<ArchiveCheck> {
            for (qint64 done = 0; done <= check.downloads; ++done)
                if (!progress(done, check.downloads))
                    return std::nullopt;
            return check;
        };
    }

    QByteArray csvOf(ArchiveCheckWindow& shown) {
        const QString csv = folder.file("archiwum.csv");
        dialogs.fileNames = {csv};
        shown.btCsv->click();
        return readFileBytes(csv);
    }

    static QStringList gridRows(const QTableWidget& grid) {
        QStringList rows;
        for (int row = 0; row < grid.rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < grid.columnCount(); ++column)
                cells << grid.item(row, column)->text();
            rows << cells.join('|');
        }
        return rows;
    }

    static const QString logLine() { return QString::fromUtf8("Sprawdzenie archiwum odczytów"); }
};

TEST_F(ArchiveCheckWindowTest, ACleanArchiveShowsNoRowsAndItsSummary) {
    ArchiveCheck clean;
    clean.downloads = 3;
    clean.lastDigest = QString(64, 'a');
    const auto shown = window(made(clean));
    ASSERT_TRUE(shown->runCheck());
    EXPECT_EQ(shown->windowTitle(), QString::fromUtf8("Sprawdź archiwum odczytów"));
    EXPECT_EQ(shown->grid->rowCount(), 0);
    EXPECT_EQ(shown->lbPodsumowanie->text(), archiveCheckSummary(clean));
    EXPECT_EQ(logged, QStringList{logLine()});
    EXPECT_EQ(csvOf(*shown), "\xEF\xBB\xBFOdczyt;Czytnik;Opis\r\n");
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList());
}

TEST_F(ArchiveCheckWindowTest, FindingsFillTheGridAndTheCsvFile) {
    ArchiveCheck check;
    check.downloads = 2;
    check.findings = {
        {ArchiveFindingKind::PunchAdded, 7, "0001", "Dodany wiersz: 2024-03-04 22:05; pkt 1"},
        {ArchiveFindingKind::ChainBroken, 0, "", "Łańcuch przerwany"},
    };
    const auto shown = window(made(check));
    ASSERT_TRUE(shown->runCheck());
    EXPECT_EQ(gridRows(*shown->grid), QStringList({"7|0001|Dodany wiersz: 2024-03-04 22:05; pkt 1",
                                                   QString::fromUtf8("||Łańcuch przerwany")}));
    EXPECT_EQ(shown->lbPodsumowanie->text(), archiveCheckSummary(check));
    // A field with ";" is quoted, as every spreadsheet reads it.
    EXPECT_EQ(csvOf(*shown), QByteArray("\xEF\xBB\xBFOdczyt;Czytnik;Opis\r\n"
                                        "7;0001;\"Dodany wiersz: 2024-03-04 22:05; pkt 1\"\r\n"
                                        ";;Łańcuch przerwany\r\n"));
    EXPECT_EQ(logged, QStringList{logLine()});
}

// "Anuluj" stops the check at its next step; a check that fails reaches the error handler with
// its message, and no progress dialog stays behind either way.
TEST_F(ArchiveCheckWindowTest, CancelStopsTheCheckAndAFailureIsShown) {
    qint64 steps = 0;
    const auto cancelled = window([&](const ArchiveProgress& progress) {
        for (; steps < 1000; ++steps) {
            if (steps == 1)
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QProgressDialog*>(top))
                        dialog->cancel();
            if (!progress(steps, 1000))
                return std::optional<ArchiveCheck>();
        }
        return std::optional(ArchiveCheck());
    });
    EXPECT_FALSE(cancelled->runCheck());
    EXPECT_EQ(steps, 1);

    const auto failing = window([](const ArchiveProgress&) -> std::optional<ArchiveCheck> {
        throw EDatabaseError("Obchody.db: disk I/O error");
    });
    guarded([&] { failing->runCheck(); })();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList{"Obchody.db: disk I/O error."});
    EXPECT_EQ(logged, QStringList({logLine(), logLine()}));
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QProgressDialog*>(top), nullptr);
}

} // namespace
