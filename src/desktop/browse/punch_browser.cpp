// The punch browser's window: its controls, their handlers and the report button.
#include "desktop/browse/punch_browser.h"
#include "desktop/common/window_placement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/dialogs.h"
#include "core/common/error_handler.h"
#include "core/common/exception.h"
#include "core/common/legacy_fonts.h"
#include "core/common/regional.h"
#include "core/store/data_module.h"
#include "desktop/browse/calendar_close_up.h"
#include "desktop/browse/csv_export.h"
#include "desktop/browse/punch_grid.h"
#include "desktop/browse/punch_table_model.h"
#include "desktop/browse/report_button_picture.h"
#include "desktop/common/child_widgets.h"
#include "desktop/report/report_form.h"

namespace ronvalo {

namespace {

// The date both pickers hold when the window is built.
const QDate initialDate(2000, 11, 26);

const QString noInstrument =
    QStringLiteral("Wygenerowanie raportu niemożliwe! Wybierz nr czytnika.");
const QString noDownload = QStringLiteral("Wygenerowanie raportu niemożliwe! Wybierz nr odczytu.");
// A download without punch rows has no instrument number to print.
const QString emptyDownload =
    QStringLiteral("Wygenerowanie raportu niemożliwe! Odczyt nr %1 nie zawiera odbić.");

// Widens a caption to its text where this system's font needs more room than the window's own:
// a right-aligned one keeps its right edge.
void fitText(QWidget* widget) {
    const int needed = widget->sizeHint().width();
    if (needed <= widget->width())
        return;
    QRect place = widget->geometry();
    const auto* label = qobject_cast<QLabel*>(widget);
    if (label && label->alignment().testFlag(Qt::AlignRight))
        place.setLeft(place.right() + 1 - needed);
    else
        place.setWidth(needed);
    widget->setGeometry(place);
}

// Widens a lookup combo to show its longest entry whole, never past `widest`.
void fitEntries(QComboBox* combo, int narrowest, int widest) {
    // Measured with the widest entry, then left alone: the combo would resize itself later.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const int needed = combo->sizeHint().width();
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
    combo->resize(std::clamp(needed, narrowest, widest), combo->height());
}

// Sets a date without the change counting as the operator's.
void setDateQuietly(QDateEdit* picker, const QDate& date) {
    const QSignalBlocker blocker(picker);
    picker->setDate(date);
}

} // namespace

TfrOdbicia::TfrOdbicia(TDM3& module, LogWriter writeLog, QWidget* parent)
    : QDialog(parent), module_(module), writeLog_(std::move(writeLog)) {
    setObjectName("frOdbicia");
    setWindowTitle(QStringLiteral("Odbicia"));
    setFont(windowFont());
    setModal(true);
    setOuterSize(*this, QSize(377, 376));
    buildPanel();
    buildGrid();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(RxDBGrid1, 1);
    connectHandlers();
    module_.setFilterCriteria(criteria());
}

TfrOdbicia::~TfrOdbicia() {
    module_.setFilterCriteria(std::nullopt);
}

void TfrOdbicia::buildPanel() {
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(105);

    Label1 = addLabel(Panel1, "Label1", QStringLiteral("od:"), {8, 16, 15, 13});
    Label2 = addLabel(Panel1, "Label2", QStringLiteral("do:"), {8, 64, 15, 13});
    Label3 = addLabel(Panel1, "Label3", QStringLiteral("nr czytnika:"), {8, 88, 54, 13});
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    for (auto [picker, name, top] : {std::tuple{&DatePicker1, "DatePicker1", 8},
                                     std::tuple{&DatePicker2, "DatePicker2", 56}}) {
        *picker = placed<QDateEdit>(Panel1, name, {32, top, 217, 21});
        (*picker)->setLocale(formats.locale);
        (*picker)->setDisplayFormat(formats.longDate);
        (*picker)->setCalendarPopup(true);
        (*picker)->setDate(initialDate);
    }
    CheckBox1 = placed<QCheckBox>(Panel1, "CheckBox1", {32, 36, 225, 17});
    CheckBox1->setText(QStringLiteral("wyświetl odbicia tylko z powyższego dnia"));
    CheckBox2 = placed<QCheckBox>(Panel1, "CheckBox2", {216, 86, 73, 17});
    CheckBox2->setText(QStringLiteral("nr odczytu:"));

    RxDBLookupCombo3 = placed<QComboBox>(Panel1, "RxDBLookupCombo3", {72, 80, 81, 21});
    RxDBLookupCombo1 = placed<QComboBox>(Panel1, "RxDBLookupCombo1", {296, 80, 65, 21});
    for (QComboBox* combo : {RxDBLookupCombo3, RxDBLookupCombo1})
        combo->setMaxVisibleItems(8);
    RxDBLookupCombo1->setEnabled(false);
    for (QWidget* caption :
         std::initializer_list<QWidget*>{Label1, Label2, Label3, CheckBox1, CheckBox2})
        fitText(caption);

    SpeedButton1 = placed<QToolButton>(Panel1, "SpeedButton1", {296, 4, 65, 53});
    SpeedButton1->setText(QStringLiteral("Raport"));
    SpeedButton1->setIcon(QIcon(reportButtonPicture()));
    SpeedButton1->setIconSize(QSize(32, 32));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);

