// The punch grid's model: counting on refresh, reading rows as the view asks for them.
#include "desktop/browse/punch_table_model.h"

#include <QMetaObject>
#include <limits>

#include "core/common/csv_writer.h"
#include "core/common/error_handler.h"
#include "core/common/exception.h"
#include "core/store/data_module.h"

namespace ronvalo {

namespace {

const char* const columnTitles[] = {"Data", "Czas", "Nr pkt.", "Nr czytnika", "Nr odczytu"};

} // namespace

PunchTableModel::PunchTableModel(TDM3& module, QObject* parent)
    : QAbstractTableModel(parent), module_(module), formats_(RegionalFormats::fromEnvironment()),
      pages_(module) {
    connect(&module_, &TDM3::punchesChanged, this, guarded([this] { refresh(); }));
}

void PunchTableModel::refresh() {
    beginResetModel();
    readFailed_ = false;
    try {
        if (module_.connected())
            pages_.reset();
        else
            pages_.clear();
    } catch (...) {
        pages_.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

Punch PunchTableModel::punchAt(int row) const {
    return pages_.at(row);
}

QStringList PunchTableModel::titles() {
    QStringList result;
    for (const char* title : columnTitles)
        result << QString::fromUtf8(title);
    return result;
}

TableColumns PunchTableModel::columns() {
    return {titles(),
            {CellKind::Date, CellKind::Time, CellKind::Number, CellKind::Text, CellKind::Number}};
}

QStringList PunchTableModel::csvFields(const Punch& punch) {
    return {csvDate(punch.Data), csvTime(punch.Czas), QString::number(punch.Nrwewpkt), punch.Nrczyt,
            QString::number(punch.NrSczytania)};
}

int PunchTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    // A view counts rows in int; a larger selection shows its first 2^31-1 rows.
    return int(std::min<qint64>(pages_.count(), std::numeric_limits<int>::max()));
}

int PunchTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant PunchTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || readFailed_)
        return {};
    Punch punch;
    try {
        punch = punchAt(index.row());
    } catch (const std::exception& error) {
        // Painting must not raise: report the failure once, after the paint, and show blanks.
        readFailed_ = true;
        QMetaObject::invokeMethod(
            const_cast<PunchTableModel*>(this),
            [text = QString::fromUtf8(error.what())] { handleException(Exception(text)); },
            Qt::QueuedConnection);
        return {};
    }
    switch (index.column()) {
    case 0:
        return formats_.formatShortDate(punch.Data);
    case 1:
        return formats_.formatLongTime(punch.Czas);
    case 2:
        return punch.Nrwewpkt;
    case 3:
        return punch.Nrczyt;
    default:
        return punch.NrSczytania;
    }
}

QVariant PunchTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < 5)
        return QString::fromUtf8(columnTitles[section]);
    return {};
}

} // namespace ronvalo
