// The punch import behind the "Odbior" command: a verified dump from the first receive buffer
// into the three tables and the download archive, the stored transmission file, the summary
// shown after it and the service log.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

#include "core/common/service_log.h"

namespace ronvalo {

class ReceiveBuffer;
class TDM3;

// What the summary after an import shows, each date as the regional short date.
struct ImportSummary {
    QString instrumentDate;
    QString transferDate;
    QString firstPunchDate;
};

class PunchImport {
public:
    // `baseFolder` ends in "/"; `log` appends one line to the service log.
    PunchImport(const QString& baseFolder, TDM3& dm, LogWriter log);

    // Imports the dump in Memo1 (Memo2 takes the stored transmission file for the repeat test),
    // transferDate being the moment the two transmissions agreed. The punches go in with their
    // download's archive row, in one transaction. A failure is shown and logged here and stores
    // nothing; only a failure of that log line, or of the summary and log lines after the
    // punches were stored, leaves this function.
    void run(ReceiveBuffer& Memo1, ReceiveBuffer& Memo2, const QDateTime& transferDate);

    // Values that carry over from one import of a run to the next; the zero date at first.
    QDate instrumentDate() const { return instrumentDate_; }
    QDate firstPunchDate() const { return firstPunchDate_; }

    // How the summary of a successful import is shown: the windows show their summary dialog
    // modally; nothing when empty.
    std::function<void(const ImportSummary&)> showSummary;

private:
    class Steps;
    // Steps up to the commit and the stored transmission file; raises on any failure.
    void importDump(ReceiveBuffer& Memo1, ReceiveBuffer& Memo2, const QDateTime& transferDate);
    // The transmission as received when Obchody.db can take its archive row; none, with the
    // reason kept for the log, when it cannot.
    std::optional<QByteArray> transmissionToArchive(const ReceiveBuffer& Memo1);
    void archiveDownload(qint32 download, const std::optional<QByteArray>& transmission,
                         const QDateTime& transferDate);
    // The summary dialog and the success log line, and the line of a download left unarchived.
    void reportSuccess(const QDateTime& transferDate);
    QString failureMessage(std::exception_ptr failure) const;
    // The step label is kept as a text and a dump line number, made into one text only when a
    // message needs it: setting it happens twice for every punch line.
    void setStep(const QString& text) {
        step_ = text;
        stepLine_ = -1;
    }
    void setStep(int line, const QString& prefix = QString()) {
        step_ = prefix;
        stepLine_ = line;
    }
    QString stepLabel() const;

    QString baseFolder_;
    TDM3& dm_;
    LogWriter log_;
    QDate instrumentDate_;
    QDate firstPunchDate_;
    // Per import: the step being worked on, the instrument number as received, its clock, and a
    // stored download that has no archive row with the reason.
    QString step_;
    int stepLine_ = -1;
    QByteArray instrument_;
    std::optional<QDateTime> instrumentClock_;
    std::optional<qint32> unarchivedDownload_;
    QString archiveProblem_;
};

} // namespace ronvalo
