// The window "Raport wyjątków": rows coloured by status, the summary, choices kept for the next
// window, the report's preview with its PDF and the CSV file; and the printed layout's flow.
#include "desktop/rounds/exception_report_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <cstdio>
#include <gtest/gtest.h>

#include "core/rounds/exception_report_fixture.h"
#include "core/rounds/exception_report_layout.h"
#include "core/rounds/exception_report_pages.h"
#include "core/store/sqlite_connection.h"
#include "desktop/report/report_preview.h"
#include "support/event_loop_watch.h"
#include "support/pdf_reading.h"
#include "support/test_dialogs.h"
#include "support/xlsx_reading.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

struct ExceptionReportWindowTest : ::testing::Test {
    ReportInstallation installation;
    TDM3 dm;
    QStringList logged;
    ExceptionReportChoices kept = period(QDate(2024, 3, 4), QDate(2024, 3, 5));
    TestDialogs dialogs;

    void SetUp() override { installation.open(dm); }

    std::unique_ptr<ExceptionReportWindow> window() {
        auto made = std::make_unique<ExceptionReportWindow>(
            dm, [this](const QString& line) { logged << line; }, kept);
        made->refresh();
        return made;
    }
};

TEST_F(ExceptionReportWindowTest, RowsAreColouredByStatusAndSummed) {
    const auto shown = window();
    const QAbstractItemModel& grid = *shown->grid->model();
    const struct {
        const char* status;
        std::optional<QColor> background;
    } rows[] = {
        {"Wykonany", std::nullopt},
        {"Spóźniony", QColor(255, 200, 120)},
        {"Niepełny", QColor(255, 170, 170)},
        {"Poza kolejnością", QColor(255, 200, 120)},
        {"Nie wykonany", QColor(255, 170, 170)},
        {"Nie wykonany", QColor(255, 170, 170)},
    };
    ASSERT_EQ(grid.rowCount(), std::size(rows));
    for (int row = 0; row < grid.rowCount(); ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(grid.index(row, 5).data().toString(), QString::fromUtf8(rows[row].status));
        for (int column = 0; column < grid.columnCount(); ++column) {
            const QVariant background = grid.index(row, column).data(Qt::BackgroundRole);
            EXPECT_EQ(background.isValid() ? std::optional(background.value<QColor>())
                                           : std::nullopt,
                      rows[row].background);
        }
    }
    EXPECT_EQ(grid.index(0, 0).data().toString(), "4.03.2024");
    EXPECT_EQ(shown->lbPodsumowanie->text(),
              QString::fromUtf8("Zaplanowane: 6   Wykonane: 1   Spóźnione: 1   "
                                "Poza kolejnością: 1   Niepełne: 1   Nie wykonane: 2   "
                                "Brak odczytu: 0   "
                                "Zgodność: 50,0%"));

    // Only the exceptions: the summary still counts every round of the period.
    const QString summary = shown->lbPodsumowanie->text();
    shown->chTylkoWyjatki->click();
    EXPECT_EQ(grid.rowCount(), 5);
    EXPECT_EQ(shown->lbPodsumowanie->text(), summary);
}

TEST_F(ExceptionReportWindowTest, KeepsItsChoicesForTheNextWindow) {
    {
        const auto first = window();
        first->dtOd->setDate(QDate(2024, 3, 5));
        first->cbPlan->setCurrentIndex(first->cbPlan->findText("Noc"));
        first->cbCzytnik->setCurrentIndex(first->cbCzytnik->findText("0001 Brama północna"));
        first->chTylkoWyjatki->click();
        EXPECT_EQ(first->grid->model()->rowCount(), 3);
    }
    const auto second = window();
    EXPECT_EQ(second->dtOd->date(), QDate(2024, 3, 5));
    EXPECT_EQ(second->dtDo->date(), QDate(2024, 3, 5));
    EXPECT_EQ(second->cbPlan->currentText(), "Noc");
    EXPECT_EQ(second->cbCzytnik->currentText(), QString::fromUtf8("0001 Brama północna"));
    EXPECT_TRUE(second->chTylkoWyjatki->isChecked());
    EXPECT_EQ(second->grid->model()->rowCount(), 3);
}

