// Opening a QPSQL connection from a libpq connection string.
#include "core/store/server_connection.h"

#include <QRegularExpression>

#include "core/store/server_driver.h"

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

qint64 seconds(std::chrono::seconds limit) {
    return limit.count();
}

} // namespace

QString sessionConnectionString(const QString& connectionString) {
    QString session = connectionString;
    const auto addUnlessSet = [&](const QString& key, const QString& value) {
        if (connectionValue(connectionString, key).isEmpty())
            session += QLatin1Char(' ') + key + QLatin1Char('=') + value;
    };
    addUnlessSet(QStringLiteral("connect_timeout"), QString::number(serverConnectTimeout));
    // A network that drops the connection without a word (a cable pulled, a router restarted)
    // is noticed by both ends within a minute rather than TCP's hours. tcp_user_timeout (in ms)
    // bounds unacknowledged writes on systems that have it; libpq ignores it on the others.
    addUnlessSet(QStringLiteral("keepalives"), QStringLiteral("1"));
    addUnlessSet(QStringLiteral("keepalives_idle"), QStringLiteral("30"));
    addUnlessSet(QStringLiteral("keepalives_interval"), QStringLiteral("10"));
    addUnlessSet(QStringLiteral("keepalives_count"), QStringLiteral("3"));
    addUnlessSet(QStringLiteral("tcp_user_timeout"), QStringLiteral("30000"));
    // Always the program's own, last, so that they win over any given before them.
    session += QStringLiteral(" options='-c statement_timeout=%1s -c lock_timeout=%2s "
                              "-c idle_in_transaction_session_timeout=%3s'")
                   .arg(seconds(serverStatementLimit))
                   .arg(seconds(serverLockLimit))
                   .arg(seconds(serverIdleTransactionLimit));
    return session;
}

ServerConnection::ServerConnection(const QString& connectionString,
                                   std::chrono::milliseconds answerLimit)
    : OwnedConnection(
          new ServerDriver(qpsql_.database().driver(), serverName(connectionString), answerLimit),
          QStringLiteral("QPSQL")),
      driver_(static_cast<ServerDriver*>(db_.driver())) {
    // The driver appends its connect options to the connection string it makes from the
    // database's other fields, which are left empty: so the whole string goes there. It turns
    // ";" into blanks, which no key or plain value needs.
    db_.setConnectOptions(sessionConnectionString(connectionString));
    db_.open();
}

bool ServerConnection::broken() const {
    return driver_->broken();
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

bool serverStopped(const QSqlError& error) {
    return error.nativeErrorCode() == serverStoppedCode;
}

bool lockNotGranted(const QSqlError& error) {
    // SQLSTATE lock_not_available: lock_timeout expired, or NOWAIT.
    return error.nativeErrorCode() == QStringLiteral("55P03");
}

} // namespace ronvalo
