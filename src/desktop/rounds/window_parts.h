// What the rounds' windows share: their tables, buttons and the row of "OK" and "Anuluj".
#pragma once

#include <QString>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

class QBoxLayout;
class QDateEdit;
class QDialog;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace ronvalo {

// An editor of table cells that takes at most `maxLength` characters.
class LimitedTextDelegate : public QStyledItemDelegate {
public:
    LimitedTextDelegate(int maxLength, QObject* parent)
        : QStyledItemDelegate(parent), maxLength_(maxLength) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

private:
    int maxLength_;
};

// A grid's cells as usual; a cell whose text its column cuts short shows the whole text as its
// tooltip, and one shown whole has none.
class CutTextTooltipDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    // The tooltip of the cell at `index` drawn in `option.rect`: its text when cut, else "".
    QString tooltipFor(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

// A table with one selected row at a time, `headers` as its column titles, the last column
// stretched.
QTableWidget* makeTable(QWidget* parent, const char* name, const QStringList& headers);
// A cell the operator does not edit; numbers are aligned right.
QTableWidgetItem* fixedCell(const QString& text, bool number = false);
// A tick the operator sets with a click.
QTableWidgetItem* tickCell(bool ticked);
bool ticked(const QTableWidgetItem* item);

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text);
// A date edit with a calendar, in the system's short date format, as the windows' date cells.
QDateEdit* makeDateEdit(QWidget* parent, const char* name);
// The row of "OK" (the default button, running `ok`, which accepts the window once it has
// saved) and "Anuluj" (closes it, nothing changed), aligned right, added to `layout`.
void addOkCancel(QDialog* window, QBoxLayout* layout, const std::function<void()>& ok);

} // namespace ronvalo
