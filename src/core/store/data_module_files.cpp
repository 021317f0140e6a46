// What the data module does only on the SQLite files in the database folder: checking each table's
// file as it opens, the one connection over the three files and attaching Obchody.db to it.
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include "core/common/exception.h"
#include "core/store/accounts_store.h"
#include "core/store/data_module.h"
#include "core/store/schema.h"
#include "core/store/statement_failure.h"
#include "core/store/table_files.h"
#include "platform/files.h"

namespace ronvalo {

using statement_failure::fail;

void TTable::openFile() {
    const QString path = filePath();
    const platform::ReadAccess access = platform::readAccess(path.toStdString());
    QString problem = table_files::missing(access) ? QStringLiteral("plik nie istnieje")
                                                   : table_files::refusal(path, access);
    if (problem.isEmpty())
        problem = table_files::validateTableFile(path, schema_, module_.readOnly_);
    if (!problem.isEmpty())
        throw EDatabaseError(QStringLiteral("Nie można otworzyć tabeli %1: %2")
                                 .arg(QDir::toNativeSeparators(path), problem));
    active_ = true;
    module_.tableOpened();
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

// The rounds' file never keeps the three tables from opening: whatever goes wrong is kept as the
// message the rounds' windows show, and the connection carries on without it.
void TDM3::attachRounds() {
    roundsProblem_.clear();
    roundsMissing_ = false;
    roundsChangesMissing_ = false;
    const QString path = roundsFilePath();
    const QString shown = QDir::toNativeSeparators(path);
    const platform::ReadAccess access = platform::readAccess(path.toStdString());
    if (const QString refused = table_files::refusal(path, access); !refused.isEmpty()) {
        roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, refused);
        return;
    }
    if (table_files::missing(access)) {
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
    bool changesMissing = false, accountsMissing = false;
    if (const QString problem =
            table_files::validateRoundsFile(path, readOnly_, &changesMissing, &accountsMissing);
        !problem.isEmpty()) {
        roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, problem);
        return;
    }
    if (changesMissing && !readOnly_) {
        if (const QString problem = table_files::addChangesTable(path); !problem.isEmpty()) {
            roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, problem);
            return;
        }
        changesMissing = false;
        changesTableAdded_ = true;
    }
    roundsChangesMissing_ = changesMissing;
    // A file made before the web service gets its accounts' table, empty, as it got the
    // chain's changes; a read-only module reads it without accounts.
    if (accountsMissing && !readOnly_)
        if (const QString problem = addAccountsTable(path); !problem.isEmpty()) {
            roundsProblem_ = QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, problem);
            return;
        }
    QSqlQuery attach(connection_->database());
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS ob"));
    attach.addBindValue(path);
    if (!attach.exec())
        roundsProblem_ =
            QStringLiteral("Nie można otworzyć pliku %1: %2").arg(shown, attach.lastError().text());
}

QSqlDatabase& TDM3::filesDatabase() {
    if (!connection_)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    return connection_->database();
}

} // namespace ronvalo
