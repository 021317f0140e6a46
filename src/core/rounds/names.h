// How checkpoints and instruments are named wherever the rounds' windows and reports show them.
#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "core/store/plan.h"

namespace ronvalo {

// "12 Brama główna": the number, a space and the name; just the number when unnamed.
QString checkpointLabel(qint32 number, const QString& name);
// "0123 Brama północna" for an instrument and its description; just the number without one.
QString instrumentLabel(const QString& instrument, const QString& description);

// The checkpoints of loadCheckpoints() looked up by number.
class CheckpointNames {
public:
    CheckpointNames() = default;
    explicit CheckpointNames(const QList<Checkpoint>& checkpoints);
    QString name(qint32 number) const;  // empty when unnamed or unknown
    QString label(qint32 number) const; // checkpointLabel
    bool incident(qint32 number) const; // incidentByDefault when unknown

private:
    QHash<qint32, Checkpoint> byNumber_;
};

// The instruments of loadInstruments() looked up by number.
class InstrumentNames {
public:
    InstrumentNames() = default;
    explicit InstrumentNames(const QList<InstrumentName>& instruments);
    QString description(const QString& instrument) const;
    QString label(const QString& instrument) const; // instrumentLabel

private:
    QHash<QString, QString> byNumber_;
};

} // namespace ronvalo
