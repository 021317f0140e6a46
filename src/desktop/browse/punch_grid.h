// The cell painting of the punch grid: each cell's font and background asked of a handler.
#pragma once

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>
#include <functional>

#include "core/store/punch.h"

namespace ronvalo {

// Called for every cell painted, with the row's punch, the cell's font and background as the
// grid set them, and whether the cell is the selected one; may change font and background.
using CellParamsHandler =
    std::function<void(const Punch& row, QFont& font, QColor& background, bool highlight)>;

class PunchCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    PunchCellDelegate(CellParamsHandler handler, QObject* parent);

    // The option a cell is painted with (public so that a test can look at it).
    QStyleOptionViewItem cellOption(const QStyleOptionViewItem& base,
                                    const QModelIndex& index) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    CellParamsHandler handler_;
};

} // namespace ronvalo
