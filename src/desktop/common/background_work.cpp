// Long work on a thread of its own, the windows' event loop turning under its progress dialog.
#include "desktop/common/background_work.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace ronvalo {

namespace {

// How often the dialog's bar is brought up to date and the end of the work looked for.
constexpr int turnMs = 20;
// Work finished sooner than this shows no progress dialog at all.
constexpr int progressAfterMs = 500;

// What the two threads share: written by the work, read by the windows' thread, and the one
// flag the other way.
struct Shared {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::exception_ptr raised; // written before `finished`, read after it
};

// Joins the work's thread however the waiting ends, stopping the work first when the waiting
// ends by an exception of its own.
class JoinedWork {
public:
    JoinedWork(Shared& shared, const std::function<void(const WorkProgress&)>& work)
        : shared_(shared), thread_([&shared, &work] {
              try {
                  work([&shared](qint64 done, qint64 total) {
                      shared.done = done;
                      shared.total = total;
                      return !shared.stop;
                  });
              } catch (const WorkStopped&) {
                  shared.stop = true;
              } catch (...) {
                  shared.raised = std::current_exception();
              }
              shared.finished = true;
          }) {}
    ~JoinedWork() {
        if (!shared_.finished)
            shared_.stop = true;
        thread_.join();
    }
    JoinedWork(const JoinedWork&) = delete;
    JoinedWork& operator=(const JoinedWork&) = delete;

private:
    Shared& shared_;
    std::thread thread_;
};

} // namespace

bool runWithProgress(QWidget* parent, const ProgressTexts& texts,
                     const std::function<void(const WorkProgress&)>& work) {
    QProgressDialog progress(texts.label, QStringLiteral("Anuluj"), 0, barSteps, parent);
    progress.setObjectName("WorkProgress");
    progress.setWindowTitle(texts.title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(progressAfterMs);
    progress.setValue(0);
    // The timer wakes the waiting below even when no other event comes.
    QTimer tick;
    tick.start(turnMs);
    Shared shared;
    {
        JoinedWork running(shared, work);
        QEventLoop loop;
        while (!shared.finished) {
            // Input only once the dialog stands over the windows: before that a click would
            // reach a window and start a second command in the middle of this one.
            loop.processEvents(QEventLoop::WaitForMoreEvents |
                               (progress.isVisible() ? QEventLoop::AllEvents
                                                     : QEventLoop::ExcludeUserInputEvents));
            if (progress.wasCanceled())
                shared.stop = true;
            else
                progress.setValue(barValue(shared.done, shared.total));
        }
    }
    if (shared.stop)
        return false;
    if (shared.raised)
        std::rethrow_exception(shared.raised);
    return true;
}

} // namespace ronvalo
