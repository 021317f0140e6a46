// The two name windows: a table each, read from and saved to Obchody.db.
#include "desktop/rounds/name_windows.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "core/rounds/change_log.h"
#include "core/rounds/plan_rules.h"
#include "core/rounds/rounds_store.h"
#include "core/store/rounds_tables.h"
#include "desktop/rounds/window_parts.h"

namespace ronvalo {

namespace {

enum CheckpointColumn { NumberColumn, NameColumn, IncidentColumn };
enum InstrumentColumn { InstrumentColumn, DescriptionColumn };

void prepareWindow(QDialog& window, const char* name, const QString& title) {
    window.setObjectName(name);
    window.setWindowTitle(title);
    window.setFont(windowFont());
    window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
}

void writeLines(const LogWriter& writeLog, const QStringList& lines) {
    for (const QString& line : lines)
        writeLog(line);
}

} // namespace

CheckpointWindow::CheckpointWindow(TDM3& dm, LogWriter writeLog, QWidget* parent)
    : QDialog(parent), dm_(dm), writeLog_(std::move(writeLog)) {
    prepareWindow(*this, "frPunkty", QStringLiteral("Punkty kontrolne"));
    auto* layout = new QVBoxLayout(this);
    tblPunkty = makeTable(
        this, "tblPunkty",
        {QStringLiteral("Nr pkt."), QStringLiteral("Nazwa"), QStringLiteral("Zdarzenie")});
    tblPunkty->setItemDelegateForColumn(NameColumn,
                                        new LimitedTextDelegate(maxNameLength, tblPunkty));
    tblPunkty->horizontalHeader()->setStretchLastSection(false);
    tblPunkty->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    tblPunkty->setColumnWidth(NumberColumn, 60);
    tblPunkty->setColumnWidth(IncidentColumn, 70);
    stored_ = loadCheckpoints(dm_);
    punched_ = punchedCheckpoints(dm_);
    for (const Plan& plan : loadPlans(dm_, PlanReading::AsStored))
        for (const PlanStep& step : plan.steps)
            planned_.insert(step.checkpoint, plan.name);
    for (const Checkpoint& checkpoint : std::as_const(stored_))
        addRow(tblPunkty->rowCount(), checkpoint);
    layout->addWidget(tblPunkty);

    auto* adding = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Nr pkt.:"), this);
    caption->setObjectName("lbNrPunktu");
    edNrPunktu = new QSpinBox(this);
    edNrPunktu->setObjectName("edNrPunktu");
    edNrPunktu->setRange(1, 999999);
    caption->setBuddy(edNrPunktu);
    QPushButton* add = makeButton(this, "btnDodaj", QStringLiteral("Dodaj"));
    connect(add, &QPushButton::clicked, this,
            guarded([this] { addCheckpoint(edNrPunktu->value()); }));
    QPushButton* remove = makeButton(this, "btnUsun", QStringLiteral("Usuń"));
    connect(remove, &QPushButton::clicked, this, guarded([this] { removeCheckpoint(); }));
    adding->addWidget(caption);
    adding->addWidget(edNrPunktu);
    adding->addWidget(add);
    adding->addWidget(remove);
    adding->addStretch();
    layout->addLayout(adding);
    addOkCancel(this, layout, [this] { OKClick(); });
    resize(460, 420);
}

void CheckpointWindow::addRow(int row, const Checkpoint& checkpoint) {
    tblPunkty->insertRow(row);
    tblPunkty->setItem(row, NumberColumn, fixedCell(QString::number(checkpoint.number), true));
    tblPunkty->setItem(row, NameColumn, new QTableWidgetItem(checkpoint.name));
    tblPunkty->setItem(row, IncidentColumn, tickCell(checkpoint.incident));
}

QList<Checkpoint> CheckpointWindow::checkpoints() const {
    QList<Checkpoint> result;
    for (int row = 0; row < tblPunkty->rowCount(); ++row)
        result.append({tblPunkty->item(row, NumberColumn)->text().toInt(),
                       tblPunkty->item(row, NameColumn)->text().trimmed(),
                       ticked(tblPunkty->item(row, IncidentColumn))});
    return result;
}

void CheckpointWindow::addCheckpoint(qint32 number) {
    if (number <= 0) {
        Dialogs::current().notice(
            QStringLiteral("Numer punktu kontrolnego musi być większy od zera (pole „Nr pkt.”)."));
        edNrPunktu->setFocus();
        return;
    }
    int row = 0;
    while (row < tblPunkty->rowCount() &&
           tblPunkty->item(row, NumberColumn)->text().toInt() < number)
        ++row;
    if (row == tblPunkty->rowCount() ||
        tblPunkty->item(row, NumberColumn)->text().toInt() != number)
        addRow(row, {number, QString(), incidentByDefault(number)});
    tblPunkty->setCurrentCell(row, NameColumn);
    tblPunkty->setFocus();
}

void CheckpointWindow::removeCheckpoint() {
    const int row = tblPunkty->currentRow();
    if (row < 0)
        return;
    const qint32 number = tblPunkty->item(row, NumberColumn)->text().toInt();
    const QString stays = QStringLiteral("Punkt %1 pozostaje na liście: ").arg(number);
    if (punched_.contains(number))
        Dialogs::current().notice(stays + QStringLiteral("występuje w odbiciach. Można usunąć "
                                                         "jego nazwę w kolumnie „Nazwa”."));
    else if (planned_.contains(number))
        Dialogs::current().notice(
            stays + QStringLiteral("należy do planu „%1”.").arg(planned_.value(number)));
    else
        tblPunkty->removeRow(row);
}

void CheckpointWindow::OKClick() {
    const QList<Checkpoint> saved = checkpoints();
    saveCheckpoints(dm_, saved);
    writeLines(writeLog_, checkpointLogLines(stored_, saved));
    accept();
}

InstrumentWindow::InstrumentWindow(TDM3& dm, LogWriter writeLog, QWidget* parent)
    : QDialog(parent), dm_(dm), writeLog_(std::move(writeLog)) {
    prepareWindow(*this, "frCzytniki", QStringLiteral("Czytniki"));
    auto* layout = new QVBoxLayout(this);
    tblCzytniki =
        makeTable(this, "tblCzytniki", {QStringLiteral("Nr czytnika"), QStringLiteral("Opis")});
    tblCzytniki->setItemDelegateForColumn(DescriptionColumn,
                                          new LimitedTextDelegate(maxNameLength, tblCzytniki));
    tblCzytniki->setColumnWidth(InstrumentColumn, 90);
    stored_ = loadInstruments(dm_);
    for (const InstrumentName& instrument : std::as_const(stored_)) {
        const int row = tblCzytniki->rowCount();
        tblCzytniki->insertRow(row);
        tblCzytniki->setItem(row, InstrumentColumn, fixedCell(instrument.instrument));
        tblCzytniki->setItem(row, DescriptionColumn, new QTableWidgetItem(instrument.description));
    }
    layout->addWidget(tblCzytniki);
    addOkCancel(this, layout, [this] { OKClick(); });
    resize(420, 360);
}

QList<InstrumentName> InstrumentWindow::instruments() const {
    QList<InstrumentName> result;
    for (int row = 0; row < tblCzytniki->rowCount(); ++row)
        result.append({tblCzytniki->item(row, InstrumentColumn)->text(),
                       tblCzytniki->item(row, DescriptionColumn)->text().trimmed()});
    return result;
}

void InstrumentWindow::OKClick() {
    const QList<InstrumentName> saved = instruments();
    saveInstruments(dm_, saved);
    writeLines(writeLog_, instrumentLogLines(stored_, saved));
    accept();
}

} // namespace ronvalo
