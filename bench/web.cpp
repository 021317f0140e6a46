// Prints how fast the web service answers on a large installation (50 instruments, five years,
// 10 million punches, a download of each instrument a day), each figure beside a baseline taken
// in the same run: the overview beside the service's static style sheet, the exception report's
// PDF beside ronvalo-raport writing the same file, and 50 clients at once through ab.
#include "load_figures.h"
#include "overview_parts.h"
#include "web_installation.h"

#include "core/store/data_module.h"
#include "web/accounts.h"

#include "service_process.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

using namespace ronvalo;
using namespace ronvalo::bench;

namespace {

const int instruments = 50;
const int years = 5;
const qint64 targetPunches = 10000000;
const web::test::SiteLogin administrator{QStringLiteral("pomiar"),
                                         QStringLiteral("haslo-pomiaru-web-1")};
// Written into the folder when the fill is complete: its first and last day and its punches.
const QString filledMark = QStringLiteral("/pomiar-web.txt");

struct Installation {
    QDate first;
    QDate last;
    qint64 punches = 0;
};

// The installation kept in `folder`, or filled now when the folder holds none. A folder with
// tables but no mark was left by a fill that did not finish: it is not measured.
Installation installation(const QString& folder) {
    QFile mark(folder + filledMark);
    if (mark.open(QIODevice::ReadOnly)) {
        const QStringList fields = QString::fromLatin1(mark.readAll()).trimmed().split(' ');
        Installation kept{QDate::fromString(fields.value(0), Qt::ISODate),
                          QDate::fromString(fields.value(1), Qt::ISODate),
                          fields.value(2).toLongLong()};
        if (!kept.first.isValid() || !kept.last.isValid())
            fail(QStringLiteral("%1: not a mark of this benchmark").arg(mark.fileName()));
        return kept;
    }
    if (QFileInfo::exists(folder + "/db"))
        fail(QStringLiteral("%1 holds tables but no %2: an unfinished fill, or another "
                            "installation; give an empty or new folder")
                 .arg(folder, filledMark.mid(1)));
    QElapsedTimer timer;
    timer.start();
    WebFillPlan plan;
    plan.folder = folder;
    plan.instruments = instruments;
    plan.last = QDate::currentDate().addDays(-1);
    plan.first = plan.last.addYears(-years).addDays(1);
    plan.punches = targetPunches;
    const Installation made{plan.first, plan.last, fillWebInstallation(plan)};
    if (!mark.open(QIODevice::WriteOnly))
        fail(mark.fileName() + ": " + mark.errorString());
    mark.write(QStringLiteral("%1 %2 %3\n")
                   .arg(made.first.toString(Qt::ISODate), made.last.toString(Qt::ISODate))
                   .arg(made.punches)
                   .toLatin1());
    std::printf("filled in %.0f s\n", msSince(timer) / 1000);
    return made;
}

// The benchmark's administrator, added or given its password again.
void makeAdministrator(const QString& folder) {
    TDM3 dm;
    dm.setDatabaseFolder(folder + "/db/");
    dm.openTables();
    web::Accounts accounts(dm);
    bool exists = false;
    for (const web::Account& account : accounts.list())
        exists = exists || account.login == administrator.login;
    const QString problem =
        exists ? accounts.changePassword(administrator.login, administrator.password)
               : accounts.add(administrator.login, web::Role::Administrator, {},
                              administrator.password);
    if (!problem.isEmpty())
        fail(problem);
}

// One page asked for and read whole, in milliseconds; anything but 200 ends the benchmark.
double timedGet(web::test::TestBrowser& browser, const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const httplib::Result answer = browser.get(path);
    const double ms = msSince(timer);
    if (!answer || answer->status != 200)
        fail(QStringLiteral("GET %1: %2").arg(path).arg(answer ? answer->status : -1));
    return ms;
}

// The median of `runs` after one run that warms the caches.
double medianGet(web::test::TestBrowser& browser, const QString& path, int runs) {
    timedGet(browser, path);
    std::vector<double> times;
    for (int k = 0; k < runs; ++k)
        times.push_back(timedGet(browser, path));
    return median(times);
}

// ronvalo-raport writing the same report's PDF: the process's wall time.
double raportProcessMs(const QString& folder, const QDate& from, const QDate& to,
                       const QString& pdf) {
    QElapsedTimer timer;
    timer.start();
    QProcess raport;
    raport.start(QStringLiteral(RONVALO_BIN_DIR "/ronvalo-raport"),
                 {folder, "--od", from.toString(Qt::ISODate), "--do", to.toString(Qt::ISODate),
                  "--pdf", pdf});
    if (!raport.waitForFinished(-1) || raport.exitCode() != 0)
        fail("ronvalo-raport: " + QString::fromUtf8(raport.readAllStandardError()));
    return msSince(timer);
}

// The service's PDF and ronvalo-raport's, alternating so that both see the same caches: the
// median of three each after one of each.
std::pair<double, double> pdfTimes(web::test::TestBrowser& browser, const QString& folder,
                                   const QDate& from, const QDate& to, const QString& pdf) {
    const QString path = QStringLiteral("/raport.pdf?od=%1&do=%2")
                             .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
    std::vector<double> served, tool;
    for (int k = 0; k < 4; ++k) {
        const double web = timedGet(browser, path);
        const double process = raportProcessMs(folder, from, to, pdf);
        if (k > 0) {
            served.push_back(web);
            tool.push_back(process);
        }
    }
    return {median(served), median(tool)};
}

// ab with 50 clients at once; nullopt, said why, when ab is missing or its report unreadable.
std::optional<LoadFigures> underLoad(const QString& url, const QString& cookie) {
    const QString ab = QStandardPaths::findExecutable(QStringLiteral("ab"));
    if (ab.isEmpty()) {
        std::printf("  ab not found (Debian's apache2-utils): no figures under load\n");
        return std::nullopt;
    }
    QProcess run;
    // At most three minutes: a page of seconds would otherwise keep ab for half an hour; the
    // figures are then those of the requests completed. An answer may take minutes when 50 such
    // pages share the processors: ab's own limit of 30 s would end the run at the first.
    run.start(ab, {"-q", "-t", "180", "-n", "2000", "-c", "50", "-s", "600", "-C", cookie, url});
    if (!run.waitForFinished(-1))
        fail("ab: " + run.errorString());
    const QString report = QString::fromUtf8(run.readAllStandardOutput());
    const std::optional<LoadFigures> figures = parseAbReport(report);
    if (!figures)
        std::printf("  ab on %s gave no figures:\n%s%s\n", qPrintable(url), qPrintable(report),
                    qPrintable(QString::fromUtf8(run.readAllStandardError())));
    return figures;
}

void printLoad(const char* name, const std::optional<LoadFigures>& figures) {
    if (!figures)
        return;
    std::printf("  %-12s %8lld %10.1f %8.0f %8lld %8lld %8lld\n", name, figures->complete,
                figures->requestsPerSecond, figures->p95Ms, figures->failed - figures->lengthFailed,
                figures->lengthFailed, figures->non2xx);
}

// The first day of the data's last whole month: the report's period.
QDate reportMonth(const Installation& data) {
    return QDate(data.last.year(), data.last.month(), 1).addMonths(-1);
}

// A row's name padded to its column by characters, not bytes.
QByteArray label(const QString& name) {
    return name.leftJustified(40).toUtf8();
}

// The pages one at a time: the overview beside the style sheet, the month's report as HTML, and
// as PDF beside ronvalo-raport.
void printPages(web::test::TestBrowser& browser, const QString& folder, const Installation& data,
                const QString& pdf) {
    const QDate from = reportMonth(data);
    const QDate to = from.addMonths(1).addDays(-1);
    const QString month = from.toString(QStringLiteral("yyyy-MM"));
    std::printf("  %-40s %10s %12s   %s\n", "median of 5 after a warm-up", "ms", "baseline ms",
                "goal");
    const double overview = medianGet(browser, QStringLiteral("/"), 5);
    const double style = medianGet(browser, QStringLiteral("/styl.css"), 5);
    std::printf("  %s %10.1f %12.1f   under 200 ms (baseline: /styl.css)\n",
                label(QStringLiteral("Przegląd \"/\"")).constData(), overview, style);
    const double html = medianGet(browser,
                                  QStringLiteral("/raport?od=%1&do=%2")
                                      .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate)),
                                  5);
    std::printf("  %s %10.1f %12s   under 1000 ms\n",
                label("Raport wyjątków " + month + " HTML").constData(), html, "-");
    const auto [servedPdf, toolPdf] = pdfTimes(browser, folder, from, to, pdf);
    std::printf("  %s %10.1f %12.1f   no slower than ronvalo-raport --pdf: %.2f times its "
                "time\n",
                label("Raport wyjątków " + month + " PDF (of 3)").constData(), servedPdf, toolPdf,
                servedPdf / toolPdf);
}

