// The CSV writer: quoting, dates and times, the file's exact bytes, and what a cancelled or failed
// write leaves under the target's name (nothing new, an old file intact, no temporary file).
#include "core/common/csv_writer.h"

#include <QDir>
#include <cerrno>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "core/common/exception.h"
#include "core/common/xlsx_writer.h"
#include "support/temp_folder.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

// `count` rows of two fields, long enough that the file is written to before the end.
CsvRowSource numberedRows(int count) {
    return [count, k = 0](QStringList& fields) mutable {
        if (k == count)
            return false;
        fields = {QString::number(k++), QStringLiteral("Brama główna; wjazd")};
        return true;
    };
}

// The file size limit of this process for the object's lifetime: writes past it fail (EFBIG)
// as on a full disk, instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &cap);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldSignal_)(int) = nullptr;
};

} // namespace

TEST(CsvWriter, FieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"Brama główna", "Brama główna"},
        {" 12 ", " 12 "},
        {"a,b", "a,b"},
        {"a;b", "\"a;b\""},
        {"powiedział \"stop\"", "\"powiedział \"\"stop\"\"\""},
        {"\"", "\"\"\"\""},
        {"wiersz\r\ndrugi", "\"wiersz\r\ndrugi\""},
        {"wiersz\ndrugi", "\"wiersz\ndrugi\""},
        {"koniec\r", "\"koniec\r\""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(csvField(text), expected) << text.toStdString();
    EXPECT_EQ(csvLine({"a", "b;c", "", "ż"}), QByteArray("a;\"b;c\";;\xC5\xBC\r\n"));
    EXPECT_EQ(csvLine({}), QByteArray("\r\n"));
}

