// The windows "Punkty kontrolne" and "Czytniki": names for checkpoints and instruments.
#pragma once

#include <QDialog>
#include <QList>

#include "rounds/plan.h"

class QSpinBox;
class QTableWidget;

namespace ronvalo {

class TDM3;

// "Punkty kontrolne": every checkpoint with its name and incident tick; the operator may add a
// number. "OK" saves them in one transaction, "Anuluj" changes nothing.
class CheckpointWindow : public QDialog {
    Q_OBJECT
public:
    // Reads the checkpoints; raises EDatabaseError naming Obchody.db when it cannot.
    CheckpointWindow(TDM3& dm, QWidget* parent = nullptr);

    QList<Checkpoint> checkpoints() const; // as the table shows them
    // Adds `number` in its place by number (selects it when it is listed already).
    void addCheckpoint(qint32 number);
    void OKClick();

    QTableWidget* tblPunkty = nullptr;
    QSpinBox* edNrPunktu = nullptr;

private:
    void addRow(int row, const Checkpoint& checkpoint);

    TDM3& dm_;
};

// "Czytniki": every instrument with its description. "OK" saves, "Anuluj" changes nothing.
class InstrumentWindow : public QDialog {
    Q_OBJECT
public:
    InstrumentWindow(TDM3& dm, QWidget* parent = nullptr);

    QList<InstrumentName> instruments() const;
    void OKClick();

    QTableWidget* tblCzytniki = nullptr;

private:
    TDM3& dm_;
};

} // namespace ronvalo
