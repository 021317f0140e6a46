// One row of the punch table, as the program reads and writes it.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace ronvalo {

struct Punch {
    qint64 AutoNr = 0;      // assigned by the table
    QDate Data;             // date of the punch; the zero date when the dump had no date line yet
    QTime Czas;             // time of the punch, seconds 0
    qint32 Nrwewpkt = 0;    // checkpoint number
    QString Nrczyt;         // instrument number, at most 10 characters
    qint32 NrSczytania = 0; // download number
};

} // namespace ronvalo

// Its members all move by a plain copy of their bytes: a growing list of punches is reallocated
// in place rather than moved punch by punch.
Q_DECLARE_TYPEINFO(ronvalo::Punch, Q_RELOCATABLE_TYPE);

namespace ronvalo {

// Checkpoints 171 to 174 stand out wherever punches are shown.
inline bool isMarkedCheckpoint(qint32 checkpoint) {
    return checkpoint >= 171 && checkpoint <= 174;
}

} // namespace ronvalo
