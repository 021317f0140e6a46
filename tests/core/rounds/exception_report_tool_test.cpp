// ronvalo-raport end to end: the rows an operator works out by hand, its refusals of bad
// arguments and unreadable installations, the tables left as they were, the PDF's sections.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/rounds/exception_report_fixture.h"
#include "core/rounds/plan_rules.h"
#include "core/store/archive.h"
#include "core/store/sqlite_connection.h"
#include "support/pdf_reading.h"
#include "support/xlsx_reading.h"

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

// The instrument was last read at 23:00 on the second day (a newer download than the fixture's,
// archived without the instrument's clock): the two rounds after midnight, due later, are not
// judged yet.
TEST_P(ToolOnEitherEngineTest, RoundsDueAfterTheLastTransferAreNotJudged) {
    {
        TDM3 dm;
        installation.open(dm);
        ArchiveRow row;
        row.download = 2;
        row.instrument = "0001";
        row.received = QDateTime(QDate(2024, 3, 5), QTime(23, 0));
        row.transmission = "transmisja";
        appendArchiveRow(dm, row);
    }
    const auto result = run({"--od", "2024-03-05", "--do", "2024-03-05", "--csv", csv});
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QStringList all = ReportInstallation::allRows();
    EXPECT_EQ(
        csvRows(csv),
        (QStringList{all[0], all[4], "2024-03-05;Noc;0001 Brama północna;00:00;;Brak odczytu;",
                     "2024-03-05;Noc;0001 Brama północna;02:00;;Brak odczytu;"}));
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
        {QStringList{folder} + period, "--xlsx albo --pdf"},
        {QStringList{folder} + period + QStringList{"--csv", csv, "--pdf", "a.pdf"},
         "--xlsx albo --pdf"},
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

namespace {

// Runs `statements` on a file of the installation, as someone with a SQLite shell would.
void tamper(const QString& path, const QStringList& statements) {
    SqliteConnection file(path);
    QSqlQuery query(file.database());
    for (const QString& statement : statements)
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
}

// One line on stderr, the tool's name first, and no control character but its end.
void expectOneLine(const QString& standardError, const QString& tool) {
    EXPECT_TRUE(standardError.startsWith(tool + ": ")) << standardError.toStdString();
    EXPECT_EQ(standardError.count('\n'), 1) << standardError.toStdString();
    for (const QChar c : standardError.chopped(1))
        EXPECT_FALSE(c.unicode() < 0x20 || c.unicode() == 0x7f) << standardError.toStdString();
}

} // namespace

// Tables changed behind the program's back: each refusal is exit 2 and one line naming what is
// wrong, with the tables' control characters shown as escapes, never an abort or hours of work.
TEST_F(ExceptionReportToolTest, HostileTablesAreRefusedInOneLine) {
    const QString plans = "Obchody.db";
    QStringList manySteps{"DELETE FROM KrokiPlanu"};
    for (int k = 1; k <= maxPlanSteps + 1; ++k)
        manySteps << QStringLiteral("INSERT INTO KrokiPlanu VALUES (1, %1, %1, 0)").arg(k);
    const struct {
        const char* name;
        QString file;
        QStringList statements;
        QString says;
    } cases[] = {
        {"an endless view in place of the punches",
         "Odbicia.db",
         {"DROP TABLE Odbicia",
          "CREATE VIEW Odbicia AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
          "FROM n) SELECT x AS AutoNr, '2024-03-04' AS Data, '22:00' AS Czas, 1 AS Nrwewpkt, "
          "'0001' AS Nrczyt, 1 AS NrSczytania FROM n"},
         "Odbicia nie jest tabelą, lecz widokiem"},
        {"a round of two billion minutes since the year 1000",
         plans,
         {"UPDATE Plany SET Od = '1000-01-01', Co = 1, Tolerancja = 0, CzasObchodu = 2000000000"},
         "Plan „Noc” (nr 1) w tabeli Plany jest nieprawidłowy: Pole „Czas obchodu (min)” może "
         "wynosić najwyżej 1440."},
        {"a tolerance past what a 32-bit sum holds",
         plans,
         {"UPDATE Plany SET Tolerancja = 9223372036854775807"},
         "Pole „Tolerancja (min)” może wynosić najwyżej połowę odstępu między obchodami (60 min)"},
        {"more steps than a plan may have", plans, manySteps,
         QStringLiteral("Plan może zawierać najwyżej %1 punktów").arg(maxPlanSteps)},
        {"control characters in a refused plan's name",
         plans,
         {"UPDATE Plany SET Nazwa = 'Noc' || char(27) || '[2J' || char(7) || char(13) || "
          "char(8238) || 'x', Co = -1"},
         "Plan „Noc\\x1b[2J\\x07\\x0d\\u202ex” (nr 1)"},
    };
    const QStringList period{"--od", "2024-03-04", "--do", "2024-03-05", "--csv", csv};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReportInstallation hostile;
        tamper(hostile.db() + c.file, c.statements);
        const auto result = ReportInstallation::raport(QStringList{hostile.folder.path()} + period);
        EXPECT_EQ(result.exitCode, 2);
        expectOneLine(result.standardError, "ronvalo-raport");
        EXPECT_TRUE(result.standardError.contains(c.says)) << result.standardError.toStdString();
        EXPECT_FALSE(QFile::exists(csv));
    }
}

