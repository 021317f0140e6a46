// The labels of checkpoints and instruments, and their lookup by number.
#include "core/rounds/names.h"

namespace ronvalo {

namespace {

QString numberAndName(const QString& number, const QString& name) {
    return name.isEmpty() ? number : number + QLatin1Char(' ') + name;
}

} // namespace

QString checkpointLabel(qint32 number, const QString& name) {
    return numberAndName(QString::number(number), name);
}

QString instrumentLabel(const QString& instrument, const QString& description) {
    return numberAndName(instrument, description);
}

CheckpointNames::CheckpointNames(const QList<Checkpoint>& checkpoints) {
    for (const Checkpoint& checkpoint : checkpoints)
        byNumber_.insert(checkpoint.number, checkpoint);
}

QString CheckpointNames::name(qint32 number) const {
    return byNumber_.value(number).name;
}

QString CheckpointNames::label(qint32 number) const {
    return checkpointLabel(number, name(number));
}

bool CheckpointNames::incident(qint32 number) const {
    const auto found = byNumber_.constFind(number);
    return found == byNumber_.cend() ? incidentByDefault(number) : found->incident;
}

InstrumentNames::InstrumentNames(const QList<InstrumentName>& instruments) {
    for (const InstrumentName& instrument : instruments)
        byNumber_.insert(instrument.instrument, instrument.description);
}

QString InstrumentNames::description(const QString& instrument) const {
    return byNumber_.value(instrument);
}

QString InstrumentNames::label(const QString& instrument) const {
    return instrumentLabel(instrument, description(instrument));
}

} // namespace ronvalo
