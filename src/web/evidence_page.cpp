// The period's evidence: the archived transmissions of the account's instruments with their chain
// rows in one file, which ronvalo-verify --dowod checks later without the tables.
#include <QTemporaryFile>
#include <memory>

#include "core/common/exception.h"
#include "core/proof/evidence_writer.h"
#include "web/instrument_cut.h"
#include "web/pages.h"
#include "web/visit.h"

namespace ronvalo::web {

namespace {

constexpr qint64 chunkBytes = 256 * 1024;

} // namespace

void evidenceFile(Visit& visit) {
    const auto period = archivePeriod(visit);
    if (!period)
        return;
    if (period->first > period->second) {
        sendPage(visit, QStringLiteral("/archiwum"), QStringLiteral("Archiwum"),
                 QStringLiteral("<p class=\"error\">Data „do” jest wcześniejsza niż „od”.</p>"),
                 400);
        return;
    }
    // A year of transmissions is written aside, not held in memory, and sent in pieces.
    auto file = std::make_shared<QTemporaryFile>();
    if (!file->open())
        throw EInOutError(
            QStringLiteral("Nie można utworzyć pliku tymczasowego: %1").arg(file->errorString()),
            0);
    const std::optional<QStringList> instruments =
        visit.cut.seesAll() ? std::nullopt : std::optional(visit.cut.visible());
    const qint64 downloads =
        writeEvidence(visit.dm, period->first, period->second, instruments, *file);
    if (!file->flush() || !file->seek(0))
        throw EInOutError(
            QStringLiteral("Nie można zapisać pliku tymczasowego: %1").arg(file->errorString()), 0);
    const QString name =
        QStringLiteral("dowod-%1-%2.txt")
            .arg(period->first.toString(Qt::ISODate), period->second.toString(Qt::ISODate));
    visit.logNote =
        QStringLiteral("dowód %1..%2, odczytów %3")
            .arg(period->first.toString(Qt::ISODate), period->second.toString(Qt::ISODate))
            .arg(downloads);
    visit.response.set_header(
        "Content-Disposition",
        QStringLiteral("attachment; filename=\"%1\"").arg(name).toStdString());
    visit.response.set_content_provider(
        std::size_t(file->size()), "text/plain; charset=utf-8",
        [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (!file->seek(qint64(offset)))
                return false;
            const QByteArray piece = file->read(std::min<qint64>(qint64(length), chunkBytes));
            return !piece.isEmpty() && sink.write(piece.constData(), std::size_t(piece.size()));
        });
}

} // namespace ronvalo::web
