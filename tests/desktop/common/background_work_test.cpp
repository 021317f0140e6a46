// Long work on a thread of its own: the windows' event loop turns meanwhile, "Anuluj" stops it,
// and what it raised reaches the caller.
#include "desktop/common/background_work.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "core/common/exception.h"
#include "support/event_loop_watch.h"

using namespace ronvalo;

namespace {

// Work that goes on, telling its progress, until it has run `ms` or is stopped.
std::function<void(const WorkProgress&)> busyFor(int ms, bool* stopped = nullptr) {
    return [ms, stopped](const WorkProgress& progress) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (!progress(timer.elapsed(), ms)) {
                if (stopped)
                    *stopped = true;
                return;
            }
            QThread::msleep(2);
        }
    };
}

TEST(BackgroundWorkTest, TheEventLoopTurnsWhileTheWorkRuns) {
    const test::EventLoopWatch watch;
    EXPECT_TRUE(runWithProgress(nullptr, {"Praca", "Liczenie..."}, busyFor(800)));
    EXPECT_GT(watch.ticks(), 20);
    EXPECT_LT(watch.longestGapMs(), 400);
}

// "Anuluj" once the dialog stands: the work sees it at its next look and nothing is made; a
// stop raised as WorkStopped counts the same.
TEST(BackgroundWorkTest, AnulujStopsTheWork) {
    const struct {
        const char* name;
        bool raise;
    } cases[] = {{"returns", false}, {"raises WorkStopped", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool stopped = false;
        bool dialogSeen = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QProgressDialog*>(top);
                    dialog && dialog->isVisible()) {
                    dialogSeen = true;
                    EXPECT_EQ(dialog->windowTitle(), "Praca");
                    EXPECT_EQ(dialog->labelText(), "Liczenie...");
                    dialog->cancel();
                }
        });
        poll.start();
        QElapsedTimer timer;
        timer.start();
        const auto work = busyFor(30000, &stopped);
        const bool done =
            runWithProgress(nullptr, {"Praca", "Liczenie..."}, [&](const WorkProgress& progress) {
                work(progress);
                if (c.raise && stopped)
                    throw WorkStopped();
            });
        EXPECT_FALSE(done);
        EXPECT_TRUE(dialogSeen);
        EXPECT_TRUE(stopped);
        EXPECT_LT(timer.elapsed(), 10000);
    }
}

TEST(BackgroundWorkTest, AnExceptionOfTheWorkIsRaisedHere) {
    EXPECT_THROW(runWithProgress(nullptr, {"Praca", "Liczenie..."},
                                 [](const WorkProgress&) {
                                     throw EDatabaseError("Odbicia.db: uszkodzony plik");
                                 }),
                 EDatabaseError);
}

TEST(BackgroundWorkTest, TheBarStaysShortOfFullUntilTheEnd) {
    const struct {
        qint64 done, expected;
        int bar;
    } cases[] = {{0, 0, 0},     {5, 0, 0},     {0, 10, 0}, {5, 10, 500},
                 {10, 10, 999}, {20, 10, 999}, {-1, 10, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(barValue(c.done, c.expected), c.bar) << c.done << " of " << c.expected;
}

} // namespace
