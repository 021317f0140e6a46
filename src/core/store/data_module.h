// The data module DM3: the punch, reader and download tables over three SQLite files in db/, and
// the rounds' file beside them on the same connection.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "core/store/punch.h"
#include "core/store/punch_filter.h"
#include "core/store/schema.h"
#include "core/store/server_connection.h"
#include "core/store/sqlite_connection.h"

namespace ronvalo {

class TDM3;

// One table: its file in the database folder, open or closed. The module's connection exists
// while all three tables are open.
class TTable {
public:
    TTable(TDM3& module, const TableSchema& schema) : module_(module), schema_(schema) {}
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    void setDatabaseName(const QString& folder) { folder_ = folder; }
    const QString& DatabaseName() const { return folder_; }
    // The table's file, its name matched without regard to case.
    QString filePath() const;

    // Checks that the file exists and holds this program's table; raises EDatabaseError naming
    // the file otherwise. Never creates or alters anything.
    void Open();
    void Close();
    bool Active() const { return active_; }
    const TableSchema& schema() const { return schema_; }

private:
    // The engine's half of Open(): a file is checked here, a server's tables once connected.
    void openFile();
    void openOnServer();

    TDM3& module_;
    const TableSchema& schema_;
    QString folder_;
    bool active_ = false;
};

class TDM3 : public QObject {
    Q_OBJECT
public:
    explicit TDM3(QObject* parent = nullptr);
    ~TDM3() override;

    TTable tbOdbicia{*this, punchSchema()};
    TTable tbCzytniki{*this, readerSchema()};
    TTable tbNrOdc{*this, downloadSchema()};

    // Points all three tables at `folder` (ending in "/").
    void setDatabaseFolder(const QString& folder);
    // Set before openTables(): the tables are on the PostgreSQL server this libpq connection
    // string names, instead of the files in the folder; empty for the files.
    void setServer(const QString& connectionString) { server_ = connectionString; }
    bool onServer() const { return !server_.isEmpty(); }
    const QString& serverConnectionString() const { return server_; }
    // Opens the punch, reader and download tables, in that order (the order of start-up).
    void openTables();
    // Set before openTables(): the connection only reads, waiting up to ten seconds for a
    // writer's lock, and a missing Obchody.db stays missing. For a tool that reads the tables
    // while the program may be running.
    void setReadOnly(bool on) { readOnly_ = on; }
    // Read-only and Obchody.db does not exist: the installation has no plans or names yet.
    // Never on a server, which holds the rounds' tables with the others.
    bool roundsFileMissing() const { return roundsMissing_; }
    // Read-only and Obchody.db was made by the release before, without the table of the archive
    // chain's changes: the chain has no beginning. A writable module adds the table.
    bool roundsChangesMissing() const { return roundsChangesMissing_; }
    // What the operator must be told of the archive once the tables opened (Obchody.db made anew
    // where the tables hold downloads, or its beginning not written), and the text is cleared;
    // empty when nothing.
    QString takeArchiveNotice() { return std::exchange(archiveNotice_, QString()); }

    // Punch table. Nrczyt is cut to its first 10 characters.
    void insertPunch(const Punch& punch);
    // Every row in "ixDiT" order (date, time, arrival); while filtering is on, only the rows the
    // filter accepts. `visit` returns false to stop.
    void forEachPunch(const std::function<bool(const Punch&)>& visit);
    // The same rows pulled one at a time: each call fills the next row, false at the end; a
    // failed read raises EDatabaseError. The reader keeps its own query, so it may outlive a
    // refresh but not a closed table.
    std::function<bool(Punch&)> readPunches();
    // The same for a selection of the caller's, whatever the filter says. On a server, where a
    // result is read whole, the rows come a page at a time, each page from the key the last one
    // ended at.
    std::function<bool(Punch&)> readPunches(const PunchSelection& chosen);
    static constexpr qint64 serverPageRows = 10000;
    qint64 punchCount();

    // Reader table.
    bool findReader(const QString& instrument);
    void insertReader(const QString& instrument);
    QStringList readers(); // by NrCzytnika