// A table file the account may not read, or a folder it may not enter, is named as such, never
// as missing or damaged. Root reads whatever the permission bits say: the tool runs as "nobody".
TEST_F(ExceptionReportToolTest, ARefusedFileOrFolderIsNamedAsSuch) {
    if (::geteuid() != 0 || !QFile::exists("/usr/sbin/runuser")) {
        GTEST_SKIP() << "needs root and runuser to run the tool as another account";
    }
    // A copy of the tool that "nobody" may run: the build folder may lie in a folder only root
    // enters (/root/...).
    QTemporaryDir runnable;
    ASSERT_TRUE(runnable.isValid());
    const QString tool = runnable.filePath("ronvalo-raport");
    ASSERT_TRUE(QFile::copy(RONVALO_BIN_DIR "/ronvalo-raport", tool));
    ASSERT_EQ(::chmod(runnable.path().toLocal8Bit().constData(), 0755), 0);
    ASSERT_EQ(::chmod(tool.toLocal8Bit().constData(), 0755), 0);
    const struct {
        const char* name;
        const char* closed; // made 0600 (a file) or 0700 (a folder), root's own
        QString says;
    } cases[] = {
        {"the punches' file", "db/Odbicia.db", "Odbicia.db: brak uprawnień do odczytu pliku"},
        {"the rounds' file", "db/Obchody.db", "Obchody.db: brak uprawnień do odczytu pliku"},
        {"the tables' folder", "db", "brak dostępu do folderu "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReportInstallation closed;
        const QString base = closed.folder.base();
        for (const QString& open : {QString(), QString("db"), QString("hive.reg")}) {
            if (QFileInfo::exists(base + open)) {
                ASSERT_EQ(::chmod((base + open).toLocal8Bit().constData(),
                                  open.endsWith(".reg") ? 0644 : 0755),
                          0);
            }
        }
        for (const QString& file : QDir(closed.db()).entryList(QDir::Files))
            ASSERT_EQ(::chmod((closed.db() + file).toLocal8Bit().constData(), 0644), 0);
        const bool folder = !QString(c.closed).endsWith(".db");
        ASSERT_EQ(::chmod((base + c.closed).toLocal8Bit().constData(), folder ? 0700 : 0600), 0);
        QProcess run;
        run.start("/usr/sbin/runuser",
                  {"-u", "nobody", "--", tool, closed.folder.path(), "--od", "2024-03-04", "--do",
                   "2024-03-05", "--csv", "/nonexistent/r.csv"});
        ASSERT_TRUE(run.waitForFinished(60000));
        const QString error = QString::fromUtf8(run.readAllStandardError());
        EXPECT_EQ(run.exitCode(), 2) << error.toStdString();
        expectOneLine(error, "ronvalo-raport");
        EXPECT_TRUE(error.contains(c.says)) << error.toStdString();
        EXPECT_FALSE(error.contains("nie istnieje")) << error.toStdString();
    }
}

// A plan in force since the year 1000 with a round every minute is judged over the period alone.
TEST_F(ExceptionReportToolTest, APlanValidSinceLongAgoIsJudgedOverThePeriodOnly) {
    tamper(installation.db() + "Obchody.db",
           {"UPDATE Plany SET Od = '1000-01-01', Co = 1, Tolerancja = 0"});
    QProcess tool;
    tool.start(
        QStringLiteral(RONVALO_BIN_DIR "/ronvalo-raport"),
        {installation.folder.path(), "--od", "2024-03-04", "--do", "2024-03-05", "--csv", csv});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    // 22:00 to 02:00 a minute apart, on each of the two days.
    EXPECT_EQ(csvRows(csv).size(), 1 + 2 * 241);
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardOutput()),
              "Odczytane tabele: " + QDir(installation.db()).absolutePath() + "/\n");

    // Over eight thousand years it would be billions of rounds: refused before any is made.
    const auto result = ReportInstallation::raport(
        {installation.folder.path(), "--od", "1000-01-01", "--do", "9999-12-31", "--csv", csv});
    EXPECT_EQ(result.exitCode, 1);
    expectOneLine(result.standardError, "ronvalo-raport");
    EXPECT_TRUE(result.standardError.contains("wybierz krótszy okres"))
        << result.standardError.toStdString();
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

