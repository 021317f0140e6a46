// The exception report's window: its controls, the grid of rounds, the report and CSV buttons.
#include "desktop/rounds/exception_report_window.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "core/common/clock.h"
#include "core/common/error_handler.h"
#include "core/common/legacy_fonts.h"
#include "core/common/regional.h"
#include "core/report/report_painter.h"
#include "core/rounds/exception_report_pages.h"
#include "desktop/browse/csv_export.h"
#include "desktop/common/background_work.h"
#include "desktop/common/window_placement.h"
#include "desktop/proof/archive_check_window.h"
#include "desktop/report/report_preview.h"
#include "desktop/rounds/report_progress.h"
#include "desktop/rounds/window_parts.h"

namespace ronvalo {

namespace {

const QString reportTitle = QStringLiteral("Raport wyjątków");
const QString reportLogLine = QStringLiteral("Wygenerowanie raportu wyjątków");

} // namespace

// The rounds of the report as the grid's rows, coloured by status.
class ExceptionRoundModel : public QAbstractTableModel {
public:
    explicit ExceptionRoundModel(QObject* parent)
        : QAbstractTableModel(parent), titles_(exceptionReportTitles()),
          formats_(RegionalFormats::fromEnvironment()) {}

    void setRounds(const QList<ExceptionRound>& rounds) {
        beginResetModel();
        rounds_ = rounds;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rounds_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(titles_.size());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return titles_.value(section);
        return {};
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const ExceptionRound& round = rounds_[index.row()];
        if (role == Qt::BackgroundRole) {
            if (const auto colour = roundRowColour(round.status))
                return *colour;
            return {};
        }
        if (role != Qt::DisplayRole)
            return {};
        // The grid shows the day as the system writes dates; the other fields as the CSV file.
        if (index.column() == 0)
            return formats_.formatShortDate(round.day);
        return exceptionRoundFields(round).value(index.column());
    }

private:
    QStringList titles_;
    RegionalFormats formats_;
    QList<ExceptionRound> rounds_;
};

namespace {

void selectData(QComboBox* combo, const std::optional<QString>& value) {
    const int found = value ? combo->findData(*value) : 0;
    combo->setCurrentIndex(found >= 0 ? found : 0);
}

std::optional<QString> chosenData(const QComboBox* combo) {
    const QVariant data = combo->currentData();
    if (!data.isValid())
        return std::nullopt;
    return data.toString();
}

} // namespace

ExceptionReportWindow::ExceptionReportWindow(TDM3& dm, LogWriter writeLog,
                                             ExceptionReportChoices& kept, QWidget* parent)
    : QDialog(parent), dm_(dm), writeLog_(std::move(writeLog)), kept_(kept) {
    setObjectName("frRaportWyjatkow");
    setWindowTitle(reportTitle);
    setFont(windowFont());
    setModal(true);
    const ExceptionReportChoices start = kept_;
    buildControls();
    fillOffer(start);
    resize(820, 520);
}

// The first judging starts once the window stands, so that its progress shows over it and the
// window paints meanwhile.
void ExceptionReportWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (std::exchange(firstShow_, false) && !judged_)
        QTimer::singleShot(0, this, guarded([this] {
                               if (!judged_)
                                   refresh();
                           }));
}

