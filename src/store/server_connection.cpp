// Opening a QPSQL connection from a libpq connection string.
#include "store/server_connection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>
#include <memory>

namespace ronvalo {

namespace {

// A key's value in a connection string ("key=value" or "key='quoted value'"); empty when absent.
QString connectionValue(const QString& connectionString, const QString& key) {
    const QRegularExpression pattern(
        QStringLiteral("(?:^|\\s)%1\\s*=\\s*(?:'((?:[^'\\\\]|\\\\.)*)'|(\\S*))")
            .arg(QRegularExpression::escape(key)));
    const QRegularExpressionMatch match = pattern.match(connectionString);
    if (!match.hasMatch())
        return {};
    return match.capturedLength(1) > 0 ? match.captured(1) : match.captured(2);
}

} // namespace

ServerConnection::ServerConnection(const QString& connectionString)
    : OwnedConnection(QStringLiteral("QPSQL")) {
    // The driver appends its connect options to the connection string it makes from the
    // database's other fields, which are left empty: so the whole string goes there. It turns
    // ";" into blanks, which no key or plain value needs.
    QString options = connectionString;
    if (connectionValue(connectionString, QStringLiteral("connect_timeout")).isEmpty())
        options += QStringLiteral(" connect_timeout=%1").arg(serverConnectTimeout);
    db_.setConnectOptions(options);
    db_.open();
}

QString serverName(const QString& connectionString) {
    QString host = connectionValue(connectionString, QStringLiteral("host"));
    if (host.isEmpty())
        host = connectionValue(connectionString, QStringLiteral("hostaddr"));
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    const QString port = connectionValue(connectionString, QStringLiteral("port"));
    const QString database = connectionValue(connectionString, QStringLiteral("dbname"));
    QString name = port.isEmpty() ? host : host + QLatin1Char(':') + port;
    if (!database.isEmpty())
        name += QStringLiteral(", baza ") + database;
    return name;
}

QString serverUnreachableMessage(const QString& connectionString, const QSqlError& error) {
    const QString why = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return QStringLiteral("Nie można połączyć się z serwerem bazy danych %1: %2")
        .arg(serverName(connectionString), why.trimmed().section(QLatin1Char('\n'), 0, 0));
}

void probeServer(const QString& connectionString) {
    QString problem;
    const std::unique_ptr<QThread> attempt(QThread::create([&] {
        ServerConnection server(connectionString);
        if (!server.isOpen())
            problem = serverUnreachableMessage(connectionString, server.lastError());
    }));
    attempt->start();
    while (!attempt->wait(QDeadlineTimer(20)))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!problem.isEmpty())
        throw EServerUnreachable(problem);
}

} // namespace ronvalo