// "Raport" logs and opens the preview, whose "Zapisz PDF..." writes the same report.
TEST_F(ExceptionReportWindowTest, ReportPreviewSavesPdfAndCsvHoldsTheGrid) {
    const auto shown = window();
    const QString pdf = installation.folder.file("okno.pdf");
    dialogs.fileNames = {pdf};
    bool previewed = false;
    // The archive is checked before the preview opens, the event loop turning meanwhile: the
    // preview is looked for until it stands.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<ReportPreviewDialog*>(top);
                preview && preview->isVisible()) {
                poll.stop();
                previewed = true;
                EXPECT_EQ(preview->pageCount(), 1);
                auto* save = preview->findChild<QAction*>("SavePdf");
                ASSERT_NE(save, nullptr);
                save->trigger();
                preview->reject();
            }
    });
    poll.start();
    shown->btRaport->click();
    poll.stop();
    EXPECT_TRUE(previewed);
    EXPECT_EQ(logged, QStringList{QString::fromUtf8("Wygenerowanie raportu wyjątków")});
    EXPECT_TRUE(readPdf(pdf).layoutText.contains(QString::fromUtf8("Raport wyjątków")));

    const QString csv = installation.folder.file("okno.csv");
    dialogs.fileNames = {csv};
    shown->btCsv->click();
    QStringList expected = ReportInstallation::allRows();
    EXPECT_EQ(readFileBytes(csv), "\xEF\xBB\xBF" + expected.join("\r\n").toUtf8() + "\r\n");
    const QString xlsx = installation.folder.file("okno.xlsx");
    dialogs.fileNames = {xlsx};
    shown->btXlsx->click();
    EXPECT_EQ(xlsxCsvLines(readXlsx(xlsx)), expected);
    EXPECT_EQ(dialogs.texts(TestDialogs::Shown::Error), QStringList());
}

// The grid's cells cut short by their column show their whole text as a tooltip; cells shown
// whole have none.
TEST_F(ExceptionReportWindowTest, CutCellsShowTheirWholeTextAsATooltip) {
    const auto shown = window();
    shown->show();
    QTableView* grid = shown->grid;
    const QModelIndex instrument = grid->model()->index(0, 2);
    const QString text = instrument.data().toString();
    // Whole first: a tooltip once shown keeps its text a moment after it is hidden.
    for (const int width : {400, 40}) {
        SCOPED_TRACE(width);
        grid->setColumnWidth(2, width);
        const QRect cell = grid->visualRect(instrument);
        QHelpEvent help(QEvent::ToolTip, cell.center(),
                        grid->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(grid->viewport(), &help);
        EXPECT_EQ(QToolTip::text(), width == 40 ? text : QString());
    }
}

// "do" before "od" is said below the empty grid, not shown as a period without exceptions.
TEST_F(ExceptionReportWindowTest, AReversedPeriodSaysSoBelowTheGrid) {
    kept = period(QDate(2024, 3, 5), QDate(2024, 3, 4));
    const auto shown = window();
    EXPECT_EQ(shown->grid->model()->rowCount(), 0);
    EXPECT_TRUE(shown->lbPodsumowanie->text().startsWith("Okres odwrócony"))
        << shown->lbPodsumowanie->text().toStdString();
}

// A long period is read and judged off the windows' thread: the event loop turns throughout (a
// timer's ticks keep coming), "Anuluj" leaves the grid, the summary and the controls as they
// were, and the tick "tylko wyjątki" then only filters what was judged.
TEST_F(ExceptionReportWindowTest, ALongPeriodKeepsTheWindowResponsiveAndAnulujChangesNothing) {
    const auto shown = window();
    ASSERT_EQ(shown->grid->model()->rowCount(), 6);
    const QString summary = shown->lbPodsumowanie->text();
    {
        SqliteConnection file(dm.tbOdbicia.filePath());
        ASSERT_TRUE(QSqlQuery(file.database())
                        .exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                              "WHERE i < 149999) INSERT INTO Odbicia (Data, Czas, Nrwewpkt, "
                              "Nrczyt, NrSczytania) SELECT date('2023-01-01', '+' || (i % 420) || "
                              "' days'), printf('%02d:%02d:00', i / 420 % 24, i % 60), 1 + i % 5, "
                              "'0001', 1 FROM n"));
    }
    EventLoopWatch watch;
    bool cancel = true;
    int dialogs = 0;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = shown->findChild<QProgressDialog*>("WorkProgress");
        if (progress && progress->isVisible() && !progress->wasCanceled()) {
            ++dialogs;
            if (cancel)
                progress->cancel();
        }
    });
    poll.start();

    shown->dtOd->setDate(QDate(2023, 1, 1));
    EXPECT_GE(dialogs, 1);
    EXPECT_EQ(shown->grid->model()->rowCount(), 6);
    EXPECT_EQ(shown->lbPodsumowanie->text(), summary);
    EXPECT_EQ(shown->dtOd->date(), QDate(2024, 3, 4));
    EXPECT_EQ(kept.from, QDate(2024, 3, 4));

    cancel = false;
    watch.restart();
    QElapsedTimer judging;
    judging.start();
    shown->dtOd->setDate(QDate(2023, 1, 1));
    const qint64 judged = judging.elapsed();
    std::printf("judging: %lld ms, the event loop's longest wait %lld ms over %d ticks\n", judged,
                watch.longestGapMs(), watch.ticks());
    const int rounds = shown->grid->model()->rowCount();
    EXPECT_GT(rounds, 6);
    EXPECT_EQ(kept.from, QDate(2023, 1, 1));
    EXPECT_GT(watch.ticks(), 10);
    EXPECT_LT(watch.longestGapMs(), 1000);

    dialogs = 0;
    judging.restart();
    shown->chTylkoWyjatki->click();
    EXPECT_EQ(dialogs, 0);
    EXPECT_LT(shown->grid->model()->rowCount(), rounds);
}

