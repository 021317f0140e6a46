// Prints how long the exception report's layout takes for one round whose plan and missing
// checkpoint have names of 4 000 and 20 000 characters, beside the same round with names of 60
// (the baseline); and how long the plan window takes to open over 50 000 plans, beside one
// reading of the same plans from the tables.
#include "core/rounds/exception_report_layout.h"
#include "core/rounds/plan_rules.h"
#include "core/rounds/rounds_store.h"
#include "core/store/data_module.h"
#include "core/store/rounds_tables.h"
#include "core/store/schema.h"
#include "core/store/sqlite_connection.h"
#include "desktop/rounds/plan_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

using namespace ronvalo;

namespace {

double layoutMilliseconds(qsizetype length, const TextWidth& width) {
    ExceptionReport report;
    report.choices.from = report.choices.to = QDate(2024, 3, 1);
    report.instrumentText = report.planText = QStringLiteral("wszystkie");
    report.rounds.append({QDate(2024, 3, 1), QString(length, QChar(u'ż')), QStringLiteral("0001"),
                          QTime(8, 0), QTime(), RoundStatus::NotWalked,
                          QStringList{QString(length, QChar(u'Ł'))}});
    QElapsedTimer timer;
    timer.start();
    const QList<LaidOutPage> pages =
        layoutExceptionReport(report, RegionalFormats::fromEnvironment(), width);
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  names of %6lld characters: %9.1f ms, %lld pages\n", qint64(length), elapsed,
                qint64(pages.size()));
    return elapsed;
}

// `count` plans of 5 steps each, written straight into the rounds' file.
bool fillPlans(const QString& path, int count) {
    SqliteConnection file(path);
    QSqlQuery query(file.database());
    if (!query.exec(QStringLiteral("BEGIN")))
        return false;
    query.prepare(QStringLiteral("INSERT INTO Plany VALUES (?, ?, '0001', 0, 127, '08:00', "
                                 "'20:00', 60, 15, 45, '2024-01-01', NULL)"));
    QSqlQuery step(file.database());
    step.prepare(QStringLiteral("INSERT INTO KrokiPlanu VALUES (?, ?, ?, 0)"));
    for (int k = 1; k <= count; ++k) {
        query.addBindValue(k);
        query.addBindValue(QStringLiteral("Plan %1").arg(k, 6, 10, QLatin1Char('0')));
        if (!query.exec())
            return false;
        for (int s = 1; s <= 5; ++s) {
            step.addBindValue(k);
            step.addBindValue(s);
            step.addBindValue(s);
            if (!step.exec())
                return false;
        }
    }
    return query.exec(QStringLiteral("COMMIT"));
}

void planWindow(int count) {
    QTemporaryDir folder;
    QString error;
    if (!createEmptyDatabase(folder.path(), &error) ||
        !fillPlans(folder.path() + QStringLiteral("/db/Obchody.db"), count)) {
        std::fprintf(stderr, "cannot make the plans: %s\n", qPrintable(error));
        return;
    }
    TDM3 dm;
    dm.setDatabaseFolder(folder.path() + QStringLiteral("/db/"));
    dm.openTables();
    QElapsedTimer timer;
    timer.start();
    const QList<Plan> plans = loadPlans(dm);
    const qsizetype read = plans.size();
    const double reading = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const qsizetype named = plansByName(plans).size() + loadCheckpoints(dm).size();
    std::printf("  (grouped by name, checkpoints read: %.1f ms, %lld)\n",
                double(timer.nsecsElapsed()) / 1e6, qint64(named));
    timer.restart();
    {
        // Opened as the operator opens it: shown, its list laid out and painted once.
        PlanWindow window(dm, [](const QString&) {});
        window.show();
        QApplication::processEvents();
    }
    const double opening = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  %lld plans: read %9.1f ms (baseline), plan window opened %9.1f ms\n",
                qint64(read), reading, opening);
}

// The plan list alone, shown: filled an item at a time with names measured one by one (how
// the window filled it before), and filled at once with one size for every item.
void planList(int count) {
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names << QStringLiteral("Plan %1").arg(k, 6, 10, QLatin1Char('0'));
    for (const bool atOnce : {false, true}) {
        QListWidget list;
        list.show();
        QElapsedTimer timer;
        timer.start();
        if (atOnce) {
            list.setUniformItemSizes(true);
            list.addItems(names);
        } else {
            for (const QString& name : std::as_const(names))
                list.addItem(name);
        }
        list.setCurrentRow(0);
        QApplication::processEvents();
        std::printf("  list of %d plans, %s: %9.1f ms\n", count,
                    atOnce ? "filled at once" : "an item at a time (baseline)",
                    double(timer.nsecsElapsed()) / 1e6);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "layout" or "plans" runs one part alone (a layout that takes minutes need not hold up the
    // plans' figures).
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (only != QStringLiteral("plans")) {
        std::printf("exception report layout, one round (baseline: names of 60 characters)\n");
        const TextWidth width = reportTextWidth();
        for (const qsizetype length : {qsizetype(60), qsizetype(4000), qsizetype(20000)}) {
            layoutMilliseconds(length, width);
            std::fflush(stdout);
        }
    }
    if (only != QStringLiteral("layout")) {
        std::printf("plan window\n");
        for (const int count : {5000, 50000})
            planList(count);
        for (const int count : {5000, 50000})
            planWindow(count);
    }
    return 0;
}
