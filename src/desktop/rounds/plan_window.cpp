// The plan window: the list, the chosen plan shown and read back, the commands; the rules live in
// plan_rules, the fields are built in plan_window_fields.
#include "desktop/rounds/plan_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "core/common/clock.h"
#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "core/common/regional.h"
#include "core/rounds/change_log.h"
#include "core/rounds/plan_changes.h"
#include "core/rounds/rounds_store.h"
#include "core/store/rounds_tables.h"
#include "desktop/rounds/window_parts.h"

namespace ronvalo {

namespace {

QDate today() {
    return Clock::now().date();
}

// What a new plan starts as: every day, one round at 8:00.
Plan newPlan(const QString& instrument) {
    Plan plan;
    plan.instrument = instrument;
    plan.firstStart = QTime(8, 0);
    plan.lastStart = QTime(8, 0);
    plan.tolerance = 15;
    plan.duration = 60;
    plan.validFrom = today();
    return plan;
}

QString shortDate(const QDate& date) {
    return RegionalFormats::fromEnvironment().formatShortDate(date);
}

QString nameText(const Plan& plan) {
    return plan.name.isEmpty() ? QStringLiteral("(bez nazwy)") : plan.name;
}

// A plan that no longer holds says until when it held.
QString listText(const Plan& plan) {
    const QString name = nameText(plan);
    if (plan.validTo.isValid() && plan.validTo < today())
        return name + QStringLiteral(" (do %1)").arg(shortDate(plan.validTo));
    return name;
}

bool ended(const EditedPlan& plan) {
    return !plan.stored.isEmpty() && !inForce(plan.stored, today());
}

} // namespace

PlanWindow::PlanWindow(TDM3& dm, LogWriter writeLog, QWidget* parent)
    : QDialog(parent), dm_(dm), writeLog_(std::move(writeLog)) {
    setObjectName("frPlany");
    setWindowTitle(QStringLiteral("Plany obchodów"));
    setFont(windowFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    const QList<Checkpoint> checkpoints = loadCheckpoints(dm_);
    names_ = CheckpointNames(checkpoints);
    const QList<InstrumentName> instruments = loadInstruments(dm_);
    // Ended plans are listed as well: they judge past days, and hold their names on them.
    for (const QList<Plan>& plan : plansByName(loadPlans(dm_, PlanReading::AsStored)))
        plans_.append({plan, plan.last(), false});

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    lstPlany = new QListWidget(this);
    lstPlany->setObjectName("lstPlany");
    lstPlany->setMinimumWidth(170);
    // One line of one font each: measuring every name for the list's layout would cost a text
    // layout per plan.
    lstPlany->setUniformItemSizes(true);
    left->addWidget(lstPlany);
    auto* listButtons = new QHBoxLayout;
    QPushButton* add = makeButton(this, "btnNowy", QStringLiteral("Nowy"));
    QPushButton* remove = makeButton(this, "btnUsun", QStringLiteral("Usuń"));
    btnUsun_ = remove;
    listButtons->addWidget(add);
    listButtons->addWidget(remove);
    left->addLayout(listButtons);
    columns->addLayout(left);
    fields_ = buildFields();
    columns->addWidget(fields_, 1);
    layout->addLayout(columns);
    addOkCancel(this, layout, [this] { OKClick(); });

    for (const InstrumentName& instrument : instruments)
        cbCzytnik->addItem(instrumentLabel(instrument.instrument, instrument.description),
                           instrument.instrument);
    for (const Checkpoint& checkpoint : checkpoints)
        cbPunkt->addItem(checkpointLabel(checkpoint.number, checkpoint.name), checkpoint.number);

    connect(add, &QPushButton::clicked, this, guarded([this] { NowyClick(); }));
    connect(remove, &QPushButton::clicked, this, guarded([this] { UsunClick(); }));
    connect(lstPlany, &QListWidget::currentRowChanged, this,
            guarded([this](int row) { choose(row); }));
    connect(edNazwa, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (QListWidgetItem* item = lstPlany->currentItem(); item && shown_ >= 0) {
            Plan plan = plans_[shown_].shown;
            plan.name = text;
            item->setText(listText(plan));
        }
    });
    listPlans();
}

// The periods as stored: the edits shown above them take effect only with "OK".
void PlanWindow::showPeriods(const QList<Plan>& periods) {
    tblOkresy->setRowCount(0);
    for (const Plan& period : periods) {
        const int row = tblOkresy->rowCount();
        tblOkresy->insertRow(row);
        tblOkresy->setItem(row, FromColumn, fixedCell(shortDate(period.validFrom)));
        tblOkresy->setItem(
            row, ToColumn,
            fixedCell(period.validTo.isValid() ? shortDate(period.validTo) : QString()));
        QTableWidgetItem* rounds = fixedCell(periodSummary(period));
        rounds->setToolTip(rounds->text());
        tblOkresy->setItem(row, RoundsColumn, rounds);
    }
}

void PlanWindow::listPlans() {
    const QSignalBlocker quiet(lstPlany);
    lstPlany->clear();
    // All at once: one insertion into the model and one layout, where an item at a time made
    // the list lay itself out again for each.
    QStringList texts;
    texts.reserve(plans_.size());
    for (const EditedPlan& plan : plans_)
        if (!plan.deleted)
            texts << listText(plan.shown);
    lstPlany->addItems(texts);
    shown_ = -1;
    lstPlany->setCurrentRow(lstPlany->count() > 0 ? 0 : -1);
    choose(lstPlany->currentRow());
}

// The list shows the plans not deleted, in the order of plans_.
void PlanWindow::choose(int row) {
    if (shown_ >= 0)
        plans_[shown_].shown = planFromFields();
    shown_ = -1;
    for (int i = 0, listed = -1; i < plans_.size(); ++i)
        if (!plans_[i].deleted && ++listed == row)
            shown_ = i;
    fields_->setEnabled(shown_ >= 0);
    // Deleting an ended plan would change nothing: its periods stay for the days they judged.
    btnUsun_->setEnabled(shown_ >= 0 && !ended(plans_[shown_]));
    showPlan(shown_ >= 0 ? plans_[shown_].shown : newPlan(QString()));
    showPeriods(shown_ >= 0 ? plans_[shown_].stored : QList<Plan>());
}

void PlanWindow::showPlan(const Plan& plan) {
    edNazwa->setText(plan.name);
    int instrument = cbCzytnik->findData(plan.instrument);
    if (instrument < 0 && !plan.instrument.isEmpty()) {
        cbCzytnik->addItem(plan.instrument, plan.instrument);
        instrument = cbCzytnik->count() - 1;
    }
    cbCzytnik->setCurrentIndex(instrument);
    cbKolejnosc->setCurrentIndex(plan.order == StepOrder::Any ? 1 : 0);
    tblKroki->setRowCount(0);
    for (const PlanStep& step : plan.steps) {
        tblKroki->insertRow(tblKroki->rowCount());
        setStepRow(tblKroki->rowCount() - 1, step);
    }
    for (std::size_t i = 0; i < cbDni.size(); ++i)
        cbDni[i]->setChecked(plan.weekdays >> i & 1);
    edPierwszyStart->setTime(plan.firstStart);
    edOstatniStart->setTime(plan.lastStart);
    edCo->setValue(int(plan.interval)); // the stored plans passed the rules: a day at most
    edTolerancja->setValue(int(plan.tolerance));
    edCzasObchodu->setValue(int(plan.duration));
    edOd->setDate(plan.validFrom);
    cbDo->setChecked(plan.validTo.isValid());
    edDo->setEnabled(plan.validTo.isValid());
    edDo->setDate(plan.validTo.isValid() ? plan.validTo : plan.validFrom);
}

Plan PlanWindow::planFromFields() const {
    Plan plan = shown_ >= 0 ? plans_[shown_].shown : Plan();
    plan.name = edNazwa->text().trimmed();
    plan.instrument = cbCzytnik->currentData().toString();
    plan.order = cbKolejnosc->currentIndex() == 1 ? StepOrder::Any : StepOrder::Fixed;
    plan.steps.clear();
    for (int row = 0; row < tblKroki->rowCount(); ++row)
        plan.steps.append({tblKroki->item(row, NumberColumn)->text().toInt(),
                           ticked(tblKroki->item(row, OptionalColumn))});
    plan.weekdays = 0;
    for (std::size_t i = 0; i < cbDni.size(); ++i)
        plan.weekdays |= cbDni[i]->isChecked() ? 1 << i : 0;
    plan.firstStart = edPierwszyStart->time();
    plan.lastStart = edOstatniStart->time();
    plan.interval = edCo->value();
    plan.tolerance = edTolerancja->value();
    plan.duration = edCzasObchodu->value();
    plan.validFrom = edOd->date();
    plan.validTo = cbDo->isChecked() ? edDo->date() : QDate();
    return plan;
}

void PlanWindow::setStepRow(int row, const PlanStep& step) {
    tblKroki->setItem(row, LpColumn, fixedCell(QString::number(row + 1), true));
    tblKroki->setItem(row, NumberColumn, fixedCell(QString::number(step.checkpoint), true));
    tblKroki->setItem(row, NameColumn, fixedCell(names_.name(step.checkpoint)));
    tblKroki->setItem(row, OptionalColumn, tickCell(step.optional));
}

void PlanWindow::addStep() {
    if (cbPunkt->currentIndex() < 0)
        return;
    const int row = tblKroki->rowCount();
    tblKroki->insertRow(row);
    setStepRow(row, {cbPunkt->currentData().toInt(), false});
    tblKroki->setCurrentCell(row, NumberColumn);
}

void PlanWindow::removeStep() {
    const int row = tblKroki->currentRow();
    if (row < 0)
        return;
    Plan plan = planFromFields();
    plan.steps.removeAt(row);
    showPlan(plan);
    tblKroki->setCurrentCell(std::min(row, tblKroki->rowCount() - 1), NumberColumn);
}

void PlanWindow::moveStep(int by) {
    const int row = tblKroki->currentRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= tblKroki->rowCount())
        return;
    Plan plan = planFromFields();
    plan.steps.move(row, target);
    showPlan(plan);
    tblKroki->setCurrentCell(target, NumberColumn);
}

