// Starting and stopping the tests' own PostgreSQL server.
#include "support/postgres_server.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace ronvalo::test {

namespace {

const QString superuser = QStringLiteral("ronvalo");

// The newest of Debian's server versions on this machine, or an empty text.
QString serverBinaries() {
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList names = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        const QString bin = versions.filePath(*it + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

} // namespace

// The folder's name goes unquoted into the server's command line: no blank in it, as the
// application's name ("Ronvalo 2.2") would put there.
PostgresServer::PostgresServer()
    : folder_(QDir::tempPath() + QStringLiteral("/ronvalo-pg-XXXXXX")), bin_(serverBinaries()) {
    if (bin_.isEmpty()) {
        problem_ = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql");
        return;
    }
    if (!folder_.isValid()) {
        problem_ = QStringLiteral("no temporary folder");
        return;
    }
    stopOrphans();
    QFile owner(folder_.filePath(QStringLiteral("owner")));
    if (!owner.open(QIODevice::WriteOnly) || owner.write(QByteArray::number(getpid())) < 0) {
        problem_ = QStringLiteral("cannot write ") + owner.fileName();
        return;
    }
    owner.close();
    if (geteuid() == 0 && !runTool(QStringLiteral("/usr/bin/chown"),
                                   {QStringLiteral("nobody:nogroup"), folder_.path()}, false))
        return;
    if (!runTool(bin_ + QStringLiteral("/initdb"),
                 {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")),
                  QStringLiteral("-U"), superuser, QStringLiteral("--auth=trust"),
                  QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                  QStringLiteral("--no-sync")}))
        return;
    start();
}

PostgresServer::~PostgresServer() {
    stop();
    if (geteuid() == 0)
        // The folder is nobody's now; removing it is root's, which QTemporaryDir does.
        folder_.setAutoRemove(true);
}

bool PostgresServer::runTool(const QString& tool, const QStringList& arguments,
                             bool asServerAccount) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Outside the server's folder, whose owner may be another account.
    process.setWorkingDirectory(QDir::rootPath());
    if (asServerAccount && geteuid() == 0)
        process.start(QStringLiteral("/usr/sbin/runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("nobody"),
                                  QStringLiteral("--"), tool} +
                          arguments);
    else
        process.start(tool, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        problem_ = tool + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()) +
                   process.errorString();
        return false;
    }
    return true;
}

void PostgresServer::stopOrphans() {
    const QDir temp(QDir::tempPath());
    for (const QString& name : temp.entryList({QStringLiteral("ronvalo-pg-*")}, QDir::Dirs)) {
        QDir folder(temp.filePath(name));
        QFile owner(folder.filePath(QStringLiteral("owner")));
        if (folder.path() == folder_.path() || !owner.open(QIODevice::ReadOnly))
            continue;
        const pid_t pid = owner.readAll().toInt();
        if (pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        if (folder.exists(QStringLiteral("data/postmaster.pid")))
            runTool(bin_ + QStringLiteral("/pg_ctl"),
                    {QStringLiteral("-D"), folder.filePath(QStringLiteral("data")),
                     QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
        folder.removeRecursively();
    }
    problem_.clear();
}

bool PostgresServer::start() {
    // Only the socket in the folder: no TCP port, so that servers of tests running side by side
    // never meet. fsync off: a test's data need not survive the machine.
    const QString options = QStringLiteral("-k %1 -c listen_addresses= -c fsync=off "
                                           "-c full_page_writes=off -c max_connections=40")
                                .arg(folder_.path());
    running_ =
        runTool(bin_ + QStringLiteral("/pg_ctl"),
                {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")),
                 QStringLiteral("-l"), folder_.filePath(QStringLiteral("server.log")),
                 QStringLiteral("-w"), QStringLiteral("-o"), options, QStringLiteral("start")});
    if (!running_) {
        QFile log(folder_.filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly))
            problem_ += QString::fromLocal8Bit(log.readAll());
    }
    return running_;
}

bool PostgresServer::stop() {
    if (!running_)
        return true;
    running_ = false;
    return runTool(bin_ + QStringLiteral("/pg_ctl"),
                   {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")),
                    QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                    QStringLiteral("stop")});
}

QList<int> PostgresServer::processIds() const {
    QFile pidFile(folder_.filePath(QStringLiteral("data/postmaster.pid")));
    if (!running_ || !pidFile.open(QIODevice::ReadOnly))
        return {};
    const int postmaster = pidFile.readLine().trimmed().toInt();
    if (postmaster <= 0)
        return {};
    QList<int> ids{postmaster};
    // /proc/PID/stat: "pid (name) state ppid ...", the name in parentheses may hold blanks.
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == postmaster)
            ids << entry.toInt();
    }
    return ids;
}

QString PostgresServer::connectionString(const QString& database) const {
    return QStringLiteral("host=%1 dbname=%2 user=%3").arg(folder_.path(), database, superuser);
}

QString PostgresServer::createDatabase() {
    QString name = QStringLiteral("t%1").arg(++databases_);
    const QString connection = QStringLiteral("ronvalo-test-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(folder_.path());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(superuser);
        QSqlQuery create(db);
        if (!db.open() || !create.exec(QStringLiteral("CREATE DATABASE ") + name)) {
            problem_ = db.lastError().text() + create.lastError().text();
            name.clear();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return name;
}

namespace {

std::optional<PostgresServer>& sharedServer() {
    static std::optional<PostgresServer> server;
    return server;
}

} // namespace

PostgresServer& sharedPostgresServer() {
    if (!sharedServer())
        sharedServer().emplace();
    return *sharedServer();
}

void stopSharedPostgresServer() {
    sharedServer().reset();
}

} // namespace ronvalo::test
