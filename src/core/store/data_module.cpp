// The data module: opening the three files as one connection, and the table operations.
#include "core/store/data_module.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>
#include <memory>

#include "core/common/exception.h"
#include "core/store/archive_chain.h"
#include "core/store/reading_query.h"
#include "core/store/server_schema.h"
#include "core/store/stored_dates.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

[[noreturn]] void fail(const QString& what, const QSqlError& error) {
    // A server that stopped answering is named by the error itself, and said to be away
    // whatever the statement was.
    if (serverStopped(error))
        throw EServerUnreachable(error.text());
    throw EDatabaseError(what + QStringLiteral(": ") + error.text());
}

// The table's file is named only on failure: finding it means listing the folder.
void exec(QSqlQuery& query, const TTable& table) {
    if (!query.exec())
        fail(table.filePath(), query.lastError());
}

// The fields of `table` in the file open on `file`, in order; nullopt with `error` set when the
// file cannot be read.
std::optional<QStringList> fieldsOf(SqliteConnection& file, const QString& table, QString* error) {
    if (!file.isOpen()) {
        *error = file.lastError().text();
        return std::nullopt;
    }
    QSqlQuery query(file.database());
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    QStringList fields;
    while (query.next())
        fields << query.value(1).toString();
    return fields;
}

// Empty when `table` in the file open on `file` is a table, or is not there at all (which the
// comparison of its fields finds); otherwise what it is instead. A view under the table's name
// would be read as the table: one that never ends (a recursive one) would hold every reader, and
// one that makes rows up would pass for them.
QString notATable(SqliteConnection& file, const QString& table) {
    if (!file.isOpen())
        return {};
    QSqlQuery query(file.database());
    query.prepare(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    query.addBindValue(table);
    if (!query.exec() || !query.next())
        return {};
    const QString type = query.value(0).toString();
    if (type == QStringLiteral("table"))
        return {};
    return QStringLiteral("%1 nie jest tabelą, lecz %2")
        .arg(table, type == QStringLiteral("view") ? QStringLiteral("widokiem")
                                                   : QStringLiteral("obiektem typu ") + type);
}

// The options of a private connection that checks a file. A program that writes opens it for
// writing too: a write cut off by a crash left a journal that SQLite rolls back at the first
// reading, and a read-only connection cannot, so it would refuse the table for good.
QString checkingOptions(bool readOnly) {
    return readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY") : QString();
}

// Opens the file on a private connection and compares the table's fields.
QString validateTableFile(const QString& path, const TableSchema& schema, bool readOnly) {
    SqliteConnection file(path, checkingOptions(readOnly));
    QString error;
    if (const QString what = notATable(file, schema.tableName); !what.isEmpty())
        return QStringLiteral("to nie jest tabela %1 programu (%2)").arg(schema.tableName, what);
    const auto fields = fieldsOf(file, schema.tableName, &error);
    if (!fields)
        return error;
    if (*fields != schema.fields)
        return QStringLiteral("to nie jest tabela %1 programu").arg(schema.tableName);
    return {};
}

// The table of the chain's rows that are not downloads, which a file made by the release before
// it lacks.
bool isChangesTable(const TableSchema& table) {
    return table.tableName == QStringLiteral("ArchiwumZmian");
}

// The same for the rounds' file and every table in it; other tables an operator added are left
// alone. A file without the table of the chain's changes sets `changesMissing`.
QString validateRoundsFile(const QString& path, bool readOnly, bool* changesMissing) {
    SqliteConnection file(path, checkingOptions(readOnly));
    *changesMissing = false;
    for (const TableSchema& table : roundsSchema().tables) {
        if (const QString what = notATable(file, table.tableName); !what.isEmpty())
            return QStringLiteral("to nie jest plik tabel obchodów programu (%1)").arg(what);
        QString error;
        const auto fields = fieldsOf(file, table.tableName, &error);
        if (!fields)
            return QStringLiteral("plik jest uszkodzony (%1)").arg(error);
        if (fields->isEmpty() && isChangesTable(table)) {
            *changesMissing = true;
            continue;
        }
        if (*fields != table.fields)
            return QStringLiteral("to nie jest plik tabel obchodów programu (tabela %1)")
                .arg(table.tableName);
    }
    return {};
}

bool missing(const platform::ReadAccess& access) {
    return access.error.kind() == platform::OsErrorKind::NotFound ||
           access.error.kind() == platform::OsErrorKind::PathNotFound;
}

// What keeps this account from reading the file at `path`, in the opening messages' words;
// empty when nothing does, or when only the engine can tell (its message then says why).
QString refusal(const QString& path, const platform::ReadAccess& access) {
    if (access.error.kind() != platform::OsErrorKind::AccessDenied)
        return {};
    if (access.folderRefused)
        return QStringLiteral("brak dostępu do folderu %1")
            .arg(QDir::toNativeSeparators(QFileInfo(path).path()));
    return QStringLiteral("brak uprawnień do odczytu pliku");
}

// Adds the table of the chain's changes to a file made by the release before; an empty text
// when done.
QString addChangesTable(const QString& path) {
    SqliteConnection file(path);
    QSqlQuery query(file.database());
    for (const TableSchema& table : roundsSchema().tables)
        if (isChangesTable(table))
            for (const QString& statement : table.createStatements)
                if (!query.exec(statement))
                    return query.lastError().text();
    return {};
}

} // namespace

