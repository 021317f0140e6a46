// What the exception report takes from the download archive: the last digest in every page's
// footer, and the period's downloads whose instrument's clock was off or unknown.
#include <QLabel>
#include <gtest/gtest.h>

#include "rounds/exception_report_fixture.h"
#include "rounds/exception_report_layout.h"
#include "rounds/exception_report_window.h"
#include "store/archive.h"
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

    ExceptionReport report(const ExceptionReportChoices& chosen) {
        return buildExceptionReport(loadExceptionReportTables(dm, chosen), chosen);
    }

    void punch(qint32 download, const QString& instrument, const QDate& day) {
        Punch row;
        row.Data = day;
        row.Czas = QTime(12, 30);
        row.Nrwewpkt = 99;
        row.Nrczyt = instrument;
        row.NrSczytania = download;
        dm.insertPunch(row);
    }

    // Download 1 is the fixture's punches of 0001 and 0002; 2 to 5 are added here. The
    // instrument's clock reads 08:00 plus `clockMinutes` (none: unknown) when the computer's
    // reads 08:00 and `receivedSeconds`.
    void archive(qint32 download, const QString& instrument, std::optional<int> clockMinutes,
                 int receivedSeconds = 0) {
        ArchiveRow row;
        row.download = download;
        row.instrument = instrument;
        row.received = QDateTime(QDate(2024, 3, 6), QTime(8, 0, receivedSeconds));
        if (clockMinutes)
            row.instrumentClock =
                QDateTime(QDate(2024, 3, 6), QTime(8, 0)).addSecs(*clockMinutes * 60);
        row.transmission = "transmisja " + QByteArray::number(download);
        Transaction transaction(dm);
        appendArchiveRow(dm, row);
        transaction.commit();
    }

    void fillArchive() {
        punch(2, "0001", QDate(2024, 3, 4));
        punch(3, "0001", QDate(2024, 3, 5));
        punch(4, "0002", QDate(2024, 3, 5));
        punch(5, "0001", QDate(2024, 3, 10)); // after the period
        archive(1, "0001", 12);
        archive(2, "0001", -5, 30); // 5 min 30 s slow: within the limit
        archive(3, "0001", std::nullopt);
        archive(4, "0002", -7);
        archive(5, "0001", 30);
    }

    static QStringList listed(const ExceptionReport& made) {
        QStringList rows;
        for (const DownloadClock& clock : made.clocks)
            rows << QStringLiteral("%1 %2 %3")
                        .arg(clock.download)
                        .arg(clock.instrument, clockDriftText(clock.driftMinutes));
        return rows;
    }
};

TEST_F(ExceptionReportArchiveTest, ListsThePeriodsDownloadsWhoseClockWasOffOrUnknown) {
    // An empty archive: no digest, nothing listed, the window's summary as before.
    const ExceptionReport before = report(choices);
    EXPECT_EQ(before.archiveDigest, QString());
    EXPECT_TRUE(before.clocks.isEmpty());

    fillArchive();
    const ExceptionReport all = report(choices);
    EXPECT_EQ(all.archiveDigest, lastArchiveDigest(dm));
    EXPECT_EQ(all.archiveDigest.size(), 64);
    EXPECT_EQ(
        listed(all),
        QStringList({QString::fromUtf8("1 0001 Brama północna Zegar czytnika różnił się o 12 min "
                                       "(spieszył się)"),
                     QString::fromUtf8("3 0001 Brama północna Zegar czytnika nieznany"),
                     QString::fromUtf8("4 0002 Zegar czytnika różnił się o 7 min "
                                       "(spóźniał się)")}));
    EXPECT_EQ(all.clocks.first().received, QDateTime(QDate(2024, 3, 6), QTime(8, 0)));

    // One instrument: only its downloads.
    ExceptionReportChoices one = choices;
    one.instrument = "0001";
    EXPECT_EQ(listed(report(one)).size(), 2);

    // The printed section, after "Zdarzenia".
    QStringList texts;
    for (const LaidOutPage& page :
         layoutExceptionReport(all, RegionalFormats::fromEnvironment(), reportTextWidth()))
        for (const LaidOutText& text : page.texts)
            texts << text.text;
    const qsizetype heading = texts.indexOf("Zegar czytnika");
    ASSERT_GT(heading, texts.indexOf("Zdarzenia"));
    EXPECT_EQ(texts.mid(heading + 1, 6), QStringList({"Odczyt", "Czytnik", "Odebrano", "Opis", "1",
                                                      QString::fromUtf8("0001 Brama północna")}));
    EXPECT_TRUE(texts.contains("6.03.2024 08:00"));

    // The window's summary counts them.
    TestDialogs dialogs;
    ExceptionReportWindow window(
        dm, [](const QString&) {}, choices);
    EXPECT_TRUE(window.lbPodsumowanie->text().endsWith(
        QString::fromUtf8("Zgodność: 50,0%   Odczyty z zegarem do sprawdzenia: 3")));
}

// ronvalo-raport prints the same: the digest whole on every page's footer line, right of the
// program's line and within the paper's margin, and the clocks' section.
TEST_F(ExceptionReportArchiveTest, TheToolsPdfCarriesTheDigestAndTheClocks) {
    fillArchive();
    const QString digest = lastArchiveDigest(dm);
    const QString pdf = installation.folder.file("raport.pdf");
    const auto run = ReportInstallation::raport(
        {installation.folder.path(), "--od", "2024-03-04", "--do", "2024-03-05", "--pdf", pdf});
    ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const PdfDocument document = readPdf(pdf);
    EXPECT_TRUE(document.layoutText.contains(
        QString::fromUtf8("Zegar czytnika różnił się o 12 min (spieszył się)")));
    EXPECT_TRUE(document.layoutText.contains(QString::fromUtf8("Zegar czytnika nieznany")));
    for (int page = 1; page <= document.pages; ++page) {
        SCOPED_TRACE(page);
        const auto note = document.find("Archiwum: " + digest, page);
        const auto program = document.find("Wydrukowano przy uzyciu programu Ronvalo 2.2", page);
        ASSERT_EQ(note.size(), 1u);
        ASSERT_EQ(program.size(), 1u);
        EXPECT_NEAR(note[0].top, program[0].top, 1.5);
        EXPECT_LT(program[0].right(), note[0].left);
        EXPECT_LE(note[0].right(), pointsFromMm(210 - 10) + 0.5);
    }
}

} // namespace