    // Download table: appends a row dated `data` and returns its Nrodczytu.
    qint32 appendDownload(const QDateTime& data);
    QList<qint32> downloads(); // by Nrodczytu

    // On a server only: what one PC keeps in txt/, the last transmission of every instrument
    // (less its three header lines), for the repeat test of every site.
    // Within a transaction, makes every other site's import wait until it ends: two imports at
    // the same moment then see each other's transmission and archive row.
    void lockImports();
    std::optional<QByteArray> storedTransmission(const QString& instrument);
    void storeTransmission(const QString& instrument, const QByteArray& lines);

    // Record filter of the punch table: while it is on, the rows the criteria last handed over
    // select, read through a query over the indexes; every row without criteria.
    bool Filtered() const { return filtered_; }
    void setFiltered(bool on);
    // The browser hands over its settings at every change, before it refreshes.
    void setFilterCriteria(std::optional<PunchCriteria> criteria);
    // The rows a reading sees now, as a query: every row while the filter is off.
    PunchSelection selection() const;

    // Re-reads the punch table: whoever shows it reloads.
    void Refresh() { emit punchesChanged(); }
    // All three tables are open, and with them the connection.
    bool connected() const { return connection_ || serverConnection_; }

    // The rounds' file Obchody.db beside the three tables, its name matched without regard to
    // case. The connection makes it, empty, when it is missing and attaches it as "ob"; a damaged
    // one or one of another layout stays apart, and the three tables work on without it.
    QString roundsFilePath() const;
    // The connection, for queries on the rounds' tables ("ob.Plany", ...) and the three; raises
    // EDatabaseError naming Obchody.db when it could not be attached, or while the tables are
    // closed.
    QSqlDatabase& roundsDatabase();

    // Reads one punch row from a query whose columns are AutoNr, Data, Czas, Nrwewpkt, Nrczyt,
    // NrSczytania (in that order).
    static Punch punchFromQuery(const QSqlQuery& query);

signals:
    void punchesChanged();

private:
    friend class TTable;
    friend class Transaction;
    friend class PunchPages;
    // A query over the punch table, prepared on the open connection and executed once bound.
    QSqlQuery runQuery(const QString& sql, const std::function<void(QSqlQuery&)>& bind);
    // The open connection (all three tables open); raises EDatabaseError when closed.
    QSqlDatabase& database();
    QSqlDatabase& filesDatabase();
    // Makes the connection anew when it broke or the server was down, so that it is open.
    QSqlDatabase& serverDatabase();
    void tableOpened();
    void tableClosed();
    void connect();
    void attachRounds();
    void beginArchive();
    void disconnect();
    QSqlQuery& prepared(std::optional<QSqlQuery>& slot, const TTable& table, const char* sql);

    std::function<bool(Punch&)> readPunchesInPages(const PunchSelection& chosen);
    void connectToServer();
    void connectToFiles();
    // Before a statement on a server left idle for a while: a connection the server or the
    // network dropped meanwhile is made anew (never inside a transaction, whose statements
    // would be lost with it), so that the next command works once the server is back.
    void reconnectIfDropped();

    // One of the two while the tables are open: the files' connection or the server's.
    std::optional<SqliteConnection> connection_;
    std::optional<ServerConnection> serverConnection_;
    QString server_;
    QElapsedTimer serverIdle_; // since the server's connection was last used
    bool inTransaction_ = false;
    QString roundsProblem_; // why Obchody.db is not attached; empty while it is
    bool readOnly_ = false;
    bool roundsMissing_ = false;
    bool roundsChangesMissing_ = false;
    bool roundsCreated_ = false;     // Obchody.db was made by this connection
    bool changesTableAdded_ = false; // and its table of the chain's changes added
    QString archiveNotice_;
    bool filtered_ = false;
    std::optional<PunchCriteria> filterCriteria_;
    std::optional<QSqlQuery> insertPunch_, findReader_, insertReader_, insertDownload_;
};

// Several writes to the three files as one: committed whole, or rolled back whole when the
// object goes without commit() (an exception on the way).
class Transaction {
public:
    explicit Transaction(TDM3& module);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    TDM3& module_;
    bool open_ = false;
};

} // namespace ronvalo
