// ronvalo-raport end to end: the rows an operator works out by hand, its refusals of bad
// arguments and unreadable installations, the tables left as they were, the PDF's sections.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "rounds/exception_report_fixture.h"
#include "store/sqlite_connection.h"
#include "support/pdf_reading.h"

using namespace ronvalo;
using namespace ronvalo::test;

namespace {

QStringList csvRows(const QString& path) {
    QByteArray bytes = readFileBytes(path);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    bytes.remove(0, 3);
    QStringList rows = QString::fromUtf8(bytes).split("\r\n");
    EXPECT_EQ(rows.takeLast(), QString()) << "the last row ends in CR LF";
    return rows;
}

struct ExceptionReportToolTest : ::testing::Test {
    ReportInstallation installation;
    QString csv = installation.folder.file("raport.csv");

    ReportInstallation::Run run(QStringList arguments) {
        return ReportInstallation::raport(QStringList{installation.folder.path()} + arguments);
    }
};

// The same rounds whichever engine holds the tables.
struct ToolOnEitherEngineTest : ::testing::TestWithParam<Engine> {
    ReportInstallation installation{GetParam()};
    QString csv = installation.folder.file("raport.csv");

    ReportInstallation::Run run(QStringList arguments) {
        return ReportInstallation::raport(QStringList{installation.folder.path()} + arguments);
    }
};

INSTANTIATE_TEST_SUITE_P(, ToolOnEitherEngineTest, ::testing::Values(Engine::Files, Engine::Server),
                         engineName);

TEST_P(ToolOnEitherEngineTest, WritesTheRoundsAnOperatorWorksOutByHand) {
    const QStringList all = ReportInstallation::allRows();
    const struct {
        QStringList arguments;
        QStringList rows; // after the header
    } cases[] = {
        {{"--od", "2024-03-04", "--do", "2024-03-05"}, all.mid(1)},
        {{"--od", "2024-03-04", "--do", "2024-03-05", "--tylko-wyjatki"}, all.mid(2)},
        {{"--od", "2024-03-05", "--do", "2024-03-05", "--plan", "Noc", "--czytnik", "0001"},
         all.mid(4)},
        // An instrument without a plan has no rounds, only punches outside the plan.
        {{"--od", "2024-03-04", "--do", "2024-03-05", "--czytnik", "0002"}, {}},
        // "do" before "od": an empty report, not an error.
        {{"--od", "2024-03-05", "--do", "2024-03-04"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto result = run(c.arguments + QStringList{"--csv", csv});
        ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
        EXPECT_EQ(csvRows(csv), QStringList{all.first()} + c.rows);
    }
}

TEST_F(ExceptionReportToolTest, BadArgumentsExitOneSayingWhich) {
    const QString folder = installation.folder.path();
    const QStringList period{"--od", "2024-03-04", "--do", "2024-03-05"};
    const struct {
        QStringList arguments;
        const char* says;
    } cases[] = {
        {{}, "brak folderu instalacji"},
        {{folder, "--od", "2024-03-04", "--csv", csv}, "brak opcji --do"},
        {{folder, "--od", "2024-02-30", "--do", "2024-03-05", "--csv", csv}, "zła data --od"},
        {{folder, "--od", "4.03.2024", "--do", "2024-03-05", "--csv", csv}, "zła data --od"},
        {QStringList{folder} + period, "--csv albo --pdf"},
        {QStringList{folder} + period + QStringList{"--csv", csv, "--pdf", "a.pdf"},
         "--csv albo --pdf"},
        {QStringList{folder} + period + QStringList{"--csv"}, "brak wartości opcji --csv"},
        {QStringList{folder} + period + QStringList{"--csv", csv, "--wszystko"},
         "nieznana opcja --wszystko"},
        {QStringList{folder} + period + QStringList{"--csv", csv, "--od", "2024-03-01"},
         "opcja --od podana dwa razy"},
        {QStringList{folder} + period + QStringList{"--czytnik", "0009", "--csv", csv},
         "nieznany czytnik 0009"},
        {QStringList{folder} + period + QStringList{"--plan", "Dzień", "--csv", csv},
         "nieznany plan Dzień"},
        {QStringList{folder} + period + QStringList{"--csv", folder + "/brak/raport.csv"},
         "raport.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto result = ReportInstallation::raport(c.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.standardError.contains(QString::fromUtf8(c.says)))
            << result.standardError.toStdString();
    }
    EXPECT_FALSE(QFile::exists(csv));
}

TEST_F(ExceptionReportToolTest, AnInstallationItCannotReadExitsTwo) {
    const QStringList period{"--od", "2024-03-04", "--do", "2024-03-05", "--csv", csv};
    const struct {
        const char* damaged; // in db/; nullptr: the folder has no db/ at all
        const char* says;
    } cases[] = {
        {nullptr, "Odbicia.db"},
        {"Odbicia.db", "Odbicia.db"},
        {"Obchody.db", "Obchody.db"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.damaged ? c.damaged : "no db/");
        ReportInstallation other;
        if (c.damaged)
            ASSERT_TRUE(writeFileBytes(other.db() + c.damaged, "to nie jest baza danych"));
        else
            ASSERT_TRUE(QDir(other.db()).removeRecursively());
        const auto result = ReportInstallation::raport(QStringList{other.folder.path()} + period);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.standardError.contains(c.says)) << result.standardError.toStdString();
        EXPECT_FALSE(QFile::exists(csv));
    }
}

// The tool may run while the program imports: it opens the tables read-only, leaves every file
// as it was, and an installation from before the plans existed stays without Obchody.db.
TEST_F(ExceptionReportToolTest, NeverWritesTheTables) {
    QDir db(installation.db());
    const QStringList files = db.entryList(QDir::Files);
    QList<QByteArray> before;
    for (const QString& file : files)
        before << readFileBytes(db.filePath(file));
    ASSERT_EQ(run({"--od", "2024-03-04", "--do", "2024-03-05", "--pdf",
                   installation.folder.file("r.pdf")})
                  .exitCode,
              0);
    EXPECT_EQ(db.entryList(QDir::Files), files);
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_EQ(readFileBytes(db.filePath(files[i])), before[i]) << files[i].toStdString();

    ASSERT_TRUE(QFile::remove(db.filePath("Obchody.db")));
    const auto result = run({"--od", "2024-03-04", "--do", "2024-03-05", "--csv", csv});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_EQ(csvRows(csv), QStringList{ReportInstallation::allRows().first()});
    EXPECT_FALSE(QFile::exists(db.filePath("Obchody.db")));
}

// A write that holds the tables locked for a while (a long import's commit) is waited out.
TEST_F(ExceptionReportToolTest, WaitsForTheProgramsWriteToEnd) {
    SqliteConnection writer(installation.db() + "Odbicia.db");
    QSqlQuery lock(writer.database());
    ASSERT_TRUE(lock.exec("BEGIN EXCLUSIVE"));
    QProcess tool;
    tool.start(
        QStringLiteral(RONVALO_BIN_DIR "/ronvalo-raport"),
        {installation.folder.path(), "--od", "2024-03-04", "--do", "2024-03-05", "--csv", csv});
    ASSERT_TRUE(tool.waitForStarted());
    EXPECT_FALSE(tool.waitForFinished(2500)) << "read through an exclusive lock";
    ASSERT_TRUE(lock.exec("COMMIT"));
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(csvRows(csv), ReportInstallation::allRows());
}

TEST_F(ExceptionReportToolTest, PdfHasTheTitleTheSectionsAndTheNames) {
    const QString pdf = installation.folder.file("raport.pdf");
    const auto result = run({"--od", "2024-03-04", "--do", "2024-03-05", "--pdf", pdf});
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const PdfDocument document = readPdf(pdf);
    EXPECT_EQ(document.pages, 1);
    EXPECT_TRUE(document.pageSize.contains("A4")) << document.pageSize.toStdString();
    for (const char* text : {"Raport wyjątków", "za okres od 4.03.2024 do 5.03.2024",
                             "czytnik: wszystkie, plan: wszystkie", "Podsumowanie", "Obchody",
                             "Poza planem", "Zdarzenia", "poniedziałek, 4 marca 2024",
                             "Poza kolejnością", "1 Brama główna, 2 Parking, 3 Magazyn", "50,0%",
                             "171 Napad", "0002", "Wydrukowano przy uzyciu programu Ronvalo 2.2"})
        EXPECT_TRUE(document.layoutText.contains(QString::fromUtf8(text))) << text;
    EXPECT_EQ(document.fonts, QStringList({"LiberationSans", "LiberationSans-Bold"}));
}

// The report's text from the server's tables is the files' text, but for the moment it was made.
TEST_P(ToolOnEitherEngineTest, PdfSaysWhatTheFilesPdfSays) {
    if (GetParam() == Engine::Files)
        GTEST_SKIP() << "the files are what the server is compared with";
    ReportInstallation files;
    const QStringList period{"--od", "2024-03-04", "--do", "2024-03-05", "--pdf"};
    const auto textOf = [&](ReportInstallation& where) {
        const QString pdf = where.folder.file("raport.pdf");
        // The tool reads the settings hive of the installation made last: name it again.
        ScopedEnv hive("RONVALO_REGISTRY", where.folder.file("hive.reg").toUtf8());
        const auto result = ReportInstallation::raport(QStringList{where.folder.path()} + period +
                                                       QStringList{pdf});
        EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
        QStringList lines = readPdf(pdf).layoutText.split('\n');
        lines.removeIf([](const QString& line) { return line.contains("Wydrukowano:"); });
        return lines;
    };
    const QStringList expected = textOf(files);
    EXPECT_GT(expected.size(), 20);
    EXPECT_EQ(textOf(installation), expected);
}

} // namespace
