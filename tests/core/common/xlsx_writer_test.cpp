// The XLSX writer: each kind of column as the cells a spreadsheet reads, read back from the file.
#include "core/common/xlsx_writer.h"

#include <clocale>
#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/xlsx_reading.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

TableRowSource rowsOf(const QList<QStringList>& rows) {
    return [rows, k = qsizetype(0)](QStringList& fields) mutable {
        if (k == rows.size())
            return false;
        fields = rows[k++];
        return true;
    };
}

// The numeric locale of a country writing decimal commas, for the object's lifetime, when the
// machine has one: the file must not follow it.
class CommaLocale {
public:
    CommaLocale() : old_(std::setlocale(LC_NUMERIC, nullptr)) {
        for (const char* name : {"pl_PL.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_NUMERIC, name))
                break;
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, old_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

private:
    std::string old_;
};

} // namespace

TEST(XlsxWriter, CellsFollowTheirColumnsKinds) {
    TempFolder folder;
    const QString target = folder.file("raport.xlsx");
    const TableColumns columns{
        {"Data", "Czas", "Czytnik", "Plan", "Nr odczytu"},
        {CellKind::Date, CellKind::Time, CellKind::Text, CellKind::Text, CellKind::Number}};
    {
        const CommaLocale comma;
        writeXlsxFile(target, columns,
                      rowsOf({{"2004-04-26", "08:15", "00012345", "=HYPERLINK(\"x\")", "17"},
                              {"1899-12-30", "23:59", "-5", "Obchód 2", "007"},
                              {"2004-02-30", "24:00", "", "+48 600", "-3"},
                              {"", "", "12", "Brama; \"główna\"", ""}}));
    }
    const XlsxSheet sheet = readXlsx(target);
    ASSERT_EQ(sheet.error, "");
    EXPECT_EQ(sheet.sheetNames, QStringList{"Arkusz1"});
    const struct {
        const char* cell;
        const char* type; // "" a number
        const char* format;
        const char* value;
    } cases[] = {
        // The header row: the titles as text.
        {"A1", "inlineStr", "", "Data"},
        {"E1", "inlineStr", "", "Nr odczytu"},
        // Dates and times: day numbers and fractions of a day, with a date or time format.
        {"A2", "", "yyyy-mm-dd", "38103"},
        {"B2", "", "hh:mm", "0.34375"},
        {"A3", "", "yyyy-mm-dd", "0"},
        {"B3", "", "hh:mm", "0.9993055555555556"},
        // An instrument's number keeps its zeros; a name is never a formula; "-5" stays text.
        {"C2", "inlineStr", "", "00012345"},
        {"D2", "inlineStr", "", "=HYPERLINK(\"x\")"},
        {"C3", "inlineStr", "", "-5"},
        {"D4", "inlineStr", "", "+48 600"},
        {"D5", "inlineStr", "", "Brama; \"główna\""},
        // Numbers are numbers; a field that does not read as its kind stays text.
        {"E2", "", "", "17"},
        {"E4", "", "", "-3"},
        {"E3", "inlineStr", "", "007"},
        {"A4", "inlineStr", "", "2004-02-30"},
        {"B4", "inlineStr", "", "24:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        ASSERT_TRUE(sheet.cells.contains(c.cell));
        const XlsxCell& cell = sheet.cells[c.cell];
        EXPECT_EQ(cell.type, c.type);
        EXPECT_EQ(cell.format, c.format);
        EXPECT_EQ(cell.value, QString::fromUtf8(c.value));
    }
    // Empty fields are empty cells.
    for (const char* empty : {"C4", "A5", "B5", "E5"})
        EXPECT_FALSE(sheet.cells.contains(empty)) << empty;
}
