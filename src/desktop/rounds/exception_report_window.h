// The window "Raport wyjątków": the period and the choices, the grid of rounds, the summary, and
// the printed report and CSV file made from them.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QDialog>
#include <optional>

#include "core/common/service_log.h"
#include "core/rounds/exception_report.h"
#include "core/rounds/round_colours.h"
#include "desktop/browse/csv_export.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

namespace ronvalo {

class TDM3;
class ExceptionRoundModel;

class ExceptionReportWindow : public QDialog {
    Q_OBJECT
public:
    // Starts with `kept` and writes every change back into it, so that the next window of the
    // run opens as this one closed. Reads the instruments and plans to offer; raises
    // EDatabaseError naming Obchody.db when it cannot. No round is judged yet: the first
    // judging starts once the window is shown, or with refresh().
    ExceptionReportWindow(TDM3& dm, LogWriter writeLog, ExceptionReportChoices& kept,
                          QWidget* parent = nullptr);

    ExceptionReportChoices choices() const;
    const ExceptionReport& report() const { return report_; }

    // Shows the rounds of the choices the controls hold: judged anew off the windows' thread
    // under a progress dialog when the period, instrument or plan changed, only filtered when
    // just "tylko wyjątki" did. Stopped with "Anuluj", the grid and the controls stay as they
    // were (the grid empty when nothing was judged yet).
    void refresh();
    // "Raport": the printed report in a modal preview, from which it is printed or saved as PDF.
    void btRaportClick();
    // "CSV...": the grid's rows to a file the operator names.
    void btCsvClick();
    // "CSV..." and "XLSX...": the grid's rows to a file of that format.
    void exportRounds(TableFormat format);

    QDateEdit* dtOd = nullptr;
    QDateEdit* dtDo = nullptr;
    QComboBox* cbCzytnik = nullptr;
    QComboBox* cbPlan = nullptr;
    QCheckBox* chTylkoWyjatki = nullptr;
    QPushButton* btRaport = nullptr;
    QPushButton* btCsv = nullptr;
    QPushButton* btXlsx = nullptr;
    QTableView* grid = nullptr;
    QLabel* lbPodsumowanie = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void fillOffer(const ExceptionReportChoices& start);
    void choicesChanged();
    void showJudged(const ExceptionReport& judged);
    void showControls(const ExceptionReportChoices& chosen);
    void savePdf(QWidget* parent, const QString& path, const QDateTime& builtAt) const;

    TDM3& dm_;
    LogWriter writeLog_;
    ExceptionReportChoices& kept_;
    ExceptionReport report_;                // what the grid shows
    std::optional<ExceptionReport> judged_; // every round of the choices judged last
    bool firstShow_ = true;
    ExceptionRoundModel* model_ = nullptr;
};

} // namespace ronvalo
