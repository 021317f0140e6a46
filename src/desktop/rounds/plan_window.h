// The window "Plany obchodów": the plans on the left, the chosen plan's fields on the right.
#pragma once

#include <QDialog>
#include <QList>
#include <array>

#include "core/common/service_log.h"
#include "core/rounds/names.h"
#include "core/rounds/plan_rules.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimeEdit;

namespace ronvalo {

class TDM3;

// Lists every plan, ended ones too, with the chosen plan's validity periods. "OK" checks every
// changed plan, asks before a change reaches days already past and before saving plans that
// overlap, then saves them all in one transaction and logs each change; or shows the first
// fault, names its field and saves nothing. "Usuń" asks first; "Anuluj" changes nothing.
class PlanWindow : public QDialog {
    Q_OBJECT
public:
    // Reads the plans, names and instruments; raises EDatabaseError naming Obchody.db.
    PlanWindow(TDM3& dm, LogWriter writeLog, QWidget* parent = nullptr);

    void NowyClick();
    void UsunClick();
    void OKClick();
    void addStep();
    void removeStep();
    void moveStep(int by); // -1 up, 1 down

    // The plans as the window holds them, the one shown with its fields as they stand.
    QList<EditedPlan> editedPlans();

    QListWidget* lstPlany = nullptr;
    QLineEdit* edNazwa = nullptr;
    QComboBox* cbCzytnik = nullptr;
    QComboBox* cbKolejnosc = nullptr;
    QTableWidget* tblKroki = nullptr;
    QComboBox* cbPunkt = nullptr;
    std::array<QCheckBox*, 7> cbDni{}; // Monday ... Sunday
    QTimeEdit* edPierwszyStart = nullptr;
    QTimeEdit* edOstatniStart = nullptr;
    QSpinBox* edCo = nullptr;
    QSpinBox* edTolerancja = nullptr;
    QSpinBox* edCzasObchodu = nullptr;
    QDateEdit* edOd = nullptr;
    QCheckBox* cbDo = nullptr;
    QDateEdit* edDo = nullptr;
    QTableWidget* tblOkresy = nullptr; // the chosen plan's stored validity periods

private:
    enum StepColumn { LpColumn, NumberColumn, NameColumn, OptionalColumn };
    enum PeriodColumn { FromColumn, ToColumn, RoundsColumn };
    static constexpr std::array<const char*, 7> dayCaptions{"Pn", "Wt", "Śr", "Cz",
                                                            "Pt", "So", "Nd"};
    static constexpr std::array<const char*, 7> dayNames{"cbPn", "cbWt", "cbSr", "cbCz",
                                                         "cbPt", "cbSo", "cbNd"};

    QWidget* buildFields();
    QWidget* buildSteps();
    QWidget* buildTimes();
    QWidget* buildPeriods();
    void showPeriods(const QList<Plan>& periods);
    bool confirmPastChanges(const PlanSave& save);
    int listRow(qsizetype plan) const;
    void listPlans();
    void choose(int row);
    void showPlan(const Plan& plan);
    Plan planFromFields() const;
    void setStepRow(int row, const PlanStep& step);
    QWidget* fieldWidget(PlanField field) const;

    TDM3& dm_;
    LogWriter writeLog_;
    CheckpointNames names_;
    QList<EditedPlan> plans_; // the listed ones and the deleted ones, in list order
    QPushButton* btnUsun_ = nullptr;
    int shown_ = -1; // index into plans_, -1 when none
    QWidget* fields_ = nullptr;
};

} // namespace ronvalo