void ExceptionReportWindow::buildControls() {
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    auto* controls = new QGridLayout;
    auto label = [this](const char* name, const QString& text) {
        auto* caption = new QLabel(text, this);
        caption->setObjectName(name);
        return caption;
    };
    for (auto [picker, name] : {std::pair{&dtOd, "dtOd"}, std::pair{&dtDo, "dtDo"}}) {
        *picker = new QDateEdit(this);
        (*picker)->setObjectName(name);
        (*picker)->setLocale(formats.locale);
        (*picker)->setDisplayFormat(formats.shortDate);
        (*picker)->setCalendarPopup(true);
    }
    cbCzytnik = new QComboBox(this);
    cbCzytnik->setObjectName("cbCzytnik");
    cbPlan = new QComboBox(this);
    cbPlan->setObjectName("cbPlan");
    for (QComboBox* combo : {cbCzytnik, cbPlan}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setMinimumContentsLength(16);
    }
    chTylkoWyjatki = new QCheckBox(QStringLiteral("tylko wyjątki"), this);
    chTylkoWyjatki->setObjectName("chTylkoWyjatki");
    btRaport = new QPushButton(QStringLiteral("Raport"), this);
    btRaport->setObjectName("btRaport");
    btCsv = new QPushButton(QStringLiteral("CSV..."), this);
    btCsv->setObjectName("btCsv");
    btXlsx = new QPushButton(QStringLiteral("XLSX..."), this);
    btXlsx->setObjectName("btXlsx");

    controls->addWidget(label("lbOd", QStringLiteral("od:")), 0, 0);
    controls->addWidget(dtOd, 0, 1);
    controls->addWidget(label("lbCzytnik", QStringLiteral("Czytnik:")), 0, 2);
    controls->addWidget(cbCzytnik, 0, 3);
    controls->addWidget(chTylkoWyjatki, 0, 4);
    controls->addWidget(btRaport, 0, 6);
    controls->addWidget(label("lbDo", QStringLiteral("do:")), 1, 0);
    controls->addWidget(dtDo, 1, 1);
    controls->addWidget(label("lbPlan", QStringLiteral("Plan:")), 1, 2);
    controls->addWidget(cbPlan, 1, 3);
    controls->addWidget(btCsv, 1, 6);
    controls->addWidget(btXlsx, 1, 7);
    controls->setColumnStretch(5, 1);

    model_ = new ExceptionRoundModel(this);
    grid = new QTableView(this);
    grid->setObjectName("grid");
    grid->setModel(model_);
    grid->setItemDelegate(new CutTextTooltipDelegate(grid));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->horizontalHeader()->setStretchLastSection(true);
    for (auto [column, width] : {std::pair{0, 72}, {1, 130}, {2, 130}, {3, 62}, {4, 50}, {5, 100}})
        grid->setColumnWidth(column, width);
    lbPodsumowanie = label("lbPodsumowanie", QString());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(grid, 1);
    layout->addWidget(lbPodsumowanie);

    for (QDateEdit* picker : {dtOd, dtDo})
        connect(picker, &QDateEdit::dateChanged, this, guarded([this] { choicesChanged(); }));
    for (QComboBox* combo : {cbCzytnik, cbPlan})
        connect(combo, &QComboBox::currentIndexChanged, this,
                guarded([this] { choicesChanged(); }));
    connect(chTylkoWyjatki, &QCheckBox::toggled, this, guarded([this] { choicesChanged(); }));
    connect(btRaport, &QPushButton::clicked, this, guarded([this] { btRaportClick(); }));
    connect(btCsv, &QPushButton::clicked, this, guarded([this] { btCsvClick(); }));
    connect(btXlsx, &QPushButton::clicked, this,
            guarded([this] { exportRounds(TableFormat::Xlsx); }));
}

// The offer is read before any handler is connected to a change of it, and the kept choices
// are set without each counting as a change.
void ExceptionReportWindow::fillOffer(const ExceptionReportChoices& start) {
    const ExceptionReportOffer offer = loadExceptionReportOffer(dm_);
    const QSignalBlocker quietFrom(dtOd), quietTo(dtDo), quietInstrument(cbCzytnik),
        quietPlan(cbPlan), quietTick(chTylkoWyjatki);
    const QString every = QStringLiteral("wszystkie");
    cbCzytnik->addItem(every);
    for (const InstrumentName& instrument : offer.instruments)
        cbCzytnik->addItem(instrumentLabel(instrument.instrument, instrument.description),
                           instrument.instrument);
    cbPlan->addItem(every);
    for (const QString& plan : offer.plans)
        cbPlan->addItem(plan, plan);
    showControls(start);
    chTylkoWyjatki->setChecked(start.exceptionsOnly);
}

ExceptionReportChoices ExceptionReportWindow::choices() const {
    ExceptionReportChoices result;
    result.from = dtOd->date();
    result.to = dtDo->date();
    result.instrument = chosenData(cbCzytnik);
    result.plan = chosenData(cbPlan);
    result.exceptionsOnly = chTylkoWyjatki->isChecked();
    return result;
}

void ExceptionReportWindow::choicesChanged() {
    kept_ = choices();
    refresh();
}

