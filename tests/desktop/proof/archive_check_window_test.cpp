// The window "Sprawdź archiwum odczytów" over made-up checks: the findings in the grid and the
// CSV file, the summary, the log line, a cancelled check and one that fails.
#include "desktop/proof/archive_check_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "core/common/error_handler.h"
#include "core/common/exception.h"
#include "support/temp_folder.h"
#include "support/test_dialogs.h"
#include "support/xlsx_reading.h"

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
        return [check](const ArchiveProgress& progress) {
            return progress(1, 1) ? std::optional(check) : std::nullopt;
        };
    }
};

TEST_F(ArchiveCheckWindowTest, ShowsTheFindingsAndWritesThemAsCsv) {
    const QString csv = folder.file("archiwum.csv");
    ArchiveCheck check;
    check.downloads = 3;
    check.lastDigest = QString(64, 'a');
    const auto clean = window(made(check));
    ASSERT_TRUE(clean->runCheck());
    EXPECT_EQ(clean->grid->rowCount(), 0);
    EXPECT_EQ(clean->lbPodsumowanie->text(), archiveCheckSummary(check));

    check.findings = {
        {ArchiveFindingKind::PunchAdded, 7, "0001", "Dodany wiersz: 2024-03-04 22:05; pkt 1"},
        {ArchiveFindingKind::ChainBroken, 0, "", "Łańcuch przerwany"},
    };
    const auto shown = window(made(check));
    ASSERT_TRUE(shown->runCheck());
    ASSERT_EQ(shown->grid->rowCount(), 2);
    EXPECT_EQ(shown->grid->item(1, 2)->text(), QString::fromUtf8("Łańcuch przerwany"));
    EXPECT_EQ(shown->lbPodsumowanie->text(), archiveCheckSummary(check));
    dialogs.fileNames = {csv};
    shown->btCsv->click();
    // A field with ";" is quoted; a finding without a download leaves its number empty.
    EXPECT_EQ(readFileBytes(csv), QByteArray("\xEF\xBB\xBFOdczyt;Czytnik;Opis\r\n"
                                             "7;0001;\"Dodany wiersz: 2024-03-04 22:05; pkt 1\"\r\n"
                                             ";;Łańcuch przerwany\r\n"));
    // The workbook: the same rows, the instrument "0001" a text that keeps its zeros.
    const QString xlsx = QFileInfo(csv).dir().filePath("archiwum.xlsx");
    dialogs.fileNames = {xlsx};
    shown->btXlsx->click();
    EXPECT_EQ(xlsxCsvLines(readXlsx(xlsx)),
              (QStringList{"Odczyt;Czytnik;Opis", "7;0001;Dodany wiersz: 2024-03-04 22:05; pkt 1",
                           ";;Łańcuch przerwany"}));
    EXPECT_EQ(logged.count(QString::fromUtf8("Sprawdzenie archiwum odczytów")), 2);
}

// "Anuluj" stops the check at its next step; a check that fails reaches the error handler with
// its message.
TEST_F(ArchiveCheckWindowTest, CancelStopsTheCheckAndAFailureIsShown) {
    qint64 steps = 0;
    const auto cancelled = window([&](const ArchiveProgress& progress) {
        for (; progress(steps, 1000); ++steps)
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QProgressDialog*>(top); dialog && steps == 1)
                    dialog->cancel();
        return std::optional<ArchiveCheck>();
    });
    EXPECT_FALSE(cancelled->runCheck());
    EXPECT_EQ(steps, 2);

    const auto failing = window([](const ArchiveProgress&) -> std::optional<ArchiveCheck> {
        throw EDatabaseError("Obchody.db: disk I/O error");
    });
    guarded([&] { failing->runCheck(); })();
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList{"Obchody.db: disk I/O error."});
}

} // namespace