// A plan changed behind the program's back is named in the message and nothing is judged by it:
// the grid empties instead of keeping rounds of other choices.
TEST_F(ExceptionReportWindowTest, ARefusedPlanIsNamedAndNoRoundIsShown) {
    const auto shown = window();
    ASSERT_EQ(shown->grid->model()->rowCount(), 6);
    {
        SqliteConnection file(installation.db() + "Obchody.db");
        ASSERT_TRUE(QSqlQuery(file.database()).exec("UPDATE Plany SET CzasObchodu = 100000"));
    }
    shown->dtDo->setDate(QDate(2024, 3, 6));
    const QStringList errors = dialogs.texts(TestDialogs::Shown::Error);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Plan „Noc” (nr 1) w tabeli Plany jest nieprawidłowy: Pole "
                                     "„Czas obchodu (min)” może wynosić najwyżej 1440"))
        << errors[0].toStdString();
    EXPECT_EQ(shown->grid->model()->rowCount(), 0);
    EXPECT_EQ(shown->lbPodsumowanie->text(), "");
}

// The layout alone: many rounds with long names flow over pages, each text within its box and
// the page's body, the rounds' column titles again at the top of every page they go on to.
TEST(ExceptionReportLayoutTest, LongReportsFlowOverPagesUncut) {
    ExceptionReport report;
    report.choices = period(QDate(2024, 3, 1), QDate(2024, 3, 31));
    report.instrumentText = report.planText = "wszystkie";
    const QString longName(60, QChar('W'));
    for (int i = 0; i < 120; ++i)
        report.rounds.append(
            {QDate(2024, 3, 1 + i / 4),
             i % 2 ? longName : "Noc",
             "0001 Brama północna",
             QTime(i % 24, 0),
             QTime(),
             RoundStatus::NotWalked,
             {"1 Brama główna", "2 Parking przy wjeździe od strony ulicy", "3 " + longName}});
    const ReportLayout layout;
    const TextWidth width = reportTextWidth();
    const QList<LaidOutPage> pages =
        layoutExceptionReport(report, RegionalFormats::fromEnvironment(), width, layout);
    ASSERT_GT(pages.size(), 3);
    for (qsizetype page = 0; page < pages.size(); ++page) {
        SCOPED_TRACE(page);
        bool titles = false;
        for (const LaidOutText& text : pages[page].texts) {
            EXPECT_LE(width(text.font, text.text), text.width + 0.01) << text.text.toStdString();
            EXPECT_LE(text.left + text.width,
                      layout.page().width - layout.page().marginRight + 0.01);
            EXPECT_GE(text.top, layout.titleTop());
            EXPECT_LT(text.top + 3.6, layout.pageFooterTop() + 0.01);
            titles = titles || text.text == "Start plan.";
        }
        EXPECT_TRUE(titles || page == pages.size() - 1);
    }

    // Every page's footer carries the archive's beginning and hash when the check found it
    // intact, that it is not when it did not, and nothing unchecked.
    TempFolder folder;
    const QString hash = QString(QByteArray(32, '\xab').toHex());
    const struct {
        ArchiveSeal seal;
        QString note;
    } seals[] = {
        {{true, 0, hash, 41}, "Archiwum od odczytu nr 42: " + hash},
        {{true, 3, hash, 41}, "Archiwum NIE jest nienaruszone (niezgodności: 3)"},
        {{false, 0, hash, 0}, "Archiwum"},
    };
    for (const auto& [seal, note] : seals) {
        const QString pdf = folder.file("hash.pdf");
        report.archive = seal;
        writeReportPdf(pdf, "Raport wyjątków",
                       ExceptionReportPages(report, QDateTime(QDate(2024, 4, 1), QTime(7, 0))));
        const PdfDocument document = readPdf(pdf);
        EXPECT_EQ(document.pages, pages.size());
        EXPECT_EQ(document.layoutText.count(note), seal.checked ? pages.size() : 0)
            << note.toStdString();
        EXPECT_EQ(document.layoutText.count(hash),
                  seal.checked && !seal.findings ? pages.size() : 0);
    }
}