void PlanWindow::NowyClick() {
    if (shown_ >= 0)
        plans_[shown_].shown = planFromFields();
    const QString instrument =
        cbCzytnik->count() > 0 ? cbCzytnik->itemData(0).toString() : QString();
    plans_.append({{}, newPlan(instrument), false});
    shown_ = -1;
    lstPlany->addItem(listText(plans_.last().shown));
    lstPlany->setCurrentRow(lstPlany->count() - 1);
    edNazwa->setFocus();
}

void PlanWindow::UsunClick() {
    if (shown_ < 0)
        return;
    const EditedPlan& plan = plans_[shown_];
    QString question = QStringLiteral("Usunąć plan „%1”?").arg(nameText(planFromFields()));
    if (!plan.stored.isEmpty() && plan.stored.first().validFrom < today())
        question += QStringLiteral(" Dni, w których już obowiązywał, zachowają go w raportach.");
    if (!Dialogs::current().confirm(question))
        return;
    plans_[shown_].deleted = true;
    const int row = lstPlany->currentRow();
    shown_ = -1;
    {
        const QSignalBlocker quiet(lstPlany);
        delete lstPlany->takeItem(row);
    }
    lstPlany->setCurrentRow(std::min(row, lstPlany->count() - 1));
    choose(lstPlany->currentRow());
}

