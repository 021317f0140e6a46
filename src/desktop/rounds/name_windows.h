// The windows "Punkty kontrolne" and "Czytniki": names for checkpoints and instruments.
#pragma once

#include <QDialog>
#include <QHash>
#include <QList>
#include <QSet>

#include "core/common/service_log.h"
#include "core/store/plan.h"

class QSpinBox;
class QTableWidget;

namespace ronvalo {

class TDM3;

// "Punkty kontrolne": every checkpoint with its name and incident tick; the operator may add a
// number, and remove one that neither occurs in the punch table nor belongs to a plan. "OK"
// saves them in one transaction and logs each change, "Anuluj" changes nothing.
class CheckpointWindow : public QDialog {
    Q_OBJECT
public:
    // Reads the checkpoints; raises EDatabaseError naming Obchody.db when it cannot.
    CheckpointWindow(TDM3& dm, LogWriter writeLog, QWidget* parent = nullptr);

    QList<Checkpoint> checkpoints() const; // as the table shows them
    // Adds `number` in its place by number (selects it when it is listed already); refuses 0,
    // which no checkpoint carries.
    void addCheckpoint(qint32 number);
    // Removes the selected row, or says why it stays.
    void removeCheckpoint();
    void OKClick();

    QTableWidget* tblPunkty = nullptr;
    QSpinBox* edNrPunktu = nullptr;

private:
    void addRow(int row, const Checkpoint& checkpoint);

    TDM3& dm_;
    LogWriter writeLog_;
    QList<Checkpoint> stored_;
    QSet<qint32> punched_;
    QHash<qint32, QString> planned_; // checkpoint -> the name of a plan that has it
};

// "Czytniki": every instrument with its description. "OK" saves and logs each change, "Anuluj"
// changes nothing.
class InstrumentWindow : public QDialog {
    Q_OBJECT
public:
    InstrumentWindow(TDM3& dm, LogWriter writeLog, QWidget* parent = nullptr);

    QList<InstrumentName> instruments() const;
    void OKClick();

    QTableWidget* tblCzytniki = nullptr;

private:
    TDM3& dm_;
    LogWriter writeLog_;
    QList<InstrumentName> stored_;
};

} // namespace ronvalo
