// The punch browser TfrOdbicia: the selection controls, the punch grid and the report button.
#pragma once

#include <QDialog>
#include <functional>

#include "core/common/service_log.h"
#include "core/store/punch_filter.h"
#include "desktop/browse/csv_export.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QTableView;
class QToolButton;

namespace ronvalo {

class PunchTableModel;
class TDM3;
class TfrRaport2;

// Appends one line to the service log.

class TfrOdbicia : public QDialog {
    Q_OBJECT
public:
    // Becomes the source of the punch filter's criteria of `module` for its lifetime.
    TfrOdbicia(TDM3& module, LogWriter writeLog, QWidget* parent = nullptr);
    ~TfrOdbicia() override;

    // The report the "Raport" button fills in and previews (created after this window).
    void setReportForm(TfrRaport2* form) { report_ = form; }

    // The selection the controls hold now.
    PunchCriteria criteria() const;

    void DatePicker1CloseUp();
    void CheckBox1Click();
    void CheckBox2Click();
    void RxDBGrid1GetCellParams(const Punch& row, QFont& font, QColor& background, bool highlight);
    void SpeedButton1Click();
    // The grid's context menu: every row of the selection to a CSV or XLSX file the operator
    // names.
    void ZapiszjakoCSV1Click();
    void exportGrid(TableFormat format);

    // Fills both lookup combos from their tables again, keeping the selected keys that remain.
    void refillLookups();

    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QDateEdit* DatePicker1 = nullptr;
    QDateEdit* DatePicker2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QComboBox* RxDBLookupCombo3 = nullptr;
    QComboBox* RxDBLookupCombo1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QTableView* RxDBGrid1 = nullptr;
    QMenu* PopupMenu1 = nullptr; // the grid's context menu
    QAction* ZapiszjakoCSV1 = nullptr;
    QAction* ZapiszjakoXLSX1 = nullptr;
    PunchTableModel* model() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;
    // Escape leaves the window open: it has no cancel button and is closed by its close box
    // only, and an Escape meant for a drop-down that has just closed must not close it too.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void buildPanel();
    void buildGrid();
    void buildGridMenu();
    void connectHandlers();
    void standOnFirstRow();
    // The punch row the grid stands on, if any.
    std::optional<Punch> currentRow() const;

    TDM3& module_;
    LogWriter writeLog_;
    TfrRaport2* report_ = nullptr;
    PunchTableModel* model_ = nullptr;
};

// The command "Odbicia": the browser shown modally with the punch filter on; the filter goes off
// when it closes, also when showing it failed.
void showPunchBrowser(TDM3& module, TfrOdbicia& browser);

} // namespace ronvalo