QString TTable::filePath() const {
    if (module_.onServer())
        return serverName(module_.serverConnectionString()) + QLatin1Char(' ') + schema_.tableName;
    const std::string folder = folder_.toStdString();
    const auto name = platform::findNameIgnoringCase(folder, schema_.fileName.toStdString());
    return folder_ + (name ? QString::fromStdString(*name) : schema_.fileName);
}

void TTable::Open() {
    if (active_)
        return;
    if (module_.onServer()) {
        // The server's tables are checked once connected, all at once; a server that cannot be
        // reached leaves the last table closed, so that the next Open() tries again.
        active_ = true;
        try {
            module_.tableOpened();
        } catch (...) {
            active_ = false;
            throw;
        }
        return;
    }
    const QString path = filePath();
    const platform::ReadAccess access = platform::readAccess(path.toStdString());
    QString problem = missing(access) ? QStringLiteral("plik nie istnieje") : refusal(path, access);
    if (problem.isEmpty())
        problem = validateTableFile(path, schema_, module_.readOnly_);
    if (!problem.isEmpty())
        throw EDatabaseError(QStringLiteral("Nie można otworzyć tabeli %1: %2")
                                 .arg(QDir::toNativeSeparators(path), problem));
    active_ = true;
    module_.tableOpened();
}

void TTable::Close() {
    if (!active_)
        return;
    active_ = false;
    module_.tableClosed();
}

TDM3::TDM3(QObject* parent) : QObject(parent) {
    setObjectName("DM3");
}

TDM3::~TDM3() {
    disconnect();
}

void TDM3::setDatabaseFolder(const QString& folder) {
    tbOdbicia.setDatabaseName(folder);
    tbCzytniki.setDatabaseName(folder);
    tbNrOdc.setDatabaseName(folder);
}

void TDM3::openTables() {
    tbOdbicia.Open();
    tbCzytniki.Open();
    tbNrOdc.Open();
}

void TDM3::tableOpened() {
    if (tbOdbicia.Active() && tbCzytniki.Active() && tbNrOdc.Active())
        connect();
}

void TDM3::tableClosed() {
    disconnect();
}

void TDM3::connect() {
    if (onServer())
        connectToServer();
    else
        connectToFiles();
    if (!readOnly_ && roundsProblem_.isEmpty())
        beginArchive();
}

