#include "core/store/server_calls.h"

#include <QCoreApplication>
#include <QThread>

namespace ronvalo {

namespace {

// How often the windows' thread looks at its events while a call is under way.
constexpr std::chrono::milliseconds eventSlice{10};

bool onMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

ServerCalls::ServerCalls(std::chrono::milliseconds limit, std::function<void()> cut)
    : limit_(limit), cut_(std::move(cut)), worker_([this] { work(); }) {}

ServerCalls::~ServerCalls() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
#ifdef _WIN32
    // On Windows the worker never ends (see work()): it is left parked once it let go of this
    // object.
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return parked_; });
    }
    worker_.detach();
#else
    worker_.join();
#endif
}

void ServerCalls::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || job_; });
        if (!job_)
            break;
        const std::function<void()>* job = std::exchange(job_, nullptr);
        lock.unlock();
        std::exception_ptr raised;
        try {
            (*job)();
        } catch (...) {
            raised = std::current_exception();
        }
        lock.lock();
        raised_ = raised;
        done_ = true;
        changed_.notify_all();
    }
    parked_ = true;
    changed_.notify_all();
    lock.unlock();
#ifdef _WIN32
    // The driver's code left thread-local objects on this thread (Qt's regular expressions keep
    // one), whose destructors crash when a MinGW thread ends (seen under Wine at the exit of
    // ronvalo-newdb.exe). A thread that never ends never runs them: it sleeps until the process
    // ends, touching nothing of the object it served. A few such threads per run at most, one
    // per connection made.
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(24));
#endif
}

ServerCalls::Outcome ServerCalls::run(const std::function<void()>& call, Wait wait) {
    if (busy_)
        return Outcome::Busy;
    busy_ = true;
    const auto deadline = std::chrono::steady_clock::now() + limit_;
    {
        const std::lock_guard lock(mutex_);
        job_ = &call;
        done_ = false;
        raised_ = nullptr;
    }
    changed_.notify_all();
    const bool cut = waitForWorker(deadline, wait);
    busy_ = false;
    std::exception_ptr raised;
    {
        const std::lock_guard lock(mutex_);
        raised = std::exchange(raised_, nullptr);
    }
    if (raised)
        std::rethrow_exception(raised);
    return cut ? Outcome::Stalled : Outcome::Done;
}

bool ServerCalls::waitForWorker(std::chrono::steady_clock::time_point deadline, Wait wait) {
    const bool pump = wait.events && onMainThread();
    bool cut = false;
    std::unique_lock lock(mutex_);
    while (!done_) {
        if (pump) {
            lock.unlock();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            lock.lock();
            changed_.wait_for(lock, eventSlice, [this] { return done_; });
        } else if (wait.watched && !cut) {
            changed_.wait_until(lock, deadline, [this] { return done_; });
        } else {
            changed_.wait(lock, [this] { return done_; });
        }
        if (!done_ && wait.watched && !cut && std::chrono::steady_clock::now() >= deadline) {
            cut = true;
            lock.unlock();
            cut_();
            lock.lock();
        }
    }
    return cut;
}

} // namespace ronvalo
