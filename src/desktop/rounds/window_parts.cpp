// The rounds' windows' shared parts.
#include "desktop/rounds/window_parts.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QDateEdit>
#include <QDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolTip>

#include "core/common/error_handler.h"
#include "core/common/regional.h"

namespace ronvalo {

QString CutTextTooltipDelegate::tooltipFor(const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    return sizeHint(cell, index).width() > option.rect.width() ? cell.text : QString();
}

bool CutTextTooltipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                       const QStyleOptionViewItem& option,
                                       const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    if (const QString text = tooltipFor(option, index); !text.isEmpty())
        QToolTip::showText(event->globalPos(), text, view, option.rect);
    else
        QToolTip::hideText();
    return true;
}

QWidget* LimitedTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setMaxLength(maxLength_);
    return editor;
}

QTableWidget* makeTable(QWidget* parent, const char* name, const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSectionsClickable(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    return table;
}

QTableWidgetItem* fixedCell(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QTableWidgetItem* tickCell(bool ticked) {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    return item;
}

bool ticked(const QTableWidgetItem* item) {
    return item && item->checkState() == Qt::Checked;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QDateEdit* makeDateEdit(QWidget* parent, const char* name) {
    const RegionalFormats formats = RegionalFormats::fromEnvironment();
    auto* edit = new QDateEdit(parent);
    edit->setObjectName(name);
    edit->setLocale(formats.locale);
    edit->setDisplayFormat(formats.shortDate);
    edit->setCalendarPopup(true);
    // Wide enough for the widest date of the format, whatever the digits.
    edit->setMinimumWidth(
        edit->fontMetrics().horizontalAdvance(formats.formatShortDate(QDate(2088, 12, 28))) + 40);
    return edit;
}

void addOkCancel(QDialog* window, QBoxLayout* layout, const std::function<void()>& ok) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    QPushButton* okButton = makeButton(window, "btnOK", QStringLiteral("OK"));
    okButton->setDefault(true);
    QPushButton* cancel = makeButton(window, "btnAnuluj", QStringLiteral("Anuluj"));
    for (QPushButton* button : {okButton, cancel}) {
        button->setMinimumWidth(75);
        row->addWidget(button);
    }
    QObject::connect(okButton, &QPushButton::clicked, window, guarded(ok));
    QObject::connect(cancel, &QPushButton::clicked, window, &QDialog::reject);
    layout->addLayout(row);
}

} // namespace ronvalo
