// The XLSX writer: typed cells through libxlsxwriter, the workbook staged beside the target.
#include "core/common/xlsx_writer.h"

#include <QDate>
#include <algorithm>
#include <xlsxwriter.h>

#include "core/common/exception.h"
#include "core/common/xlsx_check.h"

#ifndef _WIN32
#include <clocale>
#include <locale.h>
#endif

namespace ronvalo {

namespace {

// The longest text a cell holds.
constexpr qsizetype maxCellText = 32767;

// The first day of the spreadsheets' date scale: day numbers count from it.
const QDate dayZero(1899, 12, 30);

struct WorkbookFree {
    void operator()(lxw_workbook* book) const { lxw_workbook_free(book); }
};

#ifndef _WIN32
// Debian's libxlsxwriter writes numbers with printf, which follows the thread's locale: under
// a Polish locale a time of day came out "0,34375" and the spreadsheet refused the file. While
// an object of this class lives, the calling thread formats numbers the C way; other threads
// and the program's own locale are untouched. (The Windows build uses the library's own
// locale-free conversion.)
class CNumbers {
public:
    CNumbers() : locale_(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr))) {}
    ~CNumbers() {
        if (locale_ != locale_t(nullptr))
            freelocale(locale_);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

    class Use {
    public:
        explicit Use(const CNumbers& numbers)
            : previous_(numbers.locale_ != locale_t(nullptr) ? uselocale(numbers.locale_)
                                                             : locale_t(nullptr)) {}
        ~Use() {
            if (previous_ != locale_t(nullptr))
                uselocale(previous_);
        }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        locale_t previous_;
    };

private:
    locale_t locale_;
};
#else
class CNumbers {
public:
    struct Use {
        explicit Use(const CNumbers&) {}
    };
};
#endif

// The day number of "2004-04-26", or nothing for a field of another form.
std::optional<double> dayNumber(const QString& field) {
    const QDate date = QDate::fromString(field, Qt::ISODate);
    if (field.size() != 10 || !date.isValid())
        return std::nullopt;
    return double(dayZero.daysTo(date));
}

// The fraction of a day of "08:15", or nothing for a field of another form.
std::optional<double> dayFraction(const QString& field) {
    if (field.size() != 5 || field[2] != u':')
        return std::nullopt;
    bool hoursRead = false;
    bool minutesRead = false;
    const int hours = field.left(2).toInt(&hoursRead);
    const int minutes = field.mid(3).toInt(&minutesRead);
    if (!hoursRead || !minutesRead || hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
        return std::nullopt;
    return (hours * 60 + minutes) / 1440.0;
}

// A whole number as the program writes one ("12", "-5"); "00012" and "1e3" stay text.
std::optional<double> plainNumber(const QString& field) {
    bool read = false;
    const qlonglong number = field.toLongLong(&read);
    if (!read || QString::number(number) != field)
        return std::nullopt;
    return double(number);
}

QString reasonText(lxw_error error) {
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("brak pamięci");
    case LXW_ERROR_CREATING_XLSX_FILE:
        return QStringLiteral("nie można utworzyć pliku");
    case LXW_ERROR_CREATING_TMPFILE:
        return QStringLiteral("nie można utworzyć pliku tymczasowego");
    case LXW_ERROR_READING_TMPFILE:
        return QStringLiteral("nie można odczytać pliku tymczasowego");
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        return QStringLiteral("błąd zapisu (brak miejsca na dysku?)");
    default:
        return QStringLiteral("błąd zapisu skoroszytu nr %1").arg(int(error));
    }
}

} // namespace

struct XlsxWriter::Book {
    std::unique_ptr<lxw_workbook, WorkbookFree> workbook;
    lxw_worksheet* sheet = nullptr;
    lxw_format* header = nullptr;
    lxw_format* date = nullptr;
    lxw_format* time = nullptr;
    int sheets = 0;
    CNumbers numbers;
};

