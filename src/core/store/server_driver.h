// Qt's PostgreSQL driver behind one that never lets the asking thread wait on the server: every
// call that may wait (connecting, a statement, a transaction's begin and end, a row read from
// the connection) is made by ServerCalls' thread while the windows keep painting, and one the
// server leaves unanswered past the limit is cut off by shutting the connection's socket. The
// connection is of no more use then: every later call fails at once with a message naming the
// server, and its owner makes a new one.
#pragma once

#include <QSqlDriver>
#include <QSqlError>
#include <chrono>
#include <functional>
#include <memory>

#include "core/store/server_calls.h"

namespace ronvalo {

// The native code of the errors the driver makes itself when it cuts a connection off or refuses
// a statement while another is under way.
inline const QString serverStoppedCode = QStringLiteral("ronvalo-server-stopped");

class ServerDriver : public QSqlDriver {
public:
    // `inner` is a QPSQL connection's driver, which must outlive this one; `server` names the
    // server in messages.
    ServerDriver(QSqlDriver* inner, const QString& server, std::chrono::milliseconds limit);
    ~ServerDriver() override;

    // A call was cut off, or a statement came while another was under way.
    bool broken() const { return broken_; }
    // How long a call may wait for the server before it is cut off.
    std::chrono::milliseconds limit() const { return calls_->limit(); }

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString& db, const QString& user, const QString& password, const QString& host,
              int port, const QString& options) override;
    void close() override;
    QSqlResult* createResult() const override;
    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;
    QStringList tables(QSql::TableType type) const override;
    QSqlIndex primaryIndex(const QString& table) const override;
    QSqlRecord record(const QString& table) const override;
    QString formatValue(const QSqlField& field, bool trimStrings) const override;
    QString escapeIdentifier(const QString& identifier, IdentifierType type) const override;
    bool isIdentifierEscaped(const QString& identifier, IdentifierType type) const override;
    QString stripDelimiters(const QString& identifier, IdentifierType type) const override;
    int maximumIdentifierLength(IdentifierType type) const override;
    QVariant handle() const override;

    // Makes `call` through ServerCalls. False with `error` set when it was not made (another
    // call is under way), was cut off, or the connection was cut off before.
    bool guarded(const std::function<void()>& call, ServerCalls::Wait wait, QSqlError* error) const;
    bool guarded(const std::function<void()>& call, QSqlError* error) const {
        return guarded(call, ServerCalls::Wait{}, error);
    }
    // Whether the next result of the connection is in already, so that reading it waits on
    // nothing.
    bool resultArrived() const;

    QSqlDriver& inner() const { return *inner_; }

private:
    bool transactionStep(bool (QSqlDriver::*step)());
    void cutConnection() const;
    void* connection() const;

    QSqlDriver* inner_;
    QString server_;
    std::unique_ptr<ServerCalls> calls_;
    mutable bool broken_ = false;
    mutable QSqlError brokenError_;
    // libpq's own calls, found in the copy the driver loaded.
    int (*socketOf_)(const void*) = nullptr;
    int (*consumeInput_)(void*) = nullptr;
    int (*isBusy_)(void*) = nullptr;
};

} // namespace ronvalo
