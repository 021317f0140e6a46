// The threads that answer the service's connections: a fixed number, each keeping what it opened
// (its own database connection) until it ends, so that one long report holds up no other client.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <thread>
#include <vector>

namespace ronvalo::web {

class WorkerPool : public httplib::TaskQueue {
public:
    // Starts `threads` threads; each calls `atThreadEnd` in itself as it ends, so that what it
    // opened is closed in the thread that owns it.
    WorkerPool(std::size_t threads, std::function<void()> atThreadEnd);
    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // One accepted connection to answer.
    void enqueue(std::function<void()> job) override;
    // Lets the threads finish the connections queued, then joins them.
    void shutdown() override;

private:
    void work();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::function<void()> atThreadEnd_;
    std::vector<std::thread> threads_;
};

} // namespace ronvalo::web