// A name thousands of characters long (a table changed behind the program's back) is broken into
// lines that each fit, over as many pages as it takes, none past a page's body, and the pieces
// give the name back whole. The measuring grows with the name's length, not with its square:
// the widths measured add up to a small multiple of the characters laid out.
TEST(ExceptionReportLayoutTest, AVeryLongNameGoesOnOverPagesInLinearWork) {
    for (const qsizetype length : {qsizetype(61), qsizetype(4000), qsizetype(20000)}) {
        SCOPED_TRACE(length);
        const QString plan(length, QChar(u'ż'));
        const QString checkpoint(length, QChar(u'Ł'));
        ExceptionReport report;
        report.choices = period(QDate(2024, 3, 1), QDate(2024, 3, 1));
        report.instrumentText = report.planText = "wszystkie";
        report.rounds.append({QDate(2024, 3, 1),
                              plan,
                              "0001",
                              QTime(8, 0),
                              QTime(),
                              RoundStatus::NotWalked,
                              {checkpoint}});
        qint64 measured = 0;
        const TextWidth width = [&measured](ReportFontKind, const QString& text) {
            measured += text.size();
            return 1.7 * text.size();
        };
        const ReportLayout layout;
        const QList<LaidOutPage> pages =
            layoutExceptionReport(report, RegionalFormats::fromEnvironment(), width, layout);
        const qint64 laidOut = measured;
        QString plans, checkpoints;
        for (const LaidOutPage& page : pages)
            for (const LaidOutText& text : page.texts) {
                EXPECT_LE(width(text.font, text.text), text.width + 0.01);
                EXPECT_LT(text.top + 3.6, layout.pageFooterTop() + 0.01);
                if (text.text.count(QChar(u'ż')) == text.text.size())
                    plans += text.text;
                else if (text.text.contains(QChar(u'Ł')))
                    checkpoints += text.text;
            }
        EXPECT_TRUE(plans == plan) << plans.size(); // no dump of 20 000 characters
        EXPECT_TRUE(checkpoints == checkpoint) << checkpoints.size();
        EXPECT_EQ(pages.size() > 1, length > 1000);
        EXPECT_LT(laidOut, 60 * 2 * (length + 100)) << laidOut;
    }
}

} // namespace
