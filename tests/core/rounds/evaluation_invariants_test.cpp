// What holds of any installation, checked over random ones: no punch is claimed twice, and a
// choice of plan or instrument only chooses what the report shows.
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/rounds/exception_report.h"
#include "core/rounds/last_transfer.h"

using namespace ronvalo;

namespace {

const QDate monday(2024, 3, 4);
const QStringList instruments{"A", "B", "C"};

// One to three plans per instrument with what the plan rules let through; some plans change in
// the middle of the period; punches at their checkpoints around the period, some stored again
// by a second download.
ExceptionReportTables randomInstallation(QRandomGenerator& random) {
    ExceptionReportTables tables;
    qint64 id = 0;
    for (const QString& instrument : instruments) {
        const int plans = 1 + random.bounded(3);
        for (int p = 0; p < plans; ++p) {
            Plan plan;
            plan.id = ++id;
            plan.name = QStringLiteral("Obchód %1").arg(id);
            plan.instrument = instrument;
            plan.order = random.bounded(3) ? StepOrder::Fixed : StepOrder::Any;
            const int steps = 1 + random.bounded(4);
            for (int checkpoint : {1, 2, 3, 4, 5, 6})
                if (plan.steps.size() < steps && random.bounded(2))
                    plan.steps.append({checkpoint, random.bounded(5) == 0});
            if (plan.steps.isEmpty())
                plan.steps.append({1 + random.bounded(6), false});
            plan.steps.first().optional = false;
            const int intervals[] = {0, 20, 60, 120, 240};
            plan.interval = intervals[random.bounded(5)];
            plan.firstStart = QTime(0, 0).addSecs(60 * random.bounded(1440));
            plan.lastStart = plan.interval
                                 ? plan.firstStart.addSecs(60 * plan.interval * random.bounded(6))
                                 : plan.firstStart;
            plan.tolerance = random.bounded(int(plan.interval ? plan.interval / 2 : 60) + 1);
            plan.duration = 5 + random.bounded(180);
            plan.validFrom = monday.addDays(-10);
            if (random.bounded(4) == 0) { // changed on the period's second day
                Plan changed = plan;
                changed.id = ++id;
                changed.validFrom = monday.addDays(1);
                changed.duration = 5 + random.bounded(180);
                plan.validTo = monday;
                tables.plans.append(changed);
            }
            tables.plans.append(plan);
        }
        for (int k = 0; k < 250; ++k) {
            Punch punch{0,
                        monday.addDays(random.bounded(6) - 2),
                        QTime(0, 0).addSecs(60 * random.bounded(1440)),
                        1 + random.bounded(7),
                        instrument,
                        1};
            tables.punches.append(punch);
            if (random.bounded(10) == 0) {
                punch.NrSczytania = 2;
                tables.punches.append(punch);
            }
        }
    }
    for (qsizetype k = 0; k < tables.punches.size(); ++k)
        tables.punches[k].AutoNr = k + 1;
    tables.incidentCheckpoints = {7};
    if (random.bounded(2)) { // some instruments read up to a moment within the period
        tables.lastTransfers.emplace();
        tables.lastTransfers->insert("A", QDateTime(monday.addDays(2), QTime(12, 0), Qt::UTC));
        tables.lastTransfers->insert("B", QDateTime(monday.addDays(9), QTime(0, 0), Qt::UTC));
    }
    return tables;
}

std::vector<std::string> rows(const QList<ExceptionRound>& rounds, const QString& plan = {},
                              const QString& instrument = {}) {
    std::vector<std::string> result;
    for (const ExceptionRound& round : rounds)
        if ((plan.isEmpty() || round.plan == plan) &&
            (instrument.isEmpty() || round.instrument == instrument))
            result.push_back(exceptionRoundFields(round).join('|').toStdString());
    return result;
}

std::vector<std::string> punches(const QList<ReportPunch>& list, const QSet<QString>& shown) {
    std::vector<std::string> result;
    for (const ReportPunch& punch : list)
        if (shown.isEmpty() || shown.contains(punch.instrument))
            result.push_back(QStringLiteral("%1 %2 %3 %4")
                                 .arg(punch.date.toString(Qt::ISODate),
                                      punch.time.toString("HH:mm"), punch.checkpoint,
                                      punch.instrument)
                                 .toStdString());
    return result;
}

// The report of one choice: its rows, and its punches outside the plan and incidents, equal to
// those of the report of everything, cut to what was chosen.
void expectSameAsInAll(const ExceptionReport& chosen, const ExceptionReport& all,
                       const QString& plan, const QString& instrument, const QSet<QString>& shown) {
    EXPECT_EQ(rows(chosen.rounds), rows(all.rounds, plan, instrument));
    EXPECT_EQ(punches(chosen.outside, {}), punches(all.outside, shown));
    EXPECT_EQ(punches(chosen.incidents, {}), punches(all.incidents, shown));
}

TEST(EvaluationInvariants, ClaimsOnceAndAChoiceOnlyChoosesWhatIsShown) {
    QRandomGenerator random(30);
    for (int run = 0; run < 40; ++run) {
        SCOPED_TRACE(run);
        const ExceptionReportTables tables = randomInstallation(random);
        ExceptionReportChoices choices;
        choices.from = monday;
        choices.to = monday.addDays(2);

        EvaluationInput input;
        input.plans = tables.plans;
        input.punches = std::span<const Punch>(tables.punches.constData(), tables.punches.size());
        input.first = choices.from;
        input.last = choices.to;
        input.lastTransfers = tables.lastTransfers;
        const Evaluation evaluation = evaluate(input);
        std::vector<int> claims(tables.punches.size());
        for (const RoundRow& row : evaluation.rounds) {
            for (const StepResult& step : row.steps)
                claims[step.punch >= 0 ? step.punch : 0] += step.punch >= 0;
            for (int repeat : row.repeats)
                ++claims[repeat];
        }
        for (int outside : evaluation.outside)
            ++claims[outside];
        EXPECT_LE(*std::max_element(claims.begin(), claims.end()), 1);

        const ExceptionReport all = buildExceptionReport(tables, choices);
        for (const Plan& plan : tables.plans) {
            SCOPED_TRACE(plan.name.toStdString());
            ExceptionReportChoices one = choices;
            one.plan = plan.name;
            expectSameAsInAll(buildExceptionReport(tables, one), all, plan.name, {},
                              {plan.instrument});
        }
        for (const QString& instrument : instruments) {
            SCOPED_TRACE(instrument.toStdString());
            ExceptionReportChoices one = choices;
            one.instrument = instrument;
            expectSameAsInAll(buildExceptionReport(tables, one), all, {}, instrument, {instrument});
        }
    }
}

} // namespace