TEST(ToolsHelpTest, HelpGoesToStandardOutputWithExitZero) {
    for (const char* tool : {"ronvalo-raport", "ronvalo-verify"})
        for (const QStringList& arguments :
             {QStringList{"--help"}, QStringList{"-h"}, QStringList{"/brak", "--help"}}) {
            SCOPED_TRACE(tool + (" " + arguments.join(' ')).toStdString());
            QProcess run;
            run.start(QStringLiteral(RONVALO_BIN_DIR "/") + tool, arguments);
            ASSERT_TRUE(run.waitForFinished(60000));
            EXPECT_EQ(run.exitCode(), 0);
            EXPECT_TRUE(run.readAllStandardOutput().startsWith("Użycie: " + QByteArray(tool)));
            EXPECT_EQ(run.readAllStandardError(), "");
        }
}

// "--csv -": the file's very bytes on standard output, and nothing else there.
TEST_F(ExceptionReportToolTest, CsvToStandardOutputIsTheFile) {
    const QStringList period{"--od", "2024-03-04", "--do", "2024-03-05"};
    ASSERT_EQ(run(period + QStringList{"--csv", csv}).exitCode, 0);
    const auto piped = run(period + QStringList{"--csv", "-"});
    EXPECT_EQ(piped.exitCode, 0) << piped.standardError.toStdString();
    EXPECT_EQ(piped.standardOutput, readFileBytes(csv));
    EXPECT_EQ(piped.standardError, "");
    for (const char* option : {"--xlsx", "--pdf"}) {
        const auto refused = run(period + QStringList{option, "-"});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.standardError.contains("standardowe wyjście"));
    }
}

// The workbook holds the CSV file's rows, cell for cell: dates and times as day numbers with a
// date or time format, the instrument ("0001 ...") and the rest as text.
TEST_F(ExceptionReportToolTest, XlsxHoldsTheCsvRows) {
    const QString xlsx = installation.folder.file("raport.xlsx");
    const auto result = run({"--od", "2024-03-04", "--do", "2024-03-05", "--xlsx", xlsx});
    ASSERT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const XlsxSheet sheet = readXlsx(xlsx);
    ASSERT_EQ(sheet.error, "");
    EXPECT_EQ(xlsxCsvLines(sheet), ReportInstallation::allRows());
    EXPECT_EQ(sheet.cells.value("C2").type, "inlineStr");
}

// A report empty for a reason is still written, with the reason on stderr (the printed report
// says it too: the layout's test); a report with rounds has a quiet stderr.
TEST_F(ExceptionReportToolTest, AnEmptyReportForAReasonSaysWhyOnStderr) {
    const struct {
        const char* name;
        QStringList statements; // run on Obchody.db first
        QStringList period;
        const char* says; // "" nothing
    } cases[] = {
        {"rounds", {}, {"--od", "2024-03-04", "--do", "2024-03-05"}, ""},
        {"reversed", {}, {"--od", "2024-03-05", "--do", "2024-03-04"}, "Okres odwrócony"},
        {"no plans",
         {"DELETE FROM KrokiPlanu", "DELETE FROM Plany"},
         {"--od", "2024-03-04", "--do", "2024-03-05"},
         "Brak planów obchodów"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tamper(installation.db() + "Obchody.db", c.statements);
        const auto result = run(c.period + QStringList{"--csv", csv});
        EXPECT_EQ(result.exitCode, 0);
        if (*c.says)
            expectOneLine(result.standardError, "ronvalo-raport");
        EXPECT_EQ(result.standardError.isEmpty(), !*c.says);
        EXPECT_TRUE(result.standardError.contains(c.says)) << result.standardError.toStdString();
        EXPECT_EQ(csvRows(csv).size() == 1, *c.says != '\0');
    }
}
