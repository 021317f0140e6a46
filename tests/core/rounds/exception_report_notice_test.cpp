// What a report says of itself: why it is empty when that is no good news, the plans' summary in
// natural order, the instrument column on one line.
#include <gtest/gtest.h>

#include "core/rounds/exception_report.h"
#include "core/rounds/exception_report_fixture.h"
#include "core/rounds/exception_report_layout.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

QStringList laidOutTexts(const ExceptionReport& report) {
    QStringList texts;
    const QList<LaidOutPage> pages = layoutExceptionReport(
        report, RegionalFormats::fromEnvironment(), reportTextWidth(), ReportLayout());
    for (const LaidOutPage& page : pages)
        for (const LaidOutText& text : page.texts)
            texts << text.text;
    return texts;
}

ExceptionReportTables tablesWithPlan(bool withPlan) {
    ExceptionReportTables tables;
    if (withPlan) {
        Plan plan;
        plan.name = "Noc";
        plan.instrument = "0001";
        tables.plans = {plan};
    }
    return tables;
}

} // namespace

TEST(ExceptionReportNoticeTest, AnEmptyReportSaysWhyInTheWindowAndOnPaper) {
    const struct {
        const char* name;
        QDate from, to;
        bool plans;
        QString notice; // "" none: the summary line shows the figures
    } cases[] = {
        {"reversed period", QDate(2024, 3, 5), QDate(2024, 3, 4), true,
         "Okres odwrócony: „do” (2024-03-04) jest przed „od” (2024-03-05), raport jest pusty"},
        {"reversed, no plans", QDate(2024, 3, 5), QDate(2024, 3, 4), false,
         "Okres odwrócony: „do” (2024-03-04) jest przed „od” (2024-03-05), raport jest pusty"},
        {"no plans", QDate(2024, 3, 4), QDate(2024, 3, 5), false,
         "Brak planów obchodów: nie ma czego oceniać (plany zakłada się w oknie „Plany "
         "obchodów”)"},
        {"a plan, no rounds in the period", QDate(2024, 3, 4), QDate(2024, 3, 5), true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ExceptionReport report =
            buildExceptionReport(tablesWithPlan(c.plans), period(c.from, c.to));
        EXPECT_EQ(exceptionReportNotice(report), c.notice);
        EXPECT_EQ(exceptionReportSummary(report),
                  c.notice.isEmpty() ? summaryLine(report.total) : c.notice);
        EXPECT_EQ(laidOutTexts(report).contains(c.notice), !c.notice.isEmpty());
    }
}

TEST(ExceptionReportNoticeTest, PlansAreSummedUpInNaturalOrder) {
    Evaluation evaluation;
    // The summary is counted from the rounds shown, one round of each plan here.
    for (const char* plan : {"Obchód 10", "Obchód 2", "Brama", "Obchód 1"}) {
        RoundRow row;
        row.day = QDate(2024, 3, 4);
        row.plan = int(evaluation.rounds.size());
        row.planName = plan;
        row.plannedStart = QDateTime(row.day, QTime(8, 0), Qt::UTC);
        evaluation.rounds.append(row);
    }
    const ExceptionReport report = exceptionReportOf(evaluation, {}, tablesWithPlan(true),
                                                     period(QDate(2024, 3, 4), QDate(2024, 3, 4)));
    QStringList plans;
    for (const RoundCounts& counts : report.perPlan)
        plans << counts.plan;
    EXPECT_EQ(plans, (QStringList{"Brama", "Obchód 1", "Obchód 2", "Obchód 10"}));
    // The printed summary lists them in that order too.
    const QStringList texts = laidOutTexts(report);
    EXPECT_LT(texts.indexOf("Obchód 2"), texts.indexOf("Obchód 10"));
}

// A long description is cut short on one line, the instrument's number kept; a short label is
// printed whole.
TEST(ExceptionReportNoticeTest, TheInstrumentColumnShowsTheNumberAndAShortDescription) {
    ExceptionReport report;
    report.choices = period(QDate(2024, 3, 4), QDate(2024, 3, 4));
    const QString longLabel = "0001 Brama północna przy parkingu od strony ulicy Długiej";
    for (const QString& label : {longLabel, QString("0002 Brama")})
        report.rounds.append(
            {QDate(2024, 3, 4), "Noc", label, QTime(22, 0), QTime(), RoundStatus::NotWalked, {}});
    const QStringList texts = laidOutTexts(report);
    EXPECT_TRUE(texts.contains("0002 Brama"));
    const auto cut = std::find_if(texts.cbegin(), texts.cend(), [](const QString& text) {
        return text.startsWith("0001 Brama");
    });
    ASSERT_NE(cut, texts.cend());
    EXPECT_TRUE(cut->endsWith(QChar(0x2026))) << cut->toStdString();
    EXPECT_TRUE(longLabel.startsWith(cut->chopped(1)));
    EXPECT_FALSE(texts.contains("Długiej")); // no second line
}