// An instrument's last transfer: its newest download by number, never before its latest punch.
TEST(LastTransfer, NewestDownloadAndNeverBeforeTheLatestPunch) {
    auto at = [](int day, const char* time) {
        return QDateTime(monday.addDays(day), QTime::fromString(time, "HH:mm"), Qt::UTC);
    };
    const std::vector<Transfer> transfers = {
        {2, "A", at(1, "12:00")},           {3, "A", at(1, "10:00")}, // newer, by a clock set back
        {4, "12345678901", at(2, "08:00")}, {5, "B", {}}, // a time that could not be read
        {6, "C", at(0, "09:00")},
    };
    const QHash<QString, QDateTime> latestPunch = {
        {"A", at(1, "09:00")},
        {"B", at(0, "23:00")},
        {"C", at(0, "09:30")},
        {"D", at(3, "07:00")}, // no download row of its own
    };
    const QHash<QString, QDateTime> last = lastTransfers(transfers, latestPunch);
    const QHash<QString, QDateTime> expected = {{"A", at(1, "10:00")},
                                                {"1234567890", at(2, "08:00")},
                                                {"B", at(0, "23:00")},
                                                {"C", at(0, "09:30")},
                                                {"D", at(3, "07:00")}};
    EXPECT_EQ(last, expected);
}