QList<EditedPlan> PlanWindow::editedPlans() {
    if (shown_ >= 0)
        plans_[shown_].shown = planFromFields();
    return plans_;
}

QWidget* PlanWindow::fieldWidget(PlanField field) const {
    switch (field) {
    case PlanField::Name:
        return edNazwa;
    case PlanField::Instrument:
        return cbCzytnik;
    case PlanField::Steps:
        return tblKroki;
    case PlanField::Weekdays:
        return cbDni[0];
    case PlanField::FirstStart:
        return edPierwszyStart;
    case PlanField::LastStart:
        return edOstatniStart;
    case PlanField::Interval:
        return edCo;
    case PlanField::Tolerance:
        return edTolerancja;
    case PlanField::Duration:
        return edCzasObchodu;
    case PlanField::ValidFrom:
        return edOd;
    case PlanField::ValidTo:
        return cbDo->isChecked() ? static_cast<QWidget*>(edDo) : cbDo;
    case PlanField::None:
        break;
    }
    return nullptr;
}

int PlanWindow::listRow(qsizetype plan) const {
    int row = -1;
    for (qsizetype i = 0; i <= plan; ++i)
        row += plans_[i].deleted ? 0 : 1;
    return row;
}

// Days before today may have been shown in reports already: a change that judges them anew
// (a plan moved back, or ended earlier) goes only once the operator agrees.
bool PlanWindow::confirmPastChanges(const PlanSave& save) {
    for (qsizetype i = 0; i < plans_.size() && i < save.after.size(); ++i) {
        const QDate day = firstPastDayChanged(plans_[i].stored, save.after[i], today());
        if (!day.isValid())
            continue;
        lstPlany->setCurrentRow(listRow(i));
        const QString question =
            QStringLiteral("Zmiana planu „%1” obejmuje dni już minione (od %2): raporty tych dni, "
                           "być może już pokazane, będą inne. Zapisać zmianę?")
                .arg(plans_[i].shown.name, shortDate(day));
        if (!Dialogs::current().confirm(question)) {
            edOd->setFocus();
            return false;
        }
    }
    return true;
}

void PlanWindow::OKClick() {
    const PlanSave save = planSave(editedPlans(), {}, today(), names_);
    if (save.fault) {
        lstPlany->setCurrentRow(listRow(save.faulty));
        Dialogs::current().notice(save.fault.message);
        if (QWidget* widget = fieldWidget(save.fault.field))
            widget->setFocus();
        return;
    }
    if (!confirmPastChanges(save))
        return;
    if (const QString warning = overlapWarning(planOverlaps(plans_, save, {}), names_);
        !warning.isEmpty() && !Dialogs::current().confirm(warning))
        return;
    if (!save.removed.isEmpty() || !save.written.isEmpty())
        replacePlanPeriods(dm_, save.removed, save.written);
    for (const QString& line : planLogLines(plans_, save.after))
        writeLog_(line);
    accept();
}

} // namespace ronvalo