void measure(const QString& folder, const QString& pdf) {
    const Installation data = installation(folder);
    std::printf("%lld punches of %d instruments, %s to %s, a download of each a day\n",
                data.punches, instruments, qPrintable(data.first.toString(Qt::ISODate)),
                qPrintable(data.last.toString(Qt::ISODate)));
    makeAdministrator(folder);
    printOverviewParts(folder, reportMonth(data));
    web::test::ServiceProcess service(folder);
    if (!service.ok())
        fail("ronvalo-web did not start:\n" + service.log());
    web::test::TestBrowser browser(service.port());
    if (const httplib::Result login = browser.logIn(administrator);
        !login || browser.cookie().isEmpty())
        fail(QStringLiteral("login refused: %1").arg(login ? login->status : -1));
    printPages(browser, folder, data, pdf);
    std::printf("ab -n 2000 -c 50 (at most 180 s), logged in, the static page first\n  %-12s %8s "
                "%10s %8s %8s %8s %8s\n",
                "page", "complete", "req/s", "95% ms", "failed", "length", "non-2xx");
    // The floor first, while the service is idle: after ab on "/" the service may still be
    // answering the requests ab stopped waiting for.
    printLoad("/styl.css", underLoad(service.url() + "/styl.css", browser.cookie()));
    printLoad("\"/\"", underLoad(service.url() + "/", browser.cookie()));
}

} // namespace

int main(int argc, char** argv) {
    // ronvalo-raport lays out its PDF without a screen, as the service does.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Each figure as soon as it is measured, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication app(argc, argv);
    if (argc > 2) {
        std::fprintf(stderr,
                     "usage: %s [FOLDER]\n  FOLDER  the installation to fill once and keep for "
                     "later runs (about 1.5 GB); a temporary one without it\n",
                     argv[0]);
        return 2;
    }
    QTemporaryDir temporary;
    try {
        measure(argc == 2 ? QString::fromLocal8Bit(argv[1]) : temporary.path(),
                temporary.filePath("raport.pdf"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
