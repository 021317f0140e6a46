// The overview's parts, each timed as the service calls it.
#include "overview_parts.h"

#include "load_figures.h"
#include "punch_fill.h"

#include "core/rounds/exception_report.h"
#include "core/store/data_module.h"
#include "core/store/rounds_downloads.h"
#include "web/instrument_cut.h"
#include "web/overview.h"

#include <QDateTime>
#include <cstdio>
#include <functional>

namespace ronvalo::bench {

namespace {

// Median wall and processor milliseconds of three runs of `part` after one.
void printPart(const char* name, const std::function<void()>& part) {
    part();
    std::vector<double> wall, cpu;
    for (int k = 0; k < 3; ++k) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMs();
        part();
        wall.push_back(msSince(timer));
        cpu.push_back(cpuMs() - cpuStart);
    }
    std::printf("  %-52s %10.1f %10.1f\n", name, median(wall), median(cpu));
}

} // namespace

void printOverviewParts(const QString& folder, const QDate& month) {
    TDM3 dm;
    dm.setReadOnly(true);
    dm.setDatabaseFolder(folder + "/db/");
    dm.openTables();
    const web::InstrumentCut cut = web::InstrumentCut::of(
        web::Account{QStringLiteral("pomiar"), web::Role::Administrator, {}}, dm);
    const QDate today = QDate::currentDate();
    ExceptionReportChoices days;
    days.from = today.addDays(1 - web::overviewDays);
    days.to = today;
    ExceptionReportChoices wholeMonth;
    wholeMonth.from = month;
    wholeMonth.to = month.addMonths(1).addDays(-1);
    std::printf("in this process, median of 3 after one%*s %10s %10s\n", 15, "", "wall ms",
                "cpu ms");
    printPart("the overview's figures, transfers read anew (buildOverview)",
              [&] { web::buildOverview(dm, cut, QDateTime::currentDateTime(), loadTransfers); });
    printPart("  every download's transfer (loadTransfers)", [&] { loadTransfers(dm); });
    printPart("  the 30 days' tables (one loadTransfers in them)",
              [&] { loadExceptionReportTables(dm, days); });
    printPart("the month's report tables (one loadTransfers in them)",
              [&] { loadExceptionReportTables(dm, wholeMonth); });
    printPart("the month's report, read and judged",
              [&] { buildExceptionReport(loadExceptionReportTables(dm, wholeMonth), wholeMonth); });
}

} // namespace ronvalo::bench
