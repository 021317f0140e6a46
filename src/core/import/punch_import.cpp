// The punch import: the steps with their labels, one transaction per import, and the one handler
// that turns any failure into the message shown and logged.
#include "core/import/punch_import.h"

#include <optional>

#include "core/common/clock.h"
#include "core/common/cp1250.h"
#include "core/common/dialogs.h"
#include "core/common/exception.h"
#include "core/common/io_error.h"
#include "core/common/ole_date.h"
#include "core/common/regional.h"
#include "core/import/reader_dump.h"
#include "core/import/transmission_file.h"
#include "core/link/receive_buffer.h"
#include "core/store/archive.h"
#include "core/store/data_module.h"
#include "core/store/server_connection.h"
#include "platform/files.h"

namespace ronvalo {

namespace {

const QString importedText = QStringLiteral("Odbicia wprowadzono do bazy danych. (");

// The reader table is searched by what the punch rows carry, so that choosing the instrument in
// the browser finds its punches.
constexpr qsizetype punchInstrumentWidth = 10;

} // namespace

PunchImport::PunchImport(const QString& baseFolder, TDM3& dm, LogWriter log)
    : baseFolder_(baseFolder), dm_(dm), log_(std::move(log)), instrumentDate_(zeroDate()),
      firstPunchDate_(zeroDate()) {}

void PunchImport::run(ReceiveBuffer& Memo1, ReceiveBuffer& Memo2, const QDateTime& transferDate) {
    setStep(QStringLiteral("0"));
    instrument_.clear();
    instrumentClock_.reset();
    unarchivedDownload_.reset();
    archiveProblem_.clear();
    std::exception_ptr failure;
    try {
        importDump(Memo1, Memo2, transferDate);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) {
        // The punches are committed: a failure from here on is no failure of the import, and
        // goes to the general error handler.
        reportSuccess(transferDate);
        return;
    }
    // By now the transaction has rolled back and the temporary file is gone.
    const QString message = failureMessage(failure);
    Dialogs::current().notice(message);
    log_(message + QStringLiteral(" (") + fromCp1250(instrument_) + QLatin1Char(')'));
}

QString PunchImport::stepLabel() const {
    return stepLine_ < 0 ? step_ : step_ + QString::number(stepLine_);
}

QString PunchImport::failureMessage(std::exception_ptr failure) const {
    try {
        std::rethrow_exception(failure);
    } catch (const EZlyFormat&) {
        return QStringLiteral("Format danych w linii %1 niezgodny z protokołem VERURU-PC")
            .arg(stepLabel());
    } catch (const ETeSameDane&) {
        return QStringLiteral("Te dane były już prawidłowo odczytane z tego czytnika!");
    } catch (const EServerUnreachable& error) {
        // The step's code would not tell the operator that the server is away.
        return error.message();
    } catch (...) {
        return QStringLiteral("Blad wprowadzania danych. Kod %1 ").arg(stepLabel());
    }
}

// The import's part of reading a dump: step labels, the repeat test, and storing each punch
// before the next line is read.
class PunchImport::Steps final : public DumpVisitor {
public:
    Steps(PunchImport& import, ReceiveBuffer& Memo2) : import_(import), Memo2_(Memo2) {
        punch_.Data = zeroDate();
    }

    void reading(int lineNumber) override { import_.setStep(lineNumber); }
    void instrumentRead(const QByteArray& number) override { import_.instrument_ = number; }
    void instrumentDateRead(QDate date) override { import_.instrumentDate_ = date; }
    void instrumentClockRead(const std::optional<QDateTime>& clock) override {
        import_.instrumentClock_ = clock;
    }
    void firstPunchDateRead(QDate date) override { import_.firstPunchDate_ = date; }

    // The clock line is gone, so the same records sent at another time compare equal.
    void headerRemoved(const ReceiveBuffer& rest) override {
        import_.setStep(QStringLiteral("I/O-1"));
        path = transmissionFilePath(import_.baseFolder_, import_.instrument_);
        if (import_.dm_.onServer()) {
            compareWithServer(rest);
            return;
        }
        if (!platform::fileExists(path.toStdString()))
            return;
        Memo2_.clear();
        platform::OsError::clearLast();
        if (!Memo2_.loadFromFile(path))
            raiseInOutError(platform::OsError::last());
        if (sameLines(rest, Memo2_))
            throw ETeSameDane();
    }

