// The punch grid's cell painting: the handler's background applies to selected cells too.
#include "desktop/browse/punch_grid.h"

#include "desktop/browse/punch_table_model.h"

namespace ronvalo {

PunchCellDelegate::PunchCellDelegate(CellParamsHandler handler, QObject* parent)
    : QStyledItemDelegate(parent), handler_(std::move(handler)) {}

QStyleOptionViewItem PunchCellDelegate::cellOption(const QStyleOptionViewItem& base,
                                                   const QModelIndex& index) const {
    QStyleOptionViewItem option = base;
    initStyleOption(&option, index);
    return option;
}

void PunchCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto* model = qobject_cast<const PunchTableModel*>(index.model());
    if (!handler_ || !model || !index.isValid())
        return;
    const bool highlight = option->state.testFlag(QStyle::State_Selected);
    const QColor gridBackground = highlight ? option->palette.color(QPalette::Highlight)
                                            : (option->backgroundBrush.style() == Qt::NoBrush
                                                   ? option->palette.color(QPalette::Base)
                                                   : option->backgroundBrush.color());
    QColor background = gridBackground;
    QFont font = option->font;
    Punch row;
    try {
        row = model->punchAt(index.row());
    } catch (const std::exception&) {
        return; // the model reports a failed read once; the cell stays plain
    }
    handler_(row, font, background, highlight);
    option->font = font;
    if (background == gridBackground)
        return;
    // A selected cell is filled with the highlight colour; the text keeps the grid's colour.
    option->backgroundBrush = background;
    if (highlight) {
        option->palette.setColor(QPalette::Highlight, background);
        option->palette.setColor(QPalette::Inactive, QPalette::Highlight, background);
    }
}

} // namespace ronvalo