TEST(CsvWriter, FormulasFromTheTablesAreWrittenAsText) {
    const std::pair<QString, QString> cases[] = {
        {"=HYPERLINK(\"http://x\";\"Brama\")", "\"'=HYPERLINK(\"\"http://x\"\";\"\"Brama\"\")\""},
        {"=1+1", "'=1+1"},
        {"+48 600", "'+48 600"},
        {"-Brama", "'-Brama"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "\"'\r=1\""},
        {"-", "'-"},
        {"-1+1", "'-1+1"},
        {"-2,5;x", "\"'-2,5;x\""},
        // Numbers the program writes stay numbers; so do texts that only look like one.
        {"-5", "-5"},
        {"+5", "+5"},
        {"-12,5", "-12,5"},
        {"-0.5", "-0.5"},
        {"-12,", "'-12,"},
        {"2004-04-26", "2004-04-26"},
        {"08:15", "08:15"},
        {"Brama = wjazd", "Brama = wjazd"},
        {"'=1", "'=1"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(csvField(text), expected) << text.toStdString();
    EXPECT_EQ(csvLine({"=1", "-3", "a"}), QByteArray("'=1;-3;a\r\n"));
}

TEST(CsvWriter, DatesAndTimesInIsoForms) {
    const std::pair<QString, QString> cases[] = {
        {csvDate(QDate(2004, 4, 26)), "2004-04-26"},
        {csvDate(QDate(1899, 12, 30)), "1899-12-30"},
        {csvDate(QDate()), ""},
        {csvTime(QTime(8, 15)), "08:15"},
        {csvTime(QTime(0, 0)), "00:00"},
        {csvTime(QTime(23, 59, 59)), "23:59"},
        {csvTime(QTime()), ""},
    };
    for (const auto& [written, expected] : cases)
        EXPECT_EQ(written, expected);
}

TEST(CsvWriter, FileHasTheMarkTheHeaderAndTheRowsWithCrLf) {
    TempFolder folder;
    const QString target = folder.file("raport.csv");
    const QList<QStringList> rows = {{"2004-04-26", "12 Brama; główna"}, {"", "a\"b"}};
    writeCsvFile(target, {"Data", "Brakujące punkty"}, [&rows, k = 0](QStringList& fields) mutable {
        if (k == rows.size())
            return false;
        fields = rows[k++];
        return true;
    });
    EXPECT_EQ(readFileBytes(target), QByteArray("\xEF\xBB\xBF"
                                                "Data;Brakuj\xC4\x85"
                                                "ce punkty\r\n"
                                                "2004-04-26;\"12 Brama; g\xC5\x82\xC3\xB3wna\"\r\n"
                                                ";\"a\"\"b\"\r\n"));
    EXPECT_EQ(folderEntries(folder.path()), QStringList{"raport.csv"});
}

TEST(CsvWriter, CancelledOrFailedWriteLeavesNoFileAndKeepsTheOldOne) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> write;
        QString error; // the message raised, "" for none; %1 the target
    } cases[] = {
        {"cancelled",
         [](const QString& target) {
             CsvWriter writer(target, {"Nr", "Nazwa"});
             writer.writeRows(numberedRows(20000), 20000);
         },
         ""},
        {"row source fails",
         [](const QString& target) {
             auto rows = numberedRows(20000);
             writeCsvFile(target, {"Nr"}, [&rows, k = 0](QStringList& fields) mutable {
                 if (++k == 10000)
                     throw Exception("Nie można odczytać tabeli");
                 return rows(fields);
             });
         },
         "Nie można odczytać tabeli"},
        {"disk refuses",
         [](const QString& target) {
             const FileSizeLimit limit(100 * 1024);
             writeCsvFile(target, {"Nr"}, numberedRows(20000));
         },
         "Nie można zapisać pliku %1: " +
             QString::fromStdString(platform::OsError::fromCode(EFBIG).text())},
        // The XLSX writer stages its file the same way.
        {"xlsx cancelled",
         [](const QString& target) {
             XlsxWriter writer(target, {{"Nr", "Nazwa"}, {CellKind::Number}});
             writer.writeRows(numberedRows(20000), 20000);
         },
         ""},
        {"xlsx row source fails",
         [](const QString& target) {
             auto rows = numberedRows(20000);
             writeXlsxFile(target, {{"Nr"}, {}}, [&rows, k = 0](QStringList& fields) mutable {
                 if (++k == 10000)
                     throw Exception("Nie można odczytać tabeli");
                 return rows(fields);
             });
         },
         "Nie można odczytać tabeli"},
        {"xlsx disk refuses",
         [](const QString& target) {
             const FileSizeLimit limit(100 * 1024);
             writeXlsxFile(target, {{"Nr"}, {}}, numberedRows(20000));
         },
         "Nie można zapisać pliku %1: skoroszyt wyszedł niepełny, urwany zapis "
         "(xl/worksheets/sheet1.xml) (brak miejsca na dysku?)"},
    };
    for (const Case& c : cases) {
        for (const bool oldFile : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (oldFile ? ", over an old file" : ""));
            TempFolder folder;
            const QString target = folder.file("wynik.csv");
            ASSERT_TRUE(!oldFile || writeFileBytes(target, "stary plik"));
            QString raised;
            try {
                c.write(target);
            } catch (const Exception& error) {
                raised = error.message();
            }
            EXPECT_EQ(raised, QString(c.error).replace("%1", QDir::toNativeSeparators(target)));
            EXPECT_EQ(folderEntries(folder.path()),
                      oldFile ? QStringList{"wynik.csv"} : QStringList{});
            EXPECT_EQ(readFileBytes(target), oldFile ? "stary plik" : "");
        }
    }
}

TEST(CsvWriter, TargetsThatCannotBeWrittenAreRefusedByName) {
    TempFolder folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder.csv"));
    const std::function<void(const QString&)> writers[] = {
        [](const QString& target) { CsvWriter writer(target, {"Nr"}); },
        [](const QString& target) {
            XlsxWriter writer(target, {{"Nr"}, {}});
        },
    };
    for (const auto& open : writers)
        for (const QString& target : {folder.file("folder.csv"), folder.file("brak/wynik.csv")}) {
            try {
                open(target);
                ADD_FAILURE() << "no error for " << target.toStdString();
            } catch (const EInOutError& error) {
                EXPECT_TRUE(error.message().startsWith("Nie można zapisać pliku " +
                                                       QDir::toNativeSeparators(target) + ": "))
                    << error.message().toStdString();
            }
        }
    EXPECT_EQ(folderEntries(folder.path()), QStringList{"folder.csv"});
}