// An installation this release meets for the first time (its Obchody.db without the table of the
// chain's changes, or made just now) gets the archive's beginning, which pins the downloads
// stored before it. So does one whose chain is empty, which the operator is told of where the
// tables hold downloads: a chain that lost its rows begins anew only in the open. A chain with
// rows but no beginning gets none: the check names that. A failure keeps no table from opening:
// the notice says why.
void TDM3::beginArchive() {
    const bool created = std::exchange(roundsCreated_, false);
    const bool tableAdded = std::exchange(changesTableAdded_, false);
    const QString shown = QDir::toNativeSeparators(roundsFilePath());
    try {
        if (!tableAdded && !chainHead(*this).digest.isEmpty())
            return;
        const bool stored = !downloads().isEmpty();
        const QString reason = !stored      ? QStringLiteral("nowa instalacja")
                               : tableAdded ? QStringLiteral("instalacja sprzed archiwum")
                               : created    ? QStringLiteral("plik %1 utworzono na nowo").arg(shown)
                                            : QStringLiteral("archiwum odczytów było puste");
        const auto begun = recordArchiveBeginning(*this, reason);
        if (!begun || !stored || tableAdded)
            return;
        archiveNotice_ =
            (created ? QStringLiteral("Plik %1 nie istniał, a tabele zawierają odczyty: utworzono "
                                      "go na nowo, pusty.")
                     : QStringLiteral("Archiwum odczytów w pliku %1 było puste, a tabele zawierają "
                                      "odczyty."))
                .arg(shown) +
            QStringLiteral(" Archiwum odczytów zaczyna się od nowa; odczyty zapisane wcześniej "
                           "(%1, do nr %2) nie mają w nim swoich wierszy.")
                .arg(begun->count)
                .arg(begun->last);
    } catch (const EDatabaseError& error) {
        archiveNotice_ =
            QStringLiteral("Nie można zapisać początku archiwum odczytów: %1").arg(error.message());
    }
}

// Every table of the three and of Obchody.db must be on the server with this program's fields,
// or none is opened: a message names the server and the first table that is not right.
void TDM3::connectToServer() {
    serverConnection_.emplace(server_);
    if (!serverConnection_->isOpen()) {
        const QSqlError error = serverConnection_->lastError();
        serverConnection_.reset();
        throw EServerUnreachable(serverUnreachableMessage(server_, error));
    }
    serverIdle_.start();
    QSqlQuery query(serverConnection_->database());
    // Only a base table: a view under a table's name (one that never ends, or one that makes
    // rows up) would be read as the table.
    query.prepare(
        QStringLiteral("SELECT c.column_name FROM information_schema.columns c "
                       "JOIN information_schema.tables t "
                       "ON t.table_schema = c.table_schema AND t.table_name = c.table_name "
                       "WHERE c.table_schema = ? AND c.table_name = ? "
                       "AND t.table_type = 'BASE TABLE' "
                       "ORDER BY c.ordinal_position"));
    for (const auto& [schemaName, table] : serverTables()) {
        query.bindValue(0, schemaName);
        query.bindValue(1, table->tableName.toLower());
        QStringList fields;
        if (query.exec())
            while (query.next())
                fields << query.value(0).toString();
        if (fields != serverFieldNames(*table)) {
            const QString problem = query.lastError().isValid()
                                        ? query.lastError().text()
                                        : QStringLiteral("brak tabeli programu (albo widok "
                                                         "w jej miejscu)");
            query = QSqlQuery();
            disconnect();
            throw EDatabaseError(QStringLiteral("Nie można otworzyć tabeli %1 na serwerze %2: %3")
                                     .arg(table->tableName, serverName(server_), problem));
        }
    }
}

// The punch file is the main database, so that one transaction spans all the files.
void TDM3::connectToFiles() {
    // A read-only connection opens the attached files read-only too: SQLite gives them the
    // main file's flags. A tool that only reads may wait out a long import rather than fail.
    connection_.emplace(tbOdbicia.filePath(),
                        readOnly_
                            ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000")
                            : QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
    if (!connection_->isOpen()) {
        const QSqlError error = connection_->lastError();
        connection_.reset();
        fail(tbOdbicia.filePath(), error);
    }
    QSqlQuery attach(connection_->database());
    for (auto [table, schemaName] : {std::pair{&tbCzytniki, "cz"}, std::pair{&tbNrOdc, "nr"}}) {
        attach.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(schemaName));
        attach.addBindValue(table->filePath());
        if (!attach.exec()) {
            const QSqlError error = attach.lastError();
            attach = QSqlQuery();
            disconnect();
            fail(table->filePath(), error);
        }
    }
    attachRounds();
}

QString TDM3::roundsFilePath() const {
    if (onServer())
        return serverName(server_);
    const QString& folder = tbOdbicia.DatabaseName();
    const auto name =
        platform::findNameIgnoringCase(folder.toStdString(), roundsSchema().fileName.toStdString());
    return folder + (name ? QString::fromStdString(*name) : roundsSchema().fileName);
}

