// Ends connections that send a request header without end or too slowly. The HTTP library bounds
// each header line and each wait for bytes, but not the number of header lines nor the time a
// request may take to arrive: a client trickling lines would hold a thread, and one sending
// lines without end would grow the service's memory without bound. The guard looks at the
// service's accepted connections once a second, through the kernel's own byte counts, and shuts
// down those that are not being answered and have sent more than a request's worth, or taken too
// long, since their last answer.
#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace ronvalo::web {

struct GuardLimits {
    std::uint64_t maxRequestBytes = 1024 * 1024; // a header and a form's body, with room
    std::chrono::milliseconds maxRequestTime{15000};
    std::chrono::milliseconds interval{1000};
};

class ConnectionGuard {
public:
    // Watches the connections accepted on local port `port`.
    explicit ConnectionGuard(int port, GuardLimits limits = GuardLimits());
    ~ConnectionGuard();
    ConnectionGuard(const ConnectionGuard&) = delete;
    ConnectionGuard& operator=(const ConnectionGuard&) = delete;

    // A request of the peer has arrived whole and is being answered: not to be cut.
    void answering(const QString& address, int port);
    // Its answer is written: its next request is measured from here.
    void answered(const QString& address, int port);
    // Connections shut down so far.
    int dropped() const;

private:
    struct Peer {
        std::chrono::steady_clock::time_point since;
        std::uint64_t bytesThen = 0;
        bool answering = false;
        bool seen = false;
    };
    void watch();
    void look();
    static QString key(const QString& address, int port);

    int port_;
    GuardLimits limits_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    int dropped_ = 0;
    std::map<QString, Peer> peers_;
    std::thread thread_;
};

} // namespace ronvalo::web
