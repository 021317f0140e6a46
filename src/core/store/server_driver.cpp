#include "core/store/server_driver.h"

#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>
#include <QSqlResult>

#include "platform/server_socket.h"

namespace ronvalo {

namespace {

// The driver's results, their protected members reached as a derived class may name them.
struct Open : QSqlResult {
    using QSqlResult::at;
    using QSqlResult::data;
    using QSqlResult::detachFromResultSet;
    using QSqlResult::fetch;
    using QSqlResult::fetchFirst;
    using QSqlResult::fetchLast;
    using QSqlResult::fetchNext;
    using QSqlResult::fetchPrevious;
    using QSqlResult::isActive;
    using QSqlResult::isForwardOnly;
    using QSqlResult::isNull;
    using QSqlResult::isSelect;
    using QSqlResult::lastError;
    using QSqlResult::lastInsertId;
    using QSqlResult::nextResult;
    using QSqlResult::numRowsAffected;
    using QSqlResult::record;
    using QSqlResult::reset;
    using QSqlResult::setForwardOnly;
    using QSqlResult::setNumericalPrecisionPolicy;
    using QSqlResult::size;
};

// A result of the driver. The driver offers no prepared statements, so that a statement is one
// exchange with the server and dropping a result never is one: QSqlResult's own preparation
// writes the bound values into the text, each written by Qt's PostgreSQL driver (formatValue),
// the same writing that driver's own prepared statements send their values in ("EXECUTE name
// (values)").
class ServerResult : public QSqlResult {
public:
    ServerResult(const ServerDriver& driver, QSqlResult* inner)
        : QSqlResult(&driver), driver_(driver), inner_(inner) {}

    ~ServerResult() override {
        // A result read row by row drains the connection when dropped; nothing else waits.
        if (inner_ && (inner_.get()->*(&Open::isForwardOnly))() && !driver_.broken()) {
            QSqlError ignored;
            if (driver_.guarded([this] { inner_.reset(); }, {.events = false, .watched = true},
                                &ignored))
                return;
        }
        inner_.reset();
    }

protected:
    QVariant handle() const override { return inner_->handle(); }

    bool reset(const QString& query) override {
        return step([&] { return (inner().*(&Open::reset))(query); });
    }
    bool fetch(int i) override {
        return read([&] { return (inner().*(&Open::fetch))(i); });
    }
    bool fetchNext() override {
        return read([&] { return (inner().*(&Open::fetchNext))(); });
    }
    bool fetchPrevious() override {
        return read([&] { return (inner().*(&Open::fetchPrevious))(); });
    }
    bool fetchFirst() override {
        return read([&] { return (inner().*(&Open::fetchFirst))(); });
    }
    bool fetchLast() override {
        return read([&] { return (inner().*(&Open::fetchLast))(); });
    }
    QVariant data(int i) override { return (inner().*(&Open::data))(i); }
    bool isNull(int i) override { return (inner().*(&Open::isNull))(i); }
    int size() override { return (inner().*(&Open::size))(); }
    int numRowsAffected() override { return (inner().*(&Open::numRowsAffected))(); }
    bool nextResult() override {
        return read([&] { return (inner().*(&Open::nextResult))(); });
    }

    // The driver asks the server for the names of a result's tables.
    QSqlRecord record() const override {
        QSqlRecord fields;
        QSqlError ignored;
        driver_.guarded([&] { fields = (inner().*(&Open::record))(); }, &ignored);
        return fields;
    }
    // The driver asks the server for the sequence's last value.
    QVariant lastInsertId() const override {
        QVariant id;
        QSqlError ignored;
        driver_.guarded([&] { id = (inner().*(&Open::lastInsertId))(); }, &ignored);
        return id;
    }

    void detachFromResultSet() override {
        if (driver_.broken() || !(inner().*(&Open::isForwardOnly))()) {
            (inner().*(&Open::detachFromResultSet))();
            return;
        }
        QSqlError error;
        if (!driver_.guarded([&] { (inner().*(&Open::detachFromResultSet))(); }, &error))
            setLastError(error);
    }

    void setForwardOnly(bool forward) override {
        QSqlResult::setForwardOnly(forward);
        (inner().*(&Open::setForwardOnly))(forward);
    }
    void setNumericalPrecisionPolicy(QSql::NumericalPrecisionPolicy policy) override {
        QSqlResult::setNumericalPrecisionPolicy(policy);
        (inner().*(&Open::setNumericalPrecisionPolicy))(policy);
    }

private:
    QSqlResult& inner() const { return *inner_; }

    // A call that exchanges with the server.
    bool step(const std::function<bool()>& call) {
        bool ok = false;
        QSqlError error;
        if (!driver_.guarded([&] { ok = call(); }, &error)) {
            setActive(false);
            setAt(QSql::BeforeFirstRow);
            setLastError(error);
            return false;
        }
        takeState();
        return ok;
    }

    // A row: from the result read whole, or from the connection when the result is read row
    // by row and the row has not arrived yet.
    bool read(const std::function<bool()>& call) {
        if (driver_.broken() || !(inner().*(&Open::isForwardOnly))() || driver_.resultArrived()) {
            const bool ok = call();
            takeState();
            return ok;
        }
        return step(call);
    }

    // What QSqlQuery reads of its result: the position, whether it holds rows, and the error.
    void takeState() {
        QSqlResult& in = inner();
        setAt((in.*(&Open::at))());
        setActive((in.*(&Open::isActive))());
        setSelect((in.*(&Open::isSelect))());
        if (const QSqlError error = (in.*(&Open::lastError))(); error.isValid())
            setLastError(error);
    }

