// What the exception report takes from the download archive: the last digest in every page's
// footer, and the period's downloads whose instrument's clock was off or unknown.
#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "core/proof/archive_fixture.h"
#include "core/rounds/exception_report_fixture.h"
#include "core/store/archive.h"
#include "desktop/rounds/exception_report_window.h"
#include "support/pdf_reading.h"
#include "support/test_dialogs.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ExceptionReportArchiveTest : ::testing::Test {
    ReportInstallation installation;
    TDM3 dm;
    ExceptionReportChoices choices = period(QDate(2024, 3, 4), QDate(2024, 3, 5));

    void SetUp() override { installation.open(dm); }

    QStringList listed(const ExceptionReportChoices& chosen) {
        QStringList rows;
        for (const DownloadClock& clock :
             buildExceptionReport(loadExceptionReportTables(dm, chosen), chosen).clocks)
            rows << QStringLiteral("%1 %2 %3")
                        .arg(clock.download)
                        .arg(clock.instrument, clockDriftText(clock.driftMinutes));
        return rows;
    }

    // Download `download` of `instrument` punched on `day` (1 is the fixture's), received at
    // 08:00 and `receivedSeconds`, the instrument's clock at 08:00 plus `clockMinutes`.
    void archive(qint32 download, const QString& instrument, const QDate& day,
                 std::optional<int> clockMinutes, int receivedSeconds = 0) {
        if (download > 1)
            dm.insertPunch({0, day, QTime(12, 30), 99, instrument, download});
        ArchiveRow row;
        row.download = download;
        row.instrument = instrument;
        row.received = QDateTime(QDate(2024, 3, 6), QTime(8, 0, receivedSeconds));
        if (clockMinutes)
            row.instrumentClock =
                QDateTime(QDate(2024, 3, 6), QTime(8, 0)).addSecs(*clockMinutes * 60);
        row.transmission = "transmisja";
        appendArchiveRow(dm, row);
    }
};

TEST_F(ExceptionReportArchiveTest, ListsClocksOffOrUnknownAndPrintsTheDigest) {
    EXPECT_EQ(listed(choices), QStringList()); // an empty archive
    archive(1, "0001", {}, 12);
    archive(2, "0001", QDate(2024, 3, 4), -5, 30); // 5 min 30 s slow: within the limit
    archive(3, "0001", QDate(2024, 3, 5), std::nullopt);
    archive(4, "0002", QDate(2024, 3, 5), -7);
    archive(5, "0001", QDate(2024, 3, 10), 30); // after the period
    EXPECT_EQ(listed(choices),
              QStringList({QString::fromUtf8("1 0001 Brama północna Zegar czytnika różnił się o "
                                             "12 min (spieszył się)"),
                           QString::fromUtf8("3 0001 Brama północna Zegar czytnika nieznany"),
                           QString::fromUtf8("4 0002 Zegar czytnika różnił się o 7 min "
                                             "(spóźniał się)")}));
    ExceptionReportChoices one = choices;
    one.instrument = "0001";
    EXPECT_EQ(listed(one).size(), 2);

    TestDialogs dialogs;
    ExceptionReportWindow window(
        dm, [](const QString&) {}, choices);
    window.refresh();
    EXPECT_TRUE(window.lbPodsumowanie->text().endsWith(
        QString::fromUtf8("Zgodność: 50,0%   Odczyty z zegarem do sprawdzenia: 3")));

    // ronvalo-raport: the clocks' section after "Zdarzenia"; on every page's footer line, right
    // of the program's line and within the paper's margin, that the archive is not intact (its
    // rows hold no dump, and the fixture's punches belong to no download) in place of a digest.
    const QString pdf = installation.folder.file("raport.pdf");
    const auto run = ReportInstallation::raport(
        {installation.folder.path(), "--od", "2024-03-04", "--do", "2024-03-05", "--pdf", pdf});
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const PdfDocument document = readPdf(pdf);
    const QString& text = document.layoutText;
    EXPECT_GT(text.indexOf(QRegularExpression(QString::fromUtf8(
                  "1 +0001 Brama północna +6\\.03\\.2024 08:00 +Zegar czytnika różnił się o 12 min "
                  "\\(spieszył się\\)"))),
              text.indexOf("Zdarzenia"));
    for (int page = 1; page <= document.pages; ++page) {
        std::vector<PdfText> note;
        for (const PdfText& text : document.texts)
            if (text.page == page && text.text.startsWith("Archiwum NIE jest nienaruszone"))
                note.push_back(text);
        const auto program = document.find("Wydrukowano przy uzyciu programu Ronvalo 2.2", page);
        ASSERT_EQ(note.size(), 1u);
        ASSERT_EQ(program.size(), 1u);
        EXPECT_NEAR(note[0].top, program[0].top, 1.5);
        EXPECT_LT(program[0].right(), note[0].left);
        EXPECT_LE(note[0].right(), pointsFromMm(210 - 10) + 1.5);
    }
}

// A report of intact tables prints where the archive begins and its last digest on every page;
// a punch moved in the punch table since (a late round made one on time) makes every page say
// the tables are not intact instead.
TEST(ExceptionReportSealTest, EveryPageSaysWhetherTheTablesAreIntact) {
    ArchivedInstallation installation;
    importFourDays(installation);
    QString digest;
    {
        TDM3 dm;
        installation.open(dm);
        digest = lastArchiveDigest(dm);
    }
    const QString pdf = installation.folder.file("raport.pdf");
    const QStringList arguments{
        installation.folder.path(), "--od", "2004-04-26", "--do", "2004-04-29", "--pdf", pdf};
    for (const QString& says :
         {"Archiwum od odczytu nr 1: " + digest,
          QString::fromUtf8("Archiwum NIE jest nienaruszone (niezgodności: 1): wydruk nie jest "
                            "dowodem")}) {
        const auto run = ReportInstallation::raport(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
        const PdfDocument document = readPdf(pdf);
        ASSERT_GE(document.pages, 1);
        for (int page = 1; page <= document.pages; ++page)
            EXPECT_EQ(document.find(says, page).size(), 1u) << says.toStdString();
        installation.tamper("Odbicia.db",
                            {"UPDATE Odbicia SET Czas = '08:05:00' WHERE AutoNr = 1"});
    }
}

} // namespace
