// The instruments an account sees.
#include "web/instrument_cut.h"

#include <algorithm>

#include "core/store/download_instruments.h"
#include "core/store/rounds_tables.h"

namespace ronvalo::web {

namespace {

// The punch table keeps an instrument's first 10 characters.
constexpr qsizetype storedInstrumentLength = 10;

} // namespace

InstrumentCut::InstrumentCut(const Account& account, const QStringList& known)
    : all_(account.role != Role::Client) {
    const QSet<QString> own(account.instruments.cbegin(), account.instruments.cend());
    for (const QString& instrument : known)
        if ((all_ || own.contains(instrument)) && !visibleSet_.contains(instrument)) {
            visible_ << instrument;
            visibleSet_.insert(instrument);
            visibleStored_.insert(instrument.left(storedInstrumentLength));
        }
    std::sort(visible_.begin(), visible_.end());
}

InstrumentCut InstrumentCut::of(const Account& account, TDM3& dm) {
    QStringList known;
    for (const InstrumentName& instrument : loadInstruments(dm))
        known << instrument.instrument;
    return InstrumentCut(account, known);
}

std::optional<QString> InstrumentCut::instrument(const QString& asked) const {
    if (!visibleSet_.contains(asked))
        return std::nullopt;
    return asked;
}

std::optional<QStringList> InstrumentCut::instruments(const QStringList& asked) const {
    for (const QString& instrument : asked)
        if (!visibleSet_.contains(instrument))
            return std::nullopt;
    return asked;
}

QStringList InstrumentCut::filter(const QStringList& list) const {
    QStringList seen;
    for (const QString& instrument : list)
        if (visibleSet_.contains(instrument))
            seen << instrument;
    return seen;
}

bool InstrumentCut::seesStoredInstrument(const QString& stored) const {
    return all_ || visibleStored_.contains(stored);
}

bool InstrumentCut::seesDownload(TDM3& dm, qint32 download) const {
    const std::optional<DownloadInstruments> found = downloadInstruments(dm, download);
    if (!found)
        return false;
    if (all_)
        return true;
    const QStringList& instruments = found->instruments;
    // The archive names the instrument whole, the punches by its first 10 characters.
    const QSet<QString>& compared = found->whole ? visibleSet_ : visibleStored_;
    return !instruments.isEmpty() &&
           std::all_of(instruments.cbegin(), instruments.cend(),
                       [&](const QString& instrument) { return compared.contains(instrument); });
}

} // namespace ronvalo::web
