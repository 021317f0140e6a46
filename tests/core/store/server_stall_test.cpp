// A server that stops answering, or cannot be reached, while the windows' thread asks it: the
// message names the server within seconds and the thread's events flow throughout.
#include "core/store/data_module.h"
#include "core/store/server_schema.h"
#include "support/postgres_server.h"
#include "support/test_tables.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <condition_variable>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace ronvalo::test {
namespace {

// The server's processes stopped as a hung machine would leave them, and let go again however
// the test ends, so that the cluster is never left stopped.
// A test that hangs is let go after a minute as well.
class StoppedProcesses {
public:
    explicit StoppedProcesses(QList<int> ids) : ids_(std::move(ids)) {
        for (int id : ids_)
            kill(id, SIGSTOP);
        guard_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (!resumed_.wait_for(lock, std::chrono::minutes(1), [this] { return done_; }))
                ADD_FAILURE() << "the stopped server was let go by the test's guard";
            for (int id : ids_)
                kill(id, SIGCONT);
        });
    }
    ~StoppedProcesses() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        resumed_.notify_all();
        guard_.join();
    }
    StoppedProcesses(const StoppedProcesses&) = delete;
    StoppedProcesses& operator=(const StoppedProcesses&) = delete;

private:
    QList<int> ids_;
    std::mutex mutex_;
    std::condition_variable resumed_;
    bool done_ = false;
    std::thread guard_;
};

// The longest time the thread's event loop went without running a timer of 10 ms.
class EventGaps {
public:
    EventGaps() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, since_.restart()); });
        since_.start();
        timer_.start();
    }
    qint64 longestMs() const { return std::max(longest_, since_.elapsed()); }

private:
    QTimer timer_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

// Runs `command` with the gaps measured; the message it raised (empty when none) and how long
// it took.
struct Outcome {
    QString message;
    qint64 elapsedMs;
    qint64 longestGapMs;
};

Outcome measure(const std::function<void()>& command) {
    EventGaps gaps;
    QElapsedTimer clock;
    clock.start();
    Outcome outcome{};
    try {
        command();
    } catch (const EDatabaseError& error) {
        outcome.message = error.message();
    }
    outcome.elapsedMs = clock.elapsed();
    outcome.longestGapMs = gaps.longestMs();
    return outcome;
}

TEST(ServerStall, AStoppedServerIsNamedWithinTenSecondsWhileTheEventsFlow) {
    PostgresServer postgres;
    ASSERT_TRUE(postgres.ok()) << postgres.problem().toStdString();
    const QString server = postgres.connectionString(postgres.createDatabase());
    QString error;
    ASSERT_TRUE(createServerDatabase(server, &error)) << error.toStdString();
    TDM3 dm;
    dm.setServer(server);
    dm.openTables();
    EXPECT_EQ(dm.punchCount(), 0);

    // Both ways in: the command right after the last, and one after the connection sat idle
    // long enough to be tried first. Once the server answers again, so does the next command,
    // on a new connection.
    for (const bool idle : {false, true}) {
        {
            StoppedProcesses stopped(postgres.processIds());
            if (idle)
                QThread::msleep(2100);
            const Outcome outcome = measure([&] { dm.readers(); });
            std::cout << "[figure] stalled server" << (idle ? " (idle connection)" : "")
                      << ": message after " << outcome.elapsedMs << " ms, longest event gap "
                      << outcome.longestGapMs << " ms\n";
            EXPECT_TRUE(outcome.message.contains(serverName(server) + " nie odpowiada"))
                << outcome.message.toStdString();
            EXPECT_LT(outcome.elapsedMs, 10000);
            EXPECT_LT(outcome.longestGapMs, 500);
        }
        EXPECT_EQ(dm.punchCount(), 0);
    }

    // A new connection to the stopped server: the connection attempt times out, once.
    StoppedProcesses stopped(postgres.processIds());
    const Outcome first = measure([&] { dm.readers(); });
    EXPECT_TRUE(first.message.contains(" nie odpowiada")) << first.message.toStdString();
    const Outcome again = measure([&] { dm.readers(); });
    std::cout << "[figure] stalled server, new connection: message after " << again.elapsedMs
              << " ms, longest event gap " << again.longestGapMs << " ms\n";
    EXPECT_TRUE(again.message.startsWith("Nie można połączyć się z serwerem bazy danych " +
                                         serverName(server)))
        << again.message.toStdString();
    EXPECT_LT(again.elapsedMs, 6000);
    EXPECT_LT(again.longestGapMs, 500);
}

TEST(ServerStall, AStatementAskedForWhileAnotherIsUnderWayIsRefusedAndTheConnectionWorksOn) {
    QString error;
    const QString server = newServerTables(&error);
    ASSERT_FALSE(server.isEmpty()) << error.toStdString();
    TDM3 dm;
    dm.setServer(server);
    dm.openTables();
    // A timer fires while the windows' thread waits for a slow statement and asks for another
    // on the same connection, which takes one statement at a time.
    QString nested;
    QTimer::singleShot(100, [&] {
        try {
            dm.readers();
        } catch (const EDatabaseError& refused) {
            nested = refused.message();
        }
    });
    QSqlQuery slow(dm.roundsDatabase());
    EXPECT_TRUE(slow.exec("SELECT pg_sleep(1)")) << slow.lastError().text().toStdString();
    EXPECT_EQ(nested, "Połączenie z serwerem bazy danych " + serverName(server) +
                          " jest zajęte innym poleceniem");
    EXPECT_EQ(dm.punchCount(), 0);
}

// A TCP port that takes no more connections: its one place in the queue of accepted
// connections is taken, so the system drops every further attempt without an answer, as a
// firewall that drops packets would.
class SilentPort {
public:
    SilentPort() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            listen(listener_, 0) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        for (int& client : clients_) {
            client = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(client, reinterpret_cast<sockaddr*>(&address), size);
        }
        QThread::msleep(200);
    }
    ~SilentPort() {
        for (int client : clients_)
            close(client);
        close(listener_);
    }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    int port() const { return port_; }

private:
    int listener_ = -1;
    int clients_[3] = {-1, -1, -1};
    int port_ = 0;
};

TEST(ServerStall, AServerThatNeverAnswersIsNamedWithinSixSecondsAfterOneTry) {
    SilentPort silent;
    ASSERT_NE(silent.port(), 0);
    const QString server =
        QString("host=127.0.0.1 port=%1 dbname=ronvalo user=ronvalo").arg(silent.port());
    TDM3 dm;
    dm.setServer(server);
    const Outcome outcome = measure([&] { dm.openTables(); });
    std::cout << "[figure] unreachable server: message after " << outcome.elapsedMs
              << " ms, longest event gap " << outcome.longestGapMs << " ms\n";
    EXPECT_TRUE(outcome.message.startsWith("Nie można połączyć się z serwerem bazy danych "
                                           "127.0.0.1:" +
                                           QString::number(silent.port())))
        << outcome.message.toStdString();
    // One try of libpq's connect timeout (5 s); two would take ten.
    EXPECT_GE(outcome.elapsedMs, 4000);
    EXPECT_LT(outcome.elapsedMs, 6000);
    EXPECT_LT(outcome.longestGapMs, 500);
    EXPECT_FALSE(dm.connected());
}

} // namespace
} // namespace ronvalo::test
