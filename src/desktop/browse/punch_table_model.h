// The punch grid's model: the filtered punch table read a page at a time, five columns.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "core/common/regional.h"
#include "core/common/table_writer.h"
#include "core/store/punch_pages.h"

namespace ronvalo {

class TDM3;

class PunchTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PunchTableModel(TDM3& module, QObject* parent = nullptr);

    // Reads the count of the module's current selection again and forgets every row read.
    void refresh();
    // The punch shown in `row` (a valid row).
    Punch punchAt(int row) const;

    // The column titles, and a row's cells as a CSV file holds them: the grid's values, with
    // the date and time in the ISO forms a spreadsheet reads in any locale.
    static QStringList titles();
    static QStringList csvFields(const Punch& punch);
    // The titles with their columns' kinds, for a spreadsheet: the instrument's number is text.
    static TableColumns columns();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TDM3& module_;
    RegionalFormats formats_;
    mutable PunchPages pages_;
    mutable bool readFailed_ = false;
};

} // namespace ronvalo