// The rounds' file never keeps the three tables from opening: whatever goes wrong is kept as the
// message the rounds' windows show, and the connection carries on without it.
void TDM3::attachRounds() {
    roundsProblem_.clear();
    roundsMissing_ = false;
    roundsChangesMissing_ = false;
    const QString path = roundsFilePath();
    const QString shown = QDir::toNativeSeparators(path);
    const platform::ReadAccess access = platform::readAccess(path.toStdString());
    if (const QString refused = refusal(path, access); !refused.isEmpty()) {
        roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, refused);
        return;
    }
    if (missing(access)) {
        if (readOnly_) {
            roundsMissing_ = true;
            roundsProblem_ =
                QStringLiteral("Nie można otworzyć pliku %1: plik nie istnieje").arg(shown);
            return;
        }
        QString error;
        // An installation from before the rounds gets their file, empty; where the tables hold
        // downloads, the archive's beginning then says so.
        if (!createRoundsFile(path, &error)) {
            roundsProblem_ = error;
            return;
        }
        roundsCreated_ = true;
    }
    bool changesMissing = false;
    if (const QString problem = validateRoundsFile(path, readOnly_, &changesMissing);
        !problem.isEmpty()) {
        roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, problem);
        return;
    }
    if (changesMissing && !readOnly_) {
        if (const QString problem = addChangesTable(path); !problem.isEmpty()) {
            roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, problem);
            return;
        }
        changesMissing = false;
        changesTableAdded_ = true;
    }
    roundsChangesMissing_ = changesMissing;
    QSqlQuery attach(connection_->database());
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS ob"));
    attach.addBindValue(path);
    if (!attach.exec())
        roundsProblem_ =
            QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, attach.lastError().text());
}

QSqlDatabase& TDM3::roundsDatabase() {
    QSqlDatabase& db = database();
    if (!roundsProblem_.isEmpty())
        throw EDatabaseError(roundsProblem_);
    return db;
}

void TDM3::disconnect() {
    // The prepared statements go before the connection they were made on.
    insertPunch_.reset();
    findReader_.reset();
    insertReader_.reset();
    insertDownload_.reset();
    connection_.reset();
    serverConnection_.reset();
    roundsProblem_.clear();
    roundsMissing_ = false;
    roundsChangesMissing_ = false;
}

namespace {

// How long a server's connection may stay unused before it is tried before the next statement.
constexpr qint64 serverIdleMs = 2000;

} // namespace

void TDM3::reconnectIfDropped() {
    if (inTransaction_ || !serverIdle_.isValid() || serverIdle_.elapsed() < serverIdleMs)
        return;
    serverIdle_.start();
    QSqlQuery probe(serverConnection_->database());
    if (probe.exec(QStringLiteral("SELECT 1")))
        return;
    const QSqlError error = probe.lastError();
    probe = QSqlQuery();
    disconnect();
    // A server that stopped answering is not tried again by the same command: a new
    // connection would wait out its whole connect timeout too. The next command tries.
    if (serverStopped(error))
        throw EServerUnreachable(error.text());
    connectToServer();
}

QSqlDatabase& TDM3::database() {
    if (onServer()) {
        // A connection cut off when the server stopped answering is made anew, though never
        // inside a transaction: its rollback fails at once on the old one.
        if (serverConnection_ && serverConnection_->broken() && !inTransaction_)
            disconnect();
        // A server that was down when last tried is tried again by the next command: the
        // tables it left closed open now, and the last of them connects.
        if (!serverConnection_)
            openTables();
        if (!serverConnection_)
            connectToServer();
        reconnectIfDropped();
        serverIdle_.start();
        return serverConnection_->database();
    }
    if (!connection_)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    return connection_->database();
}

// A failure names the table's file, never the statement: the operator sees the message.
QSqlQuery& TDM3::prepared(std::optional<QSqlQuery>& slot, const TTable& table, const char* sql) {
    if (!slot) {
        QSqlQuery query(database());
        if (!query.prepare(QString::fromLatin1(sql)))
            fail(table.filePath(), query.lastError());
        slot.emplace(std::move(query));
    }
    return *slot;
}

Punch TDM3::punchFromQuery(const QSqlQuery& query) {
    Punch punch;
    punch.AutoNr = query.value(0).toLongLong();
    punch.Data = dateFromStored(query.value(1).toString());
    punch.Czas = timeFromStored(query.value(2).toString());
    punch.Nrwewpkt = query.value(3).toInt();
    punch.Nrczyt = query.value(4).toString();
    punch.NrSczytania = query.value(5).toInt();
    return punch;
}