namespace {

// Whether a report judged under `judged` holds the rounds of `chosen`: the tick only filters.
bool sameJudging(const ExceptionReportChoices& judged, const ExceptionReportChoices& chosen) {
    return judged.from == chosen.from && judged.to == chosen.to &&
           judged.instrument == chosen.instrument && judged.plan == chosen.plan;
}

} // namespace

void ExceptionReportWindow::refresh() {
    const ExceptionReportChoices chosen = choices();
    if (judged_ && sameJudging(judged_->choices, chosen)) {
        showJudged(*judged_);
        return;
    }
    std::optional<ExceptionReport> made;
    try {
        made = judgeWithProgress(this, dm_, chosen);
    } catch (...) {
        // No rounds stay under choices they were not judged for (a plan refused, a period too
        // long): the window shows none, and the message says why.
        judged_.reset();
        report_ = ExceptionReport();
        report_.choices = chosen;
        model_->setRounds(report_.rounds);
        lbPodsumowanie->clear();
        throw;
    }
    if (!made) {
        // Stopped: the controls go back to what the grid shows, so that the two agree.
        if (judged_)
            showControls(judged_->choices);
        kept_ = choices();
        return;
    }
    judged_ = std::move(made);
    showJudged(*judged_);
}

void ExceptionReportWindow::showJudged(const ExceptionReport& judged) {
    report_ = shownRounds(judged, chTylkoWyjatki->isChecked());
    model_->setRounds(report_.rounds);
    lbPodsumowanie->setText(exceptionReportSummary(report_));
}

void ExceptionReportWindow::showControls(const ExceptionReportChoices& chosen) {
    const QSignalBlocker quietFrom(dtOd), quietTo(dtDo), quietInstrument(cbCzytnik),
        quietPlan(cbPlan);
    dtOd->setDate(chosen.from);
    dtDo->setDate(chosen.to);
    selectData(cbCzytnik, chosen.instrument);
    selectData(cbPlan, chosen.plan);
}

void ExceptionReportWindow::btRaportClick() {
    // The pages say whether the tables the report was made from are intact: checked first, and
    // no report when the operator stops the check.
    const auto checked = checkArchiveWithProgress(this, dm_);
    if (!checked)
        return;
    report_.archive = archiveSeal(*checked);
    const QDateTime builtAt = Clock::now();
    std::unique_ptr<ExceptionReportPages> pages;
    if (!runWithProgress(this, {reportTitle, QStringLiteral("Układanie stron raportu...")},
                         [&](const WorkProgress& progress) {
                             pages = std::make_unique<ExceptionReportPages>(
                                 report_, builtAt, ReportLayout(), progress);
                         }))
        return;
    writeLog_(reportLogLine);
    // The printer exists only while the preview is open: building one asks the print system.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(reportPageLayout());
    printer.setDocName(reportTitle);
    ReportPreviewDialog preview(&printer, *pages, this);
    preview.addPdfSaving(
        reportTitle, QStringLiteral("raport_wyjatkow.pdf"),
        [this, &preview, builtAt](const QString& path) { savePdf(&preview, path, builtAt); });
    preview.exec();
}

// The file is written by pages of the worker's own (their measuring fonts are not shared
// between threads), laid out again for it, then painted page by page; stopped, nothing is
// left under the name.
void ExceptionReportWindow::savePdf(QWidget* parent, const QString& path,
                                    const QDateTime& builtAt) const {
    runWithProgress(parent,
                    {QStringLiteral("Zapisz PDF"), QStringLiteral("Zapisywanie pliku PDF...")},
                    [&](const WorkProgress& progress) {
                        ExceptionReportPages pages(
                            report_, builtAt, ReportLayout(),
                            [&](qint64 done, qint64 total) { return progress(done, 2 * total); });
                        pages.setPrintProgress([&](qint64 done, qint64 total) {
                            return progress(total + done, 2 * total);
                        });
                        writeReportPdf(path, reportTitle, pages);
                    });
}

void ExceptionReportWindow::btCsvClick() {
    exportRounds(TableFormat::Csv);
}

void ExceptionReportWindow::exportRounds(TableFormat format) {
    const QString path = askTableFileName(format, QStringLiteral("raport_wyjatkow"));
    if (path.isEmpty())
        return;
    writeLog_(reportLogLine);
    writeTableFile(
        this, format, path,
        {exceptionReportColumns(), exceptionRoundRows(report_.rounds), report_.rounds.size()});
}

} // namespace ronvalo
