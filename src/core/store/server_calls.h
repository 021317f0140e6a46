// Calls on a server's connection made by a thread of their own while the thread that asks waits:
// the windows' thread keeps painting meanwhile, and a call that outlives its limit is cut off,
// so that a server that stopped answering holds nothing up for longer than that.
#pragma once

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace ronvalo {

class ServerCalls {
public:
    enum class Outcome {
        Done,    // the call returned by itself
        Stalled, // the call outlived the limit and was cut off; it returned once cut
        Busy,    // another call was under way; this one was not made
    };

    // `cut` makes a call blocked on the server return at once (it shuts the connection's
    // socket); it is called from the waiting thread.
    ServerCalls(std::chrono::milliseconds limit, std::function<void()> cut);
    ~ServerCalls();
    ServerCalls(const ServerCalls&) = delete;
    ServerCalls& operator=(const ServerCalls&) = delete;

    // How one call is waited for.
    struct Wait {
        // On the application's main thread, events other than user input are processed while
        // waiting. Off for calls made from destructors, which must not run other code.
        bool events = true;
        // Cut off once it outlives the limit. Off for the connection attempt, which libpq's
        // connect_timeout ends and which has no socket yet to cut.
        bool watched = true;
    };

    // Makes `call` on the worker thread and returns once it returned; an exception it raised is
    // raised here. A call asked for while another is under way (from an event processed while
    // waiting) is refused as Busy, as the connection takes one statement at a time.
    Outcome run(const std::function<void()>& call, Wait wait);
    Outcome run(const std::function<void()>& call) { return run(call, Wait{}); }

    std::chrono::milliseconds limit() const { return limit_; }

private:
    void work();
    // Waits until the worker is done, cutting the call off at `deadline` when watched.
    bool waitForWorker(std::chrono::steady_clock::time_point deadline, Wait wait);

    const std::chrono::milliseconds limit_;
    const std::function<void()> cut_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* job_ = nullptr; // posted, not yet taken; guarded by mutex_
    bool done_ = false;                          // guarded by mutex_
    bool quit_ = false;                          // guarded by mutex_
    std::exception_ptr raised_;                  // guarded by mutex_
    bool busy_ = false;   // a call is under way; only the asking thread reads or writes it
    bool parked_ = false; // the worker took its last job; guarded by mutex_
    std::thread worker_;
};

} // namespace ronvalo
