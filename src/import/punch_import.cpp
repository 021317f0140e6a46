// The punch import: the steps with their labels, one transaction per import, and the one handler
// that turns any failure into the message shown and logged.
#include "import/punch_import.h"

#include <QDialog>
#include <cerrno>
#include <optional>

#include "common/clock.h"
#include "common/cp1250.h"
#include "common/dialogs.h"
#include "common/exception.h"
#include "common/io_error.h"
#include "common/ole_date.h"
#include "common/regional.h"
#include "import/reader_dump.h"
#include "import/summary_dialog.h"
#include "import/transmission_file.h"
#include "link/receive_buffer.h"
#include "platform/files.h"
#include "store/data_module.h"

namespace ronvalo {

namespace {

const QString importedText = QStringLiteral("Odbicia wprowadzono do bazy danych. (");

// The reader table is searched by what the punch rows carry, so that choosing the instrument in
// the browser finds its punches.
constexpr qsizetype punchInstrumentWidth = 10;

} // namespace

PunchImport::PunchImport(const QString& baseFolder, TDM3& dm, LogWriter log,
                         TfrUdaloDlg& frUdaloDlg)
    : showSummary([](TfrUdaloDlg& dialog) { dialog.ShowModal(); }), baseFolder_(baseFolder),
      dm_(dm), log_(std::move(log)), frUdaloDlg_(frUdaloDlg), instrumentDate_(zeroDate()),
      firstPunchDate_(zeroDate()) {}

void PunchImport::run(ReceiveBuffer& Memo1, ReceiveBuffer& Memo2, const QDateTime& transferDate) {
    setStep(QStringLiteral("0"));
    instrument_.clear();
    std::exception_ptr failure;
    try {
        importDump(Memo1, Memo2);
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
    } catch (...) {
        return QStringLiteral("Blad wprowadzania danych. Kod %1 ").arg(stepLabel());
    }
}

void PunchImport::importDump(ReceiveBuffer& Memo1, ReceiveBuffer& Memo2) {
    setStep(QStringLiteral("0"));
    checkStartLine(Memo1.line(startLineNumber));

    setStep(QStringLiteral("1"));
    instrument_ = readInstrumentNumber(Memo1.line(instrumentLineNumber));

    setStep(QStringLiteral("2"));
    instrumentDate_ = readClockLine(Memo1.line(clockLineNumber));
    for (int i = 0; i < separatorLineNumber; ++i)
        Memo1.removeFirstLine();

    // The clock line is gone, so the same records sent at another time compare equal.
    setStep(QStringLiteral("I/O-1"));
    const QString path = transmissionFilePath(baseFolder_, instrument_);
    if (platform::fileExists(path.toStdString())) {
        Memo2.clear();
        errno = 0;
        if (!Memo2.loadFromFile(path))
            raiseInOutError(errno != 0 ? errno : EIO);
        if (sameLines(Memo1, Memo2))
            throw ETeSameDane();
    }

    setStep(QStringLiteral("3"));
    checkSeparatorLine(Memo1.line(0));

    // Everything stored from here on is one transaction, begun at the first punch line: a
    // failure anywhere up to the commit leaves the three tables as they were.
    const QString instrumentText = fromCp1250(instrument_);
    std::optional<Transaction> transaction;
    bool downloadPending = true;
    Punch punch;
    punch.Data = zeroDate();
    punch.Nrczyt = instrumentText;
    const qsizetype n = Memo1.count();
    for (qsizetype i = 1; i < n; ++i) {
        const int lineNumber = int(i + separatorLineNumber);
        setStep(lineNumber);
        const DataLine data = readDataLine(Memo1.line(i), lineNumber);
        if (data.kind == DataLine::Kind::Date) {
            punch.Data = data.date;
            if (i == 1)
                firstPunchDate_ = data.date;
        } else if (data.kind == DataLine::Kind::Punch) {
            setStep(lineNumber, QStringLiteral("DB"));
            if (downloadPending) {
                transaction.emplace(dm_);
                punch.NrSczytania = dm_.appendDownload(Clock::now());
                // Registered once: every punch of the dump has the same instrument.
                const QString reader = instrumentText.left(punchInstrumentWidth);
                if (!dm_.findReader(reader))
                    dm_.insertReader(reader);
                downloadPending = false;
            }
            punch.Czas = data.time;
            punch.Nrwewpkt = data.checkpoint;
            dm_.insertPunch(punch);
        }
    }

    // The file is written aside and checked first, and replaces the stored one only once the
    // rows are in. The commit is the last step that can fail.
    setStep(QStringLiteral("I/O-2"));
    PendingTransmissionFile file(path, Memo1);
    if (transaction)
        transaction->commit();
    file.place();
}

void PunchImport::reportSuccess(const QDateTime& transferDate) {
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    const QString instrumentDate = formats.formatShortDate(instrumentDate_);
    const QString firstPunchDate = formats.formatShortDate(firstPunchDate_);
    frUdaloDlg_.setDates(instrumentDate, formats.formatShortDate(transferDate.date()),
                         firstPunchDate);
    if (showSummary)
        showSummary(frUdaloDlg_);
    log_(instrumentDate + QStringLiteral("  ") + firstPunchDate + QStringLiteral("  ") +
         importedText + fromCp1250(instrument_) + QLatin1Char(')'));
}

void acOdbiorExecute(QDialog& frOdbior, PunchImport& import, ReceiveBuffer& Memo1,
                     ReceiveBuffer& Memo2, const std::function<QDateTime()>& transferDate) {
    if (frOdbior.exec() != 1)
        return;
    import.run(Memo1, Memo2, transferDate());
}

} // namespace ronvalo