    const ServerDriver& driver_;
    std::unique_ptr<QSqlResult> inner_;
};

} // namespace

ServerDriver::ServerDriver(QSqlDriver* inner, const QString& server,
                           std::chrono::milliseconds limit)
    : inner_(inner), server_(server),
      calls_(std::make_unique<ServerCalls>(limit, [this] { cutConnection(); })) {
    // The driver loaded libpq along with itself.
    const char* library = platform::postgresClientLibrary();
    socketOf_ = reinterpret_cast<int (*)(const void*)>(
        platform::loadedLibraryFunction(library, "PQsocket"));
    consumeInput_ = reinterpret_cast<int (*)(void*)>(
        platform::loadedLibraryFunction(library, "PQconsumeInput"));
    isBusy_ =
        reinterpret_cast<int (*)(void*)>(platform::loadedLibraryFunction(library, "PQisBusy"));
}

ServerDriver::~ServerDriver() {
    calls_.reset();
}

bool ServerDriver::hasFeature(DriverFeature feature) const {
    switch (feature) {
    case PreparedQueries:
    case NamedPlaceholders:
    case EventNotifications:
    case CancelQuery:
        return false;
    default:
        return inner_->hasFeature(feature);
    }
}

bool ServerDriver::open(const QString& db, const QString& user, const QString& password,
                        const QString& host, int port, const QString& options) {
    bool ok = false;
    QSqlError error;
    broken_ = false;
    if (!guarded([&] { ok = inner_->open(db, user, password, host, port, options); },
                 {.events = true, .watched = false}, &error)) {
        setLastError(error);
        ok = false;
    } else {
        setLastError(inner_->lastError());
    }
    setOpen(ok);
    setOpenError(!ok);
    return ok;
}

void ServerDriver::close() {
    // Ending the connection sends one message and waits for nothing.
    inner_->close();
    setOpen(false);
    setOpenError(false);
}

QSqlResult* ServerDriver::createResult() const {
    return new ServerResult(*this, inner_->createResult());
}

bool ServerDriver::transactionStep(bool (QSqlDriver::*step)()) {
    bool ok = false;
    QSqlError error;
    if (!guarded([&] { ok = (inner_->*step)(); }, &error)) {
        setLastError(error);
        return false;
    }
    if (!ok)
        setLastError(inner_->lastError());
    return ok;
}

bool ServerDriver::beginTransaction() {
    return transactionStep(&QSqlDriver::beginTransaction);
}

bool ServerDriver::commitTransaction() {
    return transactionStep(&QSqlDriver::commitTransaction);
}

bool ServerDriver::rollbackTransaction() {
    return transactionStep(&QSqlDriver::rollbackTransaction);
}

QStringList ServerDriver::tables(QSql::TableType type) const {
    QStringList names;
    QSqlError ignored;
    guarded([&] { names = inner_->tables(type); }, &ignored);
    return names;
}

QSqlIndex ServerDriver::primaryIndex(const QString& table) const {
    QSqlIndex index;
    QSqlError ignored;
    guarded([&] { index = inner_->primaryIndex(table); }, &ignored);
    return index;
}

QSqlRecord ServerDriver::record(const QString& table) const {
    QSqlRecord fields;
    QSqlError ignored;
    guarded([&] { fields = inner_->record(table); }, &ignored);
    return fields;
}

QString ServerDriver::formatValue(const QSqlField& field, bool trimStrings) const {
    return inner_->formatValue(field, trimStrings);
}

QString ServerDriver::escapeIdentifier(const QString& identifier, IdentifierType type) const {
    return inner_->escapeIdentifier(identifier, type);
}

bool ServerDriver::isIdentifierEscaped(const QString& identifier, IdentifierType type) const {
    return inner_->isIdentifierEscaped(identifier, type);
}

QString ServerDriver::stripDelimiters(const QString& identifier, IdentifierType type) const {
    return inner_->stripDelimiters(identifier, type);
}

int ServerDriver::maximumIdentifierLength(IdentifierType type) const {
    return inner_->maximumIdentifierLength(type);
}

QVariant ServerDriver::handle() const {
    return inner_->handle();
}

bool ServerDriver::guarded(const std::function<void()>& call, ServerCalls::Wait wait,
                           QSqlError* error) const {
    if (broken_) {
        *error = brokenError_;
        return false;
    }
    switch (calls_->run(call, wait)) {
    case ServerCalls::Outcome::Done:
        return true;
    case ServerCalls::Outcome::Busy:
        *error = QSqlError(QStringLiteral("Połączenie z serwerem bazy danych %1 jest zajęte "
                                          "innym poleceniem")
                               .arg(server_),
                           {}, QSqlError::ConnectionError, serverStoppedCode);
        return false;
    case ServerCalls::Outcome::Stalled:
        break;
    }
    broken_ = true;
    brokenError_ =
        QSqlError(QStringLiteral("Serwer bazy danych %1 nie odpowiada od %2 s; połączenie z nim "
                                 "zostało przerwane")
                      .arg(server_)
                      .arg(std::chrono::duration_cast<std::chrono::seconds>(limit()).count()),
                  {}, QSqlError::ConnectionError, serverStoppedCode);
    *error = brokenError_;
    return false;
}

// The connection libpq keeps for the driver, as the driver hands it out: a PGconn*, whose type
// is named after the structure ("pg_conn*") or, in other builds, the typedef.
void* ServerDriver::connection() const {
    const QVariant handle = inner_->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

bool ServerDriver::resultArrived() const {
    void* pq = connection();
    if (!pq || !consumeInput_ || !isBusy_)
        return false;
    return consumeInput_(pq) == 1 && isBusy_(pq) == 0;
}

void ServerDriver::cutConnection() const {
    void* pq = connection();
    if (pq && socketOf_)
        platform::shutdownSocket(socketOf_(pq));
}

} // namespace ronvalo
