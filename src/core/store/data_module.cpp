// The data module: its tables opened and closed as one connection on either engine, and the
// transactions over that connection.
#include "core/store/data_module.h"

#include <QSqlError>

#include "core/common/exception.h"
#include "core/store/statement_failure.h"
#include "core/store/table_files.h"

namespace ronvalo {

using statement_failure::fail;

QString TTable::filePath() const {
    if (module_.onServer())
        return serverName(module_.serverConnectionString()) + QLatin1Char(' ') + schema_.tableName;
    return table_files::pathIn(folder_, schema_.fileName);
}

void TTable::Open() {
    if (active_)
        return;
    if (module_.onServer())
        openOnServer();
    else
        openFile();
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

QString TDM3::roundsFilePath() const {
    if (onServer())
        return serverName(server_);
    return table_files::pathIn(tbOdbicia.DatabaseName(), roundsSchema().fileName);
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

QSqlDatabase& TDM3::database() {
    return onServer() ? serverDatabase() : filesDatabase();
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