    setTabOrder(DatePicker1, CheckBox1);
    setTabOrder(CheckBox1, DatePicker2);
    setTabOrder(DatePicker2, RxDBLookupCombo3);
    setTabOrder(RxDBLookupCombo3, RxDBLookupCombo1);
    setTabOrder(RxDBLookupCombo1, CheckBox2);
}

void TfrOdbicia::buildGrid() {
    model_ = new PunchTableModel(module_, this);
    RxDBGrid1 = new QTableView(this);
    RxDBGrid1->setObjectName("RxDBGrid1");
    RxDBGrid1->setModel(model_);
    RxDBGrid1->setItemDelegate(new PunchCellDelegate(
        [this](const Punch& row, QFont& font, QColor& background, bool highlight) {
            RxDBGrid1GetCellParams(row, font, background, highlight);
        },
        RxDBGrid1));
    RxDBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RxDBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    RxDBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    RxDBGrid1->setWordWrap(false);
    // Every row is one line high, so the view never measures rows it does not show.
    RxDBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    RxDBGrid1->verticalHeader()->setDefaultSectionSize(18);
    RxDBGrid1->verticalHeader()->setFixedWidth(12);
    RxDBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    RxDBGrid1->horizontalHeader()->setHighlightSections(false);
    for (auto [column, width] : {std::pair{0, 72}, {1, 60}, {2, 52}, {3, 76}, {4, 68}})
        RxDBGrid1->setColumnWidth(column, width);
    setTabOrder(CheckBox2, RxDBGrid1);
    buildGridMenu();
}

// Right click and the menu key both ask the grid for its menu; it opens where it was asked.
void TfrOdbicia::buildGridMenu() {
    PopupMenu1 = new QMenu(RxDBGrid1);
    PopupMenu1->setObjectName("PopupMenu1");
    ZapiszjakoCSV1 = PopupMenu1->addAction(QStringLiteral("Zapisz jako CSV..."));
    ZapiszjakoCSV1->setObjectName("ZapiszjakoCSV1");
    ZapiszjakoXLSX1 = PopupMenu1->addAction(QStringLiteral("Zapisz jako XLSX..."));
    ZapiszjakoXLSX1->setObjectName("ZapiszjakoXLSX1");
    RxDBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RxDBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(RxDBGrid1->viewport()->mapToGlobal(at));
    });
}