void TDM3::insertPunch(const Punch& punch) {
    QSqlQuery& query = prepared(insertPunch_, tbOdbicia,
                                "INSERT INTO main.Odbicia (Data, Czas, Nrwewpkt, "
                                "Nrczyt, NrSczytania) VALUES (?, ?, ?, ?, ?)");
    query.bindValue(0, storedDate(punch.Data));
    query.bindValue(1, storedTime(punch.Czas));
    query.bindValue(2, punch.Nrwewpkt);
    query.bindValue(3, punch.Nrczyt.left(10));
    query.bindValue(4, punch.NrSczytania);
    exec(query, tbOdbicia);
}

void TDM3::forEachPunch(const std::function<bool(const Punch&)>& visit) {
    auto next = readPunches();
    Punch punch;
    while (next(punch))
        if (!visit(punch))
            break;
}

std::function<bool(Punch&)> TDM3::readPunches() {
    return readPunches(selection());
}

std::function<bool(Punch&)> TDM3::readPunches(const PunchSelection& chosen) {
    if (chosen.kind() == PunchSelection::Kind::Nothing)
        return [](Punch&) { return false; };
    if (onServer())
        return readPunchesInPages(chosen);
    auto query = std::make_shared<QSqlQuery>(
        runQuery(chosen.selectSql(false, false, -1, 0), [&](QSqlQuery& q) { chosen.bind(q); }));
    return [this, query](Punch& punch) {
        if (!query->next()) {
            // A step that fails ends the rows too: told apart from the end, so that no reader
            // takes a selection cut short by a damaged file for the whole of it.
            if (query->lastError().isValid())
                fail(tbOdbicia.filePath(), query->lastError());
            return false;
        }
        punch = punchFromQuery(*query);
        return true;
    };
}

std::function<bool(Punch&)> TDM3::readPunchesInPages(const PunchSelection& chosen) {
    struct Pages {
        std::vector<Punch> rows;
        std::size_t next = 0;
        std::optional<PunchKey> from; // the last row read, as stored
        bool last = false;
    };
    auto pages = std::make_shared<Pages>();
    return [this, chosen, pages](Punch& punch) {
        if (pages->next == pages->rows.size()) {
            if (pages->last)
                return false;
            // The key bound takes its own row again: one more row is asked for, and it is
            // left out.
            const qint64 limit = serverPageRows + (pages->from ? 1 : 0);
            QSqlQuery query = runQuery(chosen.selectSql(false, pages->from.has_value(), limit, 0),
                                       [&](QSqlQuery& q) { chosen.bind(q, pages->from); });
            pages->rows.clear();
            pages->next = 0;
            qint64 read = 0;
            std::optional<PunchKey> end;
            while (query.next()) {
                ++read;
                end = PunchKey{query.value(1).toString(), query.value(2).toString(),
                               query.value(0).toLongLong()};
                if (pages->from && end->autoNr == pages->from->autoNr)
                    continue;
                pages->rows.push_back(punchFromQuery(query));
            }
            if (query.lastError().isValid())
                fail(tbOdbicia.filePath(), query.lastError());
            pages->last = read < limit;
            pages->from = end;
            if (pages->rows.empty())
                return false;
        }
        punch = pages->rows[pages->next++];
        return true;
    };
}

PunchSelection TDM3::selection() const {
    if (!filtered_ || !filterCriteria_)
        return PunchSelection::all();
    return PunchSelection::of(*filterCriteria_);
}

void TDM3::setFilterCriteria(std::optional<PunchCriteria> criteria) {
    filterCriteria_ = std::move(criteria);
}

QSqlQuery TDM3::runQuery(const QString& sql, const std::function<void(QSqlQuery&)>& bind) {
    QSqlQuery query(database());
    readForward(query, database());
    if (!query.prepare(sql))
        fail(tbOdbicia.filePath(), query.lastError());
    if (bind)
        bind(query);
    exec(query, tbOdbicia);
    return query;
}

