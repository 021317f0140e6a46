// Prints how long the evaluation of a year takes (50 instruments, about 100 000 planned rounds and
// 2 million punches read from a temporary installation's punch table by the program's own
// reading) beside a plain scan of the same table by the sqlite3 command in the same run.
#include "core/report/previewed_report.h"
#include "core/rounds/evaluation.h"
#include "core/rounds/exception_report.h"
#include "core/rounds/exception_report_pages.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "core/store/schema.h"
#include "core/store/stored_dates.h"

#include "punch_fill.h"
#include "resident_memory.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace ronvalo;
using namespace ronvalo::bench;

namespace {

const int instruments = 50;
const QDate firstDay(2024, 1, 1);
const QDate lastDay(2024, 12, 31);
const qint64 targetPunches = 2000000;

std::vector<Generated> generate(const QList<Plan>& plans) {
    QRandomGenerator random(171);
    std::vector<Generated> punches;
    punches.reserve(targetPunches);
    const int days = int(firstDay.daysTo(lastDay)) + 1;
    for (int d = 0; d < days; ++d) {
        const QDate date = firstDay.addDays(d);
        for (int k = 0; k < instruments; ++k) {
            for (const Plan& plan : {plans[2 * k], plans[2 * k + 1]})
                for (int t0 : roundStarts(plan))
                    walk(plan, date, t0, k, random, punches);
        }
    }
    // The rest of the punches: patrols between rounds and incidents, at random moments.
    const qint64 rounds = qint64(punches.size());
    for (qint64 n = rounds; n < targetPunches; ++n) {
        const qint32 checkpoint = patrolCheckpoint(random);
        punches.push_back({firstDay.addDays(random.bounded(days)), random.bounded(1440), checkpoint,
                           random.bounded(instruments)});
    }
    return punches;
}

// Stores the punches through the shared writer; a punch's download is its instrument's week.
void fill(const QString& punchFile, const std::vector<Generated>& punches) {
    PunchWriter writer(punchFile);
    for (const Generated& punch : punches)
        writer.add(punch, punch.instrument + 1 + 100 * (storedDay(punch).dayOfYear() / 7));
    writer.finish();
}

// The plain scan: the sqlite3 command reads every row of the punch table into nothing.
double sqliteScanMs(const QString& punchFile) {
    QElapsedTimer timer;
    timer.start();
    QProcess sqlite;
    sqlite.setStandardOutputFile(QProcess::nullDevice());
    sqlite.start("sqlite3",
                 {"-readonly", punchFile,
                  "SELECT AutoNr, Data, Czas, Nrwewpkt, Nrczyt, NrSczytania FROM Odbicia"});
    if (!sqlite.waitForFinished(-1) || sqlite.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3: %s\n", qPrintable(sqlite.readAllStandardError()));
        std::exit(1);
    }
    return timer.nsecsElapsed() / 1e6;
}

// The exception report of the whole year as a PDF file, from `evaluation` made of `punches`:
// the rows, the layout and the painting, timed to the closed file, in milliseconds.
// The exception report of the whole year as a PDF file, from `evaluation` made of `punches`:
// the rows, the layout and the painting, timed to the closed file; wall and processor
// milliseconds, and the resident memory the pages held before the painting.
struct PdfFigures {
    double wallMs = 0;
    double cpuMs = 0;
};
PdfFigures reportPdf(const Evaluation& evaluation, const std::vector<Punch>& punches,
                     const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMs();
    ExceptionReportChoices choices;
    choices.from = firstDay;
    choices.to = lastDay;
    const ExceptionReport report =
        exceptionReportOf(evaluation, punches, ExceptionReportTables(), choices);
    const long before = residentMegabytes();
    const ExceptionReportPages pages(report, QDateTime::currentDateTime());
    const long counted = residentMegabytes();
    const PaintedReport painted = writeReportPdf(path, QStringLiteral("Raport wyjątków"), pages);
    const PdfFigures figures{msSince(timer), cpuMs() - cpuStart};
    std::printf("  exception report: %lld rounds, %lld outside the plan, %lld pages, %.1f MB; "
                "the pages counted hold %ld MB\n",
                qint64(report.rounds.size()), qint64(report.outside.size()), painted.pages,
                QFileInfo(path).size() / 1e6, counted - before);
    return figures;
}

// The best wall and processor time of several runs.
struct Timing {
    struct Run {
        QElapsedTimer timer;
        double cpuStart = cpuMs();
        Run() { timer.start(); }
    };
    double wall = 1e18;
    double cpu = 1e18;
    void keep(const Run& run) {
        wall = std::min(wall, msSince(run.timer));
        cpu = std::min(cpu, cpuMs() - run.cpuStart);
    }
};

void printOutcome(const Evaluation& evaluation) {
    std::printf("  %lld planned rounds:", qint64(evaluation.rounds.size()));
    for (int s = 0; s < roundStatusCount; ++s)
        std::printf(" %s %d%s", qPrintable(roundStatusText(RoundStatus(s))),
                    evaluation.total.byStatus[s], s + 1 < roundStatusCount ? "," : "");
    std::printf("; compliance %s; %lld outside the plan, %lld incidents\n",
                qPrintable(complianceText(evaluation.total)), qint64(evaluation.outside.size()),
                qint64(evaluation.incidents.size()));
}

} // namespace