XlsxWriter::XlsxWriter(const QString& target, const TableColumns& columns)
    : target_(target), columns_(columns), book_(std::make_unique<Book>()) {
    // The temporary file is made, and closed empty, by the layer that puts files in place
    // whole; the library writes the workbook into it at the commit.
    platform::OsError error = file_.open(target.toStdString());
    if (!error.failed())
        error = file_.prepare();
    if (error.failed())
        fail(QString::fromStdString(error.text()), error.code());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_->workbook.reset(workbook_new_opt(file_.temporaryPath().c_str(), &options));
    if (!book_->workbook)
        fail(reasonText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    lxw_workbook* workbook = book_->workbook.get();
    book_->header = workbook_add_format(workbook);
    format_set_bold(book_->header);
    book_->date = workbook_add_format(workbook);
    format_set_num_format(book_->date, "yyyy-mm-dd");
    book_->time = workbook_add_format(workbook);
    format_set_num_format(book_->time, "hh:mm");
    startSheet();
}

XlsxWriter::~XlsxWriter() = default;

void XlsxWriter::startSheet() {
    const QByteArray name = QStringLiteral("Arkusz%1").arg(++book_->sheets).toUtf8();
    book_->sheet = workbook_add_worksheet(book_->workbook.get(), name.constData());
    if (!book_->sheet)
        fail(reasonText(LXW_ERROR_CREATING_TMPFILE));
    sheetRow_ = 0;
    const CNumbers::Use cNumbers(book_->numbers);
    for (int column = 0; column < columns_.titles.size(); ++column) {
        const CellKind kind = columns_.kinds.value(column, CellKind::Text);
        const double width = kind == CellKind::Date ? 11 : kind == CellKind::Time ? 7 : 12;
        check(worksheet_set_column(book_->sheet, lxw_col_t(column), lxw_col_t(column),
                                   std::max<double>(width, columns_.titles[column].size() + 2),
                                   nullptr));
        check(worksheet_write_string(book_->sheet, 0, lxw_col_t(column),
                                     columns_.titles[column].toUtf8().constData(), book_->header));
    }
    worksheet_freeze_panes(book_->sheet, 1, 0);
    sheetRow_ = 1;
}

void XlsxWriter::putRow(const QStringList& fields) {
    if (sheetRow_ == LXW_ROW_MAX)
        startSheet();
    const CNumbers::Use cNumbers(book_->numbers);
    const lxw_row_t row = lxw_row_t(sheetRow_++);
    for (int column = 0; column < fields.size(); ++column) {
        const QString& field = fields[column];
        if (field.isEmpty())
            continue;
        const lxw_col_t at = lxw_col_t(column);
        std::optional<double> number;
        lxw_format* format = nullptr;
        switch (columns_.kinds.value(column, CellKind::Text)) {
        case CellKind::Date:
            number = dayNumber(field);
            format = book_->date;
            break;
        case CellKind::Time:
            number = dayFraction(field);
            format = book_->time;
            break;
        case CellKind::Number:
            number = plainNumber(field);
            break;
        case CellKind::Text:
            break;
        }
        if (number)
            check(worksheet_write_number(book_->sheet, row, at, *number, format));
        else
            check(worksheet_write_string(book_->sheet, row, at,
                                         field.left(maxCellText).toUtf8().constData(), nullptr));
    }
}

void XlsxWriter::commit() {
    const CNumbers::Use cNumbers(book_->numbers);
    // The library frees the workbook whatever the outcome.
    const lxw_error closed = workbook_close(book_->workbook.release());
    book_->sheet = nullptr;
    check(closed);
    // The library's own writes of its temporary files go unchecked: a disk that filled up
    // would leave a cut sheet in a zip it calls finished.
    if (const QString damage = xlsxDamage(QString::fromStdString(file_.temporaryPath()));
        !damage.isEmpty())
        fail(QStringLiteral("skoroszyt wyszedł niepełny, %1 (brak miejsca na dysku?)").arg(damage));
    if (const platform::OsError error = file_.commit(); error.failed())
        fail(QString::fromStdString(error.text()), error.code());
}

void XlsxWriter::check(int error) const {
    if (error != LXW_NO_ERROR)
        fail(reasonText(lxw_error(error)));
}

void XlsxWriter::fail(const QString& reason, int code) const {
    throw EInOutError(tableWriteErrorText(target_, reason), code);
}

void writeXlsxFile(const QString& target, const TableColumns& columns, const TableRowSource& rows) {
    XlsxWriter writer(target, columns);
    while (writer.writeRows(rows, 4096)) {
    }
    writer.commit();
}

} // namespace ronvalo
