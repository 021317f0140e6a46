// The guard's look at the connections: every socket of the process accepted on the service's
// port, its peer, and the bytes the kernel has received on it.
#include "web/connection_guard.h"

#include <QDir>
#include <arpa/inet.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>

namespace ronvalo::web {

namespace {

struct Connection {
    int fd;
    QString peer;
    std::uint64_t bytesReceived;
};

// "address port" of a socket's local or remote end; empty when it is no TCP socket.
QString endOf(int fd, bool remote, int* port) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if ((remote ? getpeername(fd, raw, &size) : getsockname(fd, raw, &size)) != 0)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        *port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        *port = ntohs(v6->sin6_port);
    } else {
        return {};
    }
    return QString::fromLatin1(text);
}

// The process's connections accepted on local port `port`.
std::vector<Connection> acceptedOn(int port) {
    std::vector<Connection> found;
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files);
    for (const QString& name : fds) {
        bool number = false;
        const int fd = name.toInt(&number);
        struct stat info {};
        if (!number || fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode))
            continue;
        int listening = 0;
        socklen_t size = sizeof listening;
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening)
            continue;
        int localPort = 0;
        int peerPort = 0;
        if (endOf(fd, false, &localPort).isEmpty() || localPort != port)
            continue;
        const QString peer = endOf(fd, true, &peerPort);
        tcp_info tcp{};
        size = sizeof tcp;
        if (peer.isEmpty() || getsockopt(fd, IPPROTO_TCP, TCP_INFO, &tcp, &size) != 0)
            continue;
        found.push_back(
            {fd, QStringLiteral("%1 %2").arg(peer).arg(peerPort), tcp.tcpi_bytes_received});
    }
    return found;
}

} // namespace

ConnectionGuard::ConnectionGuard(int port, GuardLimits limits)
    : port_(port), limits_(limits), thread_([this] { watch(); }) {}

ConnectionGuard::~ConnectionGuard() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

QString ConnectionGuard::key(const QString& address, int port) {
    return QStringLiteral("%1 %2").arg(address).arg(port);
}

void ConnectionGuard::answering(const QString& address, int port) {
    std::lock_guard lock(mutex_);
    peers_[key(address, port)].answering = true;
}

void ConnectionGuard::answered(const QString& address, int port) {
    std::lock_guard lock(mutex_);
    Peer& peer = peers_[key(address, port)];
    peer.answering = false;
    peer.seen = false; // measured afresh at the next look
}

int ConnectionGuard::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void ConnectionGuard::watch() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, limits_.interval, [this] { return stopping_; })) {
        lock.unlock();
        look();
        lock.lock();
    }
}

void ConnectionGuard::look() {
    const std::vector<Connection> connections = acceptedOn(port_);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    std::set<QString> open;
    for (const Connection& connection : connections) {
        open.insert(connection.peer);
        Peer& peer = peers_[connection.peer];
        if (!peer.seen) {
            peer = {now, connection.bytesReceived, peer.answering, true};
            continue;
        }
        if (peer.answering)
            continue;
        const bool tooMuch = connection.bytesReceived - peer.bytesThen > limits_.maxRequestBytes;
        const bool tooLong = now - peer.since > limits_.maxRequestTime;
        if (tooMuch || tooLong) {
            // The thread reading it sees the connection end and lets it go.
            shutdown(connection.fd, SHUT_RDWR);
            ++dropped_;
            peers_.erase(connection.peer);
        }
    }
    // Peers whose connections have closed are forgotten.
    std::erase_if(peers_, [&](const auto& entry) {
        return !entry.second.answering && !open.count(entry.first);
    });
}

} // namespace ronvalo::web