int main(int argc, char** argv) {
    // The report's fonts need a GUI application; no screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 2) {
        std::fprintf(stderr,
                     "usage: %s [FOLDER]\n  FOLDER  the installation to fill once and keep for "
                     "later runs (about 150 MB); a temporary one without it\n",
                     argv[0]);
        return 2;
    }
    QTemporaryDir temporary;
    const QString folder = argc == 2 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QList<Plan> plans = makePlans(instruments, firstDay.addDays(-30));
    TDM3 dm;
    dm.setDatabaseFolder(folder + "/db/");
    QElapsedTimer timer;
    timer.start();
    if (!QFileInfo::exists(dm.tbOdbicia.filePath())) {
        QString error;
        if (!createEmptyDatabase(folder, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        const std::vector<Generated> generated = generate(plans);
        fill(dm.tbOdbicia.filePath(), generated);
        TDM3 writing;
        writing.setDatabaseFolder(folder + "/db/");
        writing.openTables();
        replacePlanPeriods(writing, {}, plans);
        std::printf("%lld punches of %d instruments, %s to %s: made and stored in %.1f s\n",
                    qint64(generated.size()), instruments, qPrintable(storedDate(firstDay)),
                    qPrintable(storedDate(lastDay)), msSince(timer) / 1000);
    }

    // The program's own reading, through a read-only module as the report's window reads.
    TDM3 reading;
    reading.setReadOnly(true);
    reading.setDatabaseFolder(folder + "/db/");
    reading.openTables();
    ExceptionReportChoices choices;
    choices.from = firstDay;
    choices.to = lastDay;
    EvaluationInput input;
    input.plans = plans;
    input.first = firstDay;
    input.last = lastDay;
    input.incidentCheckpoints = {171, 172, 173, 174};

    // The best of three of each, the plain scan and the reading with the evaluation alternating,
    // so that both see the same state of the page cache. Wall time, and the process's processor
    // time beside the program's, which other builds on the machine do not inflate.
    double scan = 1e18;
    Timing readingAlone, judged, evaluation;
    Evaluation outcome;
    ExceptionReportTables tables;
    for (int k = 0; k < 3; ++k) {
        scan = std::min(scan, sqliteScanMs(dm.tbOdbicia.filePath()));
        tables = ExceptionReportTables();
        Timing::Run alone;
        tables = loadExceptionReportTables(reading, choices);
        readingAlone.keep(alone);
        tables = ExceptionReportTables();
        Timing::Run whole;
        tables = loadExceptionReportTables(reading, choices);
        Timing::Run judging;
        input.punches = std::span<const Punch>(tables.punches.constData(), tables.punches.size());
        outcome = evaluate(input);
        evaluation.keep(judging);
        judged.keep(whole);
    }
    const std::vector<Punch> punches(tables.punches.cbegin(), tables.punches.cend());
    std::printf("  %zu punches read\n", punches.size());
    printOutcome(outcome);
    std::printf("  %-30s %10s %10s\n", "best of three", "wall ms", "cpu ms");
    std::printf("  %-30s %10.0f %10s\n", "sqlite3 plain scan", scan, "-");
    for (const auto& [name, timing] : {std::pair("the program's reading", &readingAlone),
                                       std::pair("reading and evaluation", &judged),
                                       std::pair("the evaluation alone", &evaluation)})
        std::printf("  %-30s %10.0f %10.0f\n", name, timing->wall, timing->cpu);
    std::printf("  reading and evaluation: %.2f times the sqlite3 scan in wall time (goal: under "
                "2 s)\n",
                judged.wall / scan);
    const PdfFigures pdf = reportPdf(outcome, punches, temporary.filePath("raport.pdf"));
    std::printf("  the exception report of the year as PDF: %.0f ms wall, %.0f ms cpu (goal: "
                "under 15 s)\n",
                pdf.wallMs, pdf.cpuMs);
    return 0;
}
