// Prints how responsive the window "Raport wyjątków" stays while it opens on a year, judges it
// and filters it by "tylko wyjątki": a timer asks to run every 10 ms, and the longest wait
// between two of its ticks is the longest time the windows' thread was busy. The installation is
// the one bench/rounds fills and keeps (its FOLDER argument).
#include "core/store/data_module.h"
#include "desktop/rounds/exception_report_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace ronvalo;

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n  FOLDER  an installation bench/rounds filled\n",
                     argv[0]);
        return 2;
    }
    TDM3 dm;
    dm.setDatabaseFolder(QString::fromLocal8Bit(argv[1]) + "/db/");
    dm.openTables();
    ExceptionReportChoices kept;
    kept.from = QDate(2024, 1, 1);
    kept.to = QDate(2024, 12, 31);

    qint64 longest = 0;
    int ticks = 0;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (sinceTick.isValid())
            longest = std::max(longest, sinceTick.elapsed());
        sinceTick.start();
        ++ticks;
    });
    tick.start();
    const auto measure = [&](const char* what, const std::function<void()>& step) {
        longest = 0;
        ticks = 0;
        sinceTick.start();
        QElapsedTimer timer;
        timer.start();
        step();
        longest = std::max(longest, sinceTick.elapsed());
        std::printf("  %-40s %8lld ms, the windows' thread busy at most %6lld ms (%d ticks)\n",
                    what, timer.elapsed(), longest, ticks);
    };
    std::unique_ptr<ExceptionReportWindow> window;
    measure("opening the window and judging the year", [&] {
        window = std::make_unique<ExceptionReportWindow>(
            dm, [](const QString&) {}, kept);
        window->refresh();
    });
    measure("\"tylko wyjątki\"", [&] { window->chTylkoWyjatki->click(); });
    std::printf("  %lld rounds shown\n", qint64(window->report().rounds.size()));
    return 0;
}
