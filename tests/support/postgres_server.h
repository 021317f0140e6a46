// A PostgreSQL server of the tests' own: Debian's server programs, a cluster made in a
// temporary folder, reached through a Unix socket in that folder only, stopped and removed at
// the end. When the tests run as root, the server runs as the unprivileged account "nobody", as
// PostgreSQL refuses to run as root.
#pragma once

#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace ronvalo::test {

class PostgresServer {
public:
    // Makes the cluster and starts the server; ok() tells whether it did, problem() why not.
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    bool ok() const { return running_; }
    const QString& problem() const { return problem_; }

    // A libpq connection string for `database` as the cluster's superuser.
    QString connectionString(const QString& database = QStringLiteral("postgres")) const;
    // Makes a new, empty database and returns its name ("t1", "t2", ...); empty on failure.
    QString createDatabase();

    // The server's processes: the postmaster and its children; empty while it is not running.
    QList<int> processIds() const;

    // Stops the server at once (as a crash or a pulled cable would) and starts it again.
    bool stop();
    bool start();

private:
    // Runs a program, one of the server's as "nobody" when this process is root; false with
    // problem_ set when it fails.
    bool runTool(const QString& tool, const QStringList& arguments, bool asServerAccount = true);
    // Stops and removes the servers of test programs that ended without stopping theirs (a
    // crash, a timeout): each folder names the process that made it.
    void stopOrphans();

    QTemporaryDir folder_;
    QString bin_;
    QString problem_;
    bool running_ = false;
    int databases_ = 0;
};

// One server for the whole test program, started the first time it is asked for, and stopped by
// the tests' main() while the application still runs (its programs run through QProcess).
PostgresServer& sharedPostgresServer();
void stopSharedPostgresServer();

} // namespace ronvalo::test