void TfrOdbicia::connectHandlers() {
    auto closeUp = guarded([this] { DatePicker1CloseUp(); });
    // A date typed in a picker counts at once; one chosen in its calendar when that closes.
    for (QDateEdit* picker : {DatePicker1, DatePicker2}) {
        auto* calendar = new CalendarCloseUp(*picker, closeUp);
        connect(picker, &QDateEdit::dateChanged, this, [calendar, closeUp]() mutable {
            if (!calendar->isOpen())
                closeUp();
        });
    }
    connect(RxDBLookupCombo3, &QComboBox::currentIndexChanged, this, closeUp);
    connect(RxDBLookupCombo1, &QComboBox::currentIndexChanged, this, closeUp);
    connect(CheckBox1, &QCheckBox::clicked, this, guarded([this] { CheckBox1Click(); }));
    connect(CheckBox2, &QCheckBox::clicked, this, guarded([this] { CheckBox2Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(ZapiszjakoCSV1, &QAction::triggered, this, guarded([this] { ZapiszjakoCSV1Click(); }));
    connect(ZapiszjakoXLSX1, &QAction::triggered, this,
            guarded([this] { exportGrid(TableFormat::Xlsx); }));
    // A refreshed table is positioned on its first row, as the grid's cursor.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { standOnFirstRow(); });
}

// The table follows the window's settings: they are handed over, then the table re-read.
void TfrOdbicia::refresh() {
    module_.setFilterCriteria(criteria());
    module_.Refresh();
}

PunchCriteria TfrOdbicia::criteria() const {
    PunchCriteria result;
    result.downloadMode = CheckBox2->isChecked();
    result.fromDate = DatePicker1->date();
    result.toDate = DatePicker2->date();
    if (RxDBLookupCombo3->currentIndex() >= 0)
        result.instrument = RxDBLookupCombo3->currentText();
    if (RxDBLookupCombo1->currentIndex() >= 0)
        result.download = RxDBLookupCombo1->currentData().toInt();
    return result;
}

void TfrOdbicia::DatePicker1CloseUp() {
    if (CheckBox1->isChecked())
        setDateQuietly(DatePicker2, DatePicker1->date());
    refresh();
}

void TfrOdbicia::CheckBox1Click() {
    if (CheckBox1->isChecked()) {
        setDateQuietly(DatePicker2, DatePicker1->date());
        DatePicker2->setEnabled(false);
    } else {
        DatePicker2->setEnabled(true);
    }
    refresh();
}

void TfrOdbicia::CheckBox2Click() {
    const bool downloadMode = CheckBox2->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{
             DatePicker1, DatePicker2, RxDBLookupCombo3, Label1, Label2, Label3})
        control->setEnabled(!downloadMode);
    RxDBLookupCombo1->setEnabled(downloadMode);
    refresh();
}

void TfrOdbicia::RxDBGrid1GetCellParams(const Punch& row, QFont& font, QColor& background,
                                        bool /*highlight*/) {
    if (!isMarkedCheckpoint(row.Nrwewpkt))
        return;
    background = QColor(255, 255, 0);
    font.setBold(true);
}

std::optional<Punch> TfrOdbicia::currentRow() const {
    const QModelIndex current = RxDBGrid1->currentIndex();
    if (current.isValid())
        return model_->punchAt(current.row());
    if (model_->rowCount() > 0)
        return model_->punchAt(0);
    return std::nullopt;
}

void TfrOdbicia::SpeedButton1Click() {
    if (!report_)
        throw Exception(QStringLiteral("Brak formularza raportu"));
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    PunchReport& report = *report_->QRaport1;
    if (!CheckBox2->isChecked()) {
        report.QRLabel2 = QStringLiteral("za okres od ") +
                          formats.formatShortDate(DatePicker1->date()) + QStringLiteral(" do ") +
                          formats.formatShortDate(DatePicker2->date());
        if (RxDBLookupCombo3->currentText().isEmpty()) {
            Dialogs::current().notice(noInstrument);
            return;
        }
        writeLog_(QStringLiteral("Wygenerowanie raportu"));
        report.QRLabel6 =
            QStringLiteral("Odbicia pochodzą z czytnika nr ") + RxDBLookupCombo3->currentText();
    } else {
        const QString download = RxDBLookupCombo1->currentText();
        if (download.isEmpty()) {
            Dialogs::current().notice(noDownload);
            return;
        }
        const std::optional<Punch> row = currentRow();
        if (!row) {
            Dialogs::current().notice(emptyDownload.arg(download));
            return;
        }
        report.QRLabel2 = QStringLiteral("na podstawie odczytu danych nr ") + download;
        report.QRLabel6 = QStringLiteral("Odbicia pochodzą z czytnika nr ") + row->Nrczyt;
        writeLog_(QStringLiteral("Wygenerowanie raportu"));
    }
    report.Preview(this);
}

void TfrOdbicia::ZapiszjakoCSV1Click() {
    exportGrid(TableFormat::Csv);
}

void TfrOdbicia::exportGrid(TableFormat format) {
    // The rows the grid shows, all of them, read afresh in the grid's order once the file is
    // named.
    auto rows = [this, next = std::function<bool(Punch&)>()](QStringList& fields) mutable {
        if (!next)
            next = module_.readPunches();
        Punch punch;
        if (!next(punch))
            return false;
        fields = PunchTableModel::csvFields(punch);
        return true;
    };
    exportTable(this, format, QStringLiteral("odbicia"),
                {PunchTableModel::columns(), rows, model_->rowCount()});
}

void TfrOdbicia::refillLookups() {
    const PunchCriteria before = criteria();
    {
        const QSignalBlocker blockReaders(RxDBLookupCombo3);
        RxDBLookupCombo3->clear();
        RxDBLookupCombo3->addItems(module_.readers());
        RxDBLookupCombo3->setCurrentIndex(
            before.instrument ? RxDBLookupCombo3->findText(
                                    *before.instrument, Qt::MatchExactly | Qt::MatchCaseSensitive)
                              : -1);
    }
    {
        const QSignalBlocker blockDownloads(RxDBLookupCombo1);
        RxDBLookupCombo1->clear();
        for (qint32 download : module_.downloads())
            RxDBLookupCombo1->addItem(QString::number(download), download);
        RxDBLookupCombo1->setCurrentIndex(
            before.download ? RxDBLookupCombo1->findData(*before.download) : -1);
    }
    // The instrument combo may grow up to the download box, the download combo to the edge.
    fitEntries(RxDBLookupCombo3, 81, CheckBox2->x() - 6 - RxDBLookupCombo3->x());
    fitEntries(RxDBLookupCombo1, 65, width() - 4 - RxDBLookupCombo1->x());
    const PunchCriteria after = criteria();
    // A selected row that is gone (the tables were restored) changes the selection.
    if (after.instrument != before.instrument || after.download != before.download)
        refresh();
}

void TfrOdbicia::standOnFirstRow() {
    if (model_->rowCount() > 0)
        RxDBGrid1->setCurrentIndex(model_->index(0, 0));
}

void TfrOdbicia::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrOdbicia::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(*this);
    guarded([this] { refillLookups(); })();
}

void showPunchBrowser(TDM3& module, TfrOdbicia& browser) {
    module.setFiltered(true);
    const auto filterOff =
        qScopeGuard([&module] { guarded([&] { module.setFiltered(false); })(); });
    browser.exec();
}

} // namespace ronvalo
