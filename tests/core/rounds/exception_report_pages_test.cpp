// The printed exception report one page at a time: each page laid out alone is the page laid out
// with all the others, and a PDF stopped halfway leaves nothing under its name.
#include "core/rounds/exception_report_pages.h"

#include <QDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

#include "core/common/work_progress.h"
#include "core/rounds/exception_report_fixture.h"
#include "support/pdf_reading.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

ExceptionReport reportOf(int rounds, int perDay, const QString& planName, int punches) {
    ExceptionReport report;
    report.choices = period(QDate(2024, 3, 1), QDate(2024, 12, 31));
    report.instrumentText = report.planText = "wszystkie";
    report.perPlan.append(RoundCounts{});
    report.perPlan.last().plan = planName;
    for (int i = 0; i < rounds; ++i)
        report.rounds.append({QDate(2024, 3, 1).addDays(i / perDay),
                              i % 3 ? planName : "Noc",
                              "0001 Brama północna",
                              QTime(i % 24, 0),
                              i % 2 ? QTime(i % 24, 5) : QTime(),
                              i % 2 ? RoundStatus::Late : RoundStatus::NotWalked,
                              {"1 Brama główna", "2 Parking przy wjeździe od strony ulicy"}});
    for (int i = 0; i < punches; ++i) {
        report.outside.append(
            {QDate(2024, 3, 1 + i % 28), QTime(i % 24, i % 60), "7 Rampa", "0002"});
        if (i % 3 == 0)
            report.incidents.append({QDate(2024, 3, 2), QTime(3, 0), "171 Napad", "0001"});
    }
    return report;
}

// Two pages alike: every text and frame in the same place.
bool samePage(const LaidOutPage& a, const LaidOutPage& b) {
    const auto text = [](const LaidOutText& x, const LaidOutText& y) {
        return std::tie(x.font, x.left, x.top, x.width, x.align, x.text) ==
               std::tie(y.font, y.left, y.top, y.width, y.align, y.text);
    };
    const auto frame = [](const LaidOutFrame& x, const LaidOutFrame& y) {
        return std::tie(x.left, x.top, x.width, x.height) ==
               std::tie(y.left, y.top, y.width, y.height);
    };
    return std::equal(a.texts.cbegin(), a.texts.cend(), b.texts.cbegin(), b.texts.cend(), text) &&
           std::equal(a.frames.cbegin(), a.frames.cend(), b.frames.cbegin(), b.frames.cend(),
                      frame);
}

// Pages begin inside a day's rounds (the day's heading again, "(cd.)"), in a row taller than a
// page, between sections and in sections of "brak": whichever page is asked for alone, in any
// order, it is the page laid out in one go.
TEST(ExceptionReportPagesTest, APageLaidOutAloneIsThePageLaidOutWithTheOthers) {
    const struct {
        const char* name;
        ExceptionReport report;
        int atLeastPages;
    } cases[] = {
        {"nothing", reportOf(0, 1, "Dzień", 0), 1},
        {"days over pages", reportOf(400, 7, "Dzień", 0), 6},
        {"one day over pages", reportOf(200, 200, "Dzień", 0), 3},
        {"a row taller than a page", reportOf(5, 2, QString(6000, QChar(u'ż')), 0), 3},
        {"punches outside the plan", reportOf(3, 1, "Dzień", 500), 8},
    };
    const TextWidth width = reportTextWidth();
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ExceptionReportLayout layout(c.report, formats, width);
        const QList<LaidOutPage> all = layout.allPages();
        ASSERT_EQ(layout.pageCount(), all.size());
        EXPECT_GE(all.size(), c.atLeastPages);
        for (qint64 page = layout.pageCount() - 1; page >= 0; --page) {
            SCOPED_TRACE(page);
            const LaidOutPage alone = layout.page(page);
            EXPECT_TRUE(samePage(alone, all[page]));
            EXPECT_FALSE(alone.texts.isEmpty());
        }
    }
}

// The count is made once, with progress over the table rows, and stops when asked to.
TEST(ExceptionReportPagesTest, TheCountTellsItsProgressAndStops) {
    const ExceptionReport report = reportOf(3000, 10, "Dzień", 0);
    qint64 lastDone = 0, total = 0;
    const ExceptionReportPages pages(report, QDateTime(QDate(2024, 4, 1), QTime(7, 0)),
                                     ReportLayout(), [&](qint64 done, qint64 of) {
                                         EXPECT_GT(done, lastDone);
                                         lastDone = done;
                                         total = of;
                                         return true;
                                     });
    EXPECT_EQ(total, 3000 + 300 + 2); // rounds, days' headings, the summary's plan and total
    EXPECT_GT(lastDone, total / 2);
    EXPECT_THROW(ExceptionReportPages(report, QDateTime(), ReportLayout(),
                                      [](qint64 done, qint64) { return done < 500; }),
                 WorkStopped);
}

// A PDF stopped on any page leaves no file under its name, and one that was there stays as it
// was; one that runs to its end holds every page.
TEST(ExceptionReportPagesTest, APdfStoppedHalfwayLeavesNothingUnderItsName) {
    TempFolder folder;
    const ExceptionReport report = reportOf(600, 8, "Dzień", 0);
    ExceptionReportPages pages(report, QDateTime(QDate(2024, 4, 1), QTime(7, 0)));
    const qint64 count = pages.count();
    ASSERT_GT(count, 5);
    const struct {
        const char* name;
        std::optional<QByteArray> before;
        qint64 stopAt;
    } cases[] = {
        {"new, stopped at once", std::nullopt, 0},
        {"new, stopped halfway", std::nullopt, count / 2},
        {"over a file, stopped on the last page", QByteArray("stary raport"), count - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.file("raport.pdf");
        QFile::remove(path);
        if (c.before) {
            ASSERT_TRUE(writeFileBytes(path, *c.before));
        }
        pages.setPrintProgress([&](qint64 done, qint64 total) {
            EXPECT_EQ(total, count);
            return done < c.stopAt;
        });
        EXPECT_THROW(writeReportPdf(path, "Raport wyjątków", pages), WorkStopped);
        EXPECT_EQ(QFile::exists(path), c.before.has_value());
        if (c.before) {
            EXPECT_EQ(readFileBytes(path), *c.before);
        }
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                  c.before ? QStringList{"raport.pdf"} : QStringList{});
    }
    pages.setPrintProgress({});
    const QString path = folder.file("raport.pdf");
    EXPECT_EQ(writeReportPdf(path, "Raport wyjątków", pages).pages, count);
    EXPECT_EQ(readPdf(path).pages, count);
}

} // namespace