qint64 TDM3::punchCount() {
    QSqlQuery query(database());
    query.prepare("SELECT COUNT(*) FROM main.Odbicia");
    exec(query, tbOdbicia);
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool TDM3::findReader(const QString& instrument) {
    QSqlQuery& query =
        prepared(findReader_, tbCzytniki, "SELECT 1 FROM cz.Czytniki WHERE NrCzytnika = ?");
    query.bindValue(0, instrument);
    exec(query, tbCzytniki);
    const bool found = query.next();
    query.finish();
    return found;
}

void TDM3::insertReader(const QString& instrument) {
    QSqlQuery& query =
        prepared(insertReader_, tbCzytniki, "INSERT INTO cz.Czytniki (NrCzytnika) VALUES (?)");
    query.bindValue(0, instrument);
    exec(query, tbCzytniki);
}

QStringList TDM3::readers() {
    QSqlQuery query(database());
    query.prepare("SELECT NrCzytnika FROM cz.Czytniki ORDER BY NrCzytnika");
    exec(query, tbCzytniki);
    QStringList result;
    while (query.next())
        result << query.value(0).toString();
    return result;
}

// The number comes back from the insert itself: on a server another site's download may be
// numbered between this insert and any later query.
qint32 TDM3::appendDownload(const QDateTime& data) {
    QSqlQuery& query = prepared(insertDownload_, tbNrOdc,
                                "INSERT INTO nr.NrOdc (Data) VALUES (?) RETURNING Nrodczytu");
    query.bindValue(0, storedDateTime(data));
    exec(query, tbNrOdc);
    if (!query.next())
        throw EDatabaseError(tbNrOdc.filePath());
    const qint32 number = query.value(0).toInt();
    query.finish();
    return number;
}

QList<qint32> TDM3::downloads() {
    QSqlQuery query(database());
    query.prepare("SELECT Nrodczytu FROM nr.NrOdc ORDER BY Nrodczytu");
    exec(query, tbNrOdc);
    QList<qint32> result;
    while (query.next())
        result << query.value(0).toInt();
    return result;
}

// Statements of the server's own: the local files have no such table, and SQLite lets one
// writer in at a time anyway.
void TDM3::lockImports() {
    QSqlQuery query(database());
    if (query.exec(QStringLiteral("LOCK TABLE ob.Transmisje IN SHARE ROW EXCLUSIVE MODE")))
        return;
    // The wait is bounded by the session's lock limit; the transaction then rolls back whole.
    if (lockNotGranted(query.lastError()))
        throw EServerUnreachable(
            QStringLiteral("Inne stanowisko zapisuje teraz odczyt na serwerze %1. Nic nie zostało "
                           "zapisane; spróbuj ponownie za chwilę.")
                .arg(serverName(server_)));
    fail(roundsFilePath(), query.lastError());
}

std::optional<QByteArray> TDM3::storedTransmission(const QString& instrument) {
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT Tresc FROM ob.Transmisje WHERE NrCzytnika = ?"));
    query.addBindValue(instrument);
    if (!query.exec())
        fail(roundsFilePath(), query.lastError());
    if (!query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

// Replaced in place: a site may add and update transmissions, never delete them.
void TDM3::storeTransmission(const QString& instrument, const QByteArray& lines) {
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO ob.Transmisje (NrCzytnika, Tresc) VALUES (?, ?) "
                                 "ON CONFLICT (NrCzytnika) DO UPDATE SET Tresc = EXCLUDED.Tresc"));
    query.addBindValue(instrument);
    query.addBindValue(lines);
    if (!query.exec())
        fail(roundsFilePath(), query.lastError());
}

void TDM3::setFiltered(bool on) {
    if (filtered_ == on)
        return;
    filtered_ = on;
    Refresh();
}

Transaction::Transaction(TDM3& module) : module_(module) {
    if (!module_.database().transaction())
        fail(module_.tbOdbicia.filePath(), module_.database().lastError());
    open_ = true;
    module_.inTransaction_ = true;
}

Transaction::~Transaction() {
    if (open_ && module_.connected())
        module_.database().rollback();
    module_.inTransaction_ = false;
}

void Transaction::commit() {
    if (!module_.database().commit()) {
        const QSqlError error = module_.database().lastError();
        module_.database().rollback();
        open_ = false;
        module_.inTransaction_ = false;
        fail(module_.tbOdbicia.filePath(), error);
    }
    open_ = false;
    module_.inTransaction_ = false;
}

} // namespace ronvalo
