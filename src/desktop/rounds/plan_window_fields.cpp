// The plan window's fields: the name and instrument, the steps table, the times and days, and
// the validity periods, built where the window was designed to have them.
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
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "core/common/error_handler.h"
#include "core/common/regional.h"
#include "desktop/rounds/window_parts.h"

namespace ronvalo {

namespace {

QSpinBox* minutes(QWidget* parent, const char* name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, 24 * 60);
    return box;
}

QTimeEdit* timeEdit(QWidget* parent, const char* name) {
    auto* edit = new QTimeEdit(parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QStringLiteral("HH:mm"));
    return edit;
}

} // namespace

QWidget* PlanWindow::buildFields() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    edNazwa = new QLineEdit(panel);
    edNazwa->setObjectName("edNazwa");
    edNazwa->setMaxLength(maxNameLength);
    cbCzytnik = new QComboBox(panel);
    cbCzytnik->setObjectName("cbCzytnik");
    cbKolejnosc = new QComboBox(panel);
    cbKolejnosc->setObjectName("cbKolejnosc");
    cbKolejnosc->addItems({QStringLiteral("stała"), QStringLiteral("dowolna")});
    form->addRow(QStringLiteral("Nazwa:"), edNazwa);
    form->addRow(QStringLiteral("Czytnik:"), cbCzytnik);
    form->addRow(QStringLiteral("Kolejność:"), cbKolejnosc);
    layout->addLayout(form);
    layout->addWidget(buildSteps(), 1);
    layout->addWidget(buildTimes());
    layout->addWidget(buildPeriods());
    return panel;
}

QWidget* PlanWindow::buildSteps() {
    auto* group = new QGroupBox(QStringLiteral("Punkty obchodu"), this);
    group->setObjectName("gbKroki");
    auto* layout = new QVBoxLayout(group);
    tblKroki = makeTable(group, "tblKroki",
                         {QStringLiteral("Lp."), QStringLiteral("Nr pkt."), QStringLiteral("Nazwa"),
                          QStringLiteral("Opcjonalny")});
    tblKroki->horizontalHeader()->setStretchLastSection(false);
    tblKroki->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    tblKroki->setColumnWidth(LpColumn, 36);
    tblKroki->setColumnWidth(NumberColumn, 60);
    tblKroki->setColumnWidth(OptionalColumn, 75);
    tblKroki->setMinimumHeight(150);
    layout->addWidget(tblKroki);
    auto* buttons = new QHBoxLayout;
    cbPunkt = new QComboBox(group);
    cbPunkt->setObjectName("cbPunkt");
    cbPunkt->setMinimumContentsLength(16);
    buttons->addWidget(cbPunkt, 1);
    const std::array<std::pair<const char*, const char*>, 4> captions{{{"btnDodajKrok", "Dodaj"},
                                                                       {"btnUsunKrok", "Usuń"},
                                                                       {"btnWGore", "W górę"},
                                                                       {"btnWDol", "W dół"}}};
    std::array<QPushButton*, 4> made{};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        made[i] = makeButton(group, captions[i].first, QString::fromUtf8(captions[i].second));
        buttons->addWidget(made[i]);
    }
    connect(made[0], &QPushButton::clicked, this, guarded([this] { addStep(); }));
    connect(made[1], &QPushButton::clicked, this, guarded([this] { removeStep(); }));
    connect(made[2], &QPushButton::clicked, this, guarded([this] { moveStep(-1); }));
    connect(made[3], &QPushButton::clicked, this, guarded([this] { moveStep(1); }));
    layout->addLayout(buttons);
    return group;
}

QWidget* PlanWindow::buildTimes() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* days = new QHBoxLayout;
    for (std::size_t i = 0; i < cbDni.size(); ++i) {
        cbDni[i] = new QCheckBox(QString::fromUtf8(dayCaptions[i]), panel);
        cbDni[i]->setObjectName(dayNames[i]);
        days->addWidget(cbDni[i]);
    }
    days->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("Dni:"), panel), 0, 0);
    grid->addLayout(days, 0, 1, 1, 4);
    edPierwszyStart = timeEdit(panel, "edPierwszyStart");
    edOstatniStart = timeEdit(panel, "edOstatniStart");
    edCo = minutes(panel, "edCo");
    edTolerancja = minutes(panel, "edTolerancja");
    edCzasObchodu = minutes(panel, "edCzasObchodu");
    const std::array<std::pair<const char*, QWidget*>, 5> rows{{
        {"Pierwszy start:", edPierwszyStart},
        {"Ostatni start:", edOstatniStart},
        {"Co (min):", edCo},
        {"Tolerancja (min):", edTolerancja},
        {"Czas obchodu (min):", edCzasObchodu},
    }};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = 1 + static_cast<int>(i % 3);
        const int column = i < 3 ? 0 : 2;
        grid->addWidget(new QLabel(QString::fromUtf8(rows[i].first), panel), row, column);
        grid->addWidget(rows[i].second, row, column + 1);
    }
    edOd = makeDateEdit(panel, "edOd");
    cbDo = new QCheckBox(QStringLiteral("do:"), panel);
    cbDo->setObjectName("cbDo");
    edDo = makeDateEdit(panel, "edDo");
    connect(cbDo, &QCheckBox::toggled, edDo, &QWidget::setEnabled);
    auto* validity = new QHBoxLayout;
    validity->addWidget(edOd);
    validity->addSpacing(12);
    validity->addWidget(cbDo);
    validity->addWidget(edDo);
    validity->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("Obowiązuje od:"), panel), 4, 0);
    grid->addLayout(validity, 4, 1, 1, 4);
    grid->setColumnStretch(4, 1);
    return panel;
}

QWidget* PlanWindow::buildPeriods() {
    auto* group = new QGroupBox(QStringLiteral("Okresy obowiązywania"), this);
    group->setObjectName("gbOkresy");
    auto* layout = new QVBoxLayout(group);
    tblOkresy = makeTable(group, "tblOkresy",
                          {QStringLiteral("Od"), QStringLiteral("Do"), QStringLiteral("Obchody")});
    tblOkresy->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int dateWidth =
        tblOkresy->fontMetrics().horizontalAdvance(
            RegionalFormats::fromEnvironment().formatShortDate(QDate(2088, 12, 28))) +
        16;
    tblOkresy->setColumnWidth(FromColumn, dateWidth);
    tblOkresy->setColumnWidth(ToColumn, dateWidth);
    // A period's rounds take two lines rather than being cut.
    tblOkresy->setWordWrap(true);
    tblOkresy->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblOkresy->setFixedHeight(tblOkresy->horizontalHeader()->sizeHint().height() +
                              5 * tblOkresy->verticalHeader()->defaultSectionSize() + 4);
    layout->addWidget(tblOkresy);
    return group;
}

} // namespace ronvalo