    // Every site stores into the server: the last transmission of the instrument is the one
    // stored there, whichever site stored it (txt/ is still written, for the operator). The
    // transaction begins here, and waits for any other site's import to end, so that the same
    // dump downloaded at two sites at once is stored once.
    void compareWithServer(const ReceiveBuffer& rest) {
        import_.setStep(QStringLiteral("DB"));
        TDM3& dm = import_.dm_;
        transaction.emplace(dm);
        dm.lockImports();
        const auto stored = dm.storedTransmission(fromCp1250(import_.instrument_));
        if (!stored)
            return;
        Memo2_.clear();
        Memo2_.append(*stored);
        if (sameLines(rest, Memo2_))
            throw ETeSameDane();
    }

    // Everything stored is one transaction, begun at the first punch line: a failure anywhere
    // up to the commit leaves the three tables as they were.
    void punchRead(const DumpPunch& punch) override {
        import_.setStep(punch.lineNumber, QStringLiteral("DB"));
        TDM3& dm = import_.dm_;
        if (!started) {
            started = true;
            if (!transaction)
                transaction.emplace(dm);
            const QString instrument = fromCp1250(import_.instrument_);
            punch_.Nrczyt = instrument;
            punch_.NrSczytania = dm.appendDownload(Clock::now());
            // Registered once: every punch of the dump has the same instrument.
            const QString reader = instrument.left(punchInstrumentWidth);
            if (!dm.findReader(reader))
                dm.insertReader(reader);
        }
        punch_.Data = punch.date;
        punch_.Czas = punch.time;
        punch_.Nrwewpkt = punch.checkpoint;
        dm.insertPunch(punch_);
    }

    qint32 download() const { return punch_.NrSczytania; }

    QString path;                           // of the stored transmission file
    std::optional<Transaction> transaction; // from the first punch line on, or the repeat test
    bool started = false;                   // the download is numbered and its reader known

private:
    PunchImport& import_;
    ReceiveBuffer& Memo2_;
    Punch punch_;
};

void PunchImport::importDump(ReceiveBuffer& Memo1, ReceiveBuffer& Memo2,
                             const QDateTime& transferDate) {
    const std::optional<QByteArray> transmission = transmissionToArchive(Memo1);
    Steps steps(*this, Memo2);
    walkDump(Memo1, steps);
    if (steps.started)
        archiveDownload(steps.download(), transmission, transferDate);
    if (dm_.onServer()) {
        setStep(QStringLiteral("DB"));
        dm_.storeTransmission(fromCp1250(instrument_), Memo1.fileText());
    }
    // The file is written aside and checked first, and replaces the stored one only once the
    // rows are in. The commit is the last step that can fail.
    setStep(QStringLiteral("I/O-2"));
    PendingTransmissionFile file(steps.path, Memo1);
    if (steps.transaction)
        steps.transaction->commit();
    file.place();
}

// Taken before the walk removes the header lines. The copy shares the buffer's bytes until the
// walk changes them.
std::optional<QByteArray> PunchImport::transmissionToArchive(const ReceiveBuffer& Memo1) {
    try {
        dm_.roundsDatabase();
    } catch (const EDatabaseError& error) {
        archiveProblem_ = error.message();
        return std::nullopt;
    }
    return Memo1.text();
}

// The archive row goes in after the last punch, in the same transaction. A damaged Obchody.db is
// kept apart from the connection and stops no other work on the three tables, so it does not keep
// the punches out either: the download is stored without its row (the archive check names it)
// and the service log says why. A row that Obchody.db refuses fails the import.
void PunchImport::archiveDownload(qint32 download, const std::optional<QByteArray>& transmission,
                                  const QDateTime& transferDate) {
    if (!transmission) {
        unarchivedDownload_ = download;
        return;
    }
    setStep(QStringLiteral("ARCH"));
    ArchiveRow row;
    row.download = download;
    row.instrument = fromCp1250(instrument_);
    row.received = transferDate;
    row.instrumentClock = instrumentClock_;
    row.transmission = *transmission;
    appendArchiveRow(dm_, std::move(row));
}

void PunchImport::reportSuccess(const QDateTime& transferDate) {
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    const QString instrumentDate = formats.formatShortDate(instrumentDate_);
    const QString firstPunchDate = formats.formatShortDate(firstPunchDate_);
    if (showSummary)
        showSummary({instrumentDate, formats.formatShortDate(transferDate.date()), firstPunchDate});
    log_(instrumentDate + QStringLiteral("  ") + firstPunchDate + QStringLiteral("  ") +
         importedText + fromCp1250(instrument_) + QLatin1Char(')'));
    if (unarchivedDownload_)
        log_(QStringLiteral("Odczyt nr %1 nie został zapisany w archiwum odczytów: %2 (%3)")
                 .arg(QString::number(*unarchivedDownload_), archiveProblem_,
                      fromCp1250(instrument_)));
}

} // namespace ronvalo
