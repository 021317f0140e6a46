// ronvalo-raport FOLDER --od RRRR-MM-DD --do RRRR-MM-DD [--czytnik NR] [--plan NAZWA]
// [--tylko-wyjatki] (--csv PLIK | --xlsx PLIK | --pdf PLIK): the exception report of an
// installation without a screen, for schedulers and scripts. It only reads the tables, so it may
// run beside the program.
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>
#include <optional>

#include "core/common/base_folder.h"
#include "core/common/clock.h"
#include "core/common/command_line.h"
#include "core/common/exception.h"
#include "core/common/registry.h"
#include "core/common/xlsx_writer.h"
#include "core/proof/archive_check.h"
#include "core/report/previewed_report.h"
#include "core/rounds/exception_report.h"
#include "core/rounds/exception_report_pages.h"
#include "core/store/data_module.h"
#include "core/store/tables_source.h"

namespace {

using namespace ronvalo;

constexpr int kWritten = 0;
constexpr int kBadArguments = 1;
constexpr int kUnreadable = 2;

const char* const usage =
    "Użycie: ronvalo-raport FOLDER --od RRRR-MM-DD --do RRRR-MM-DD [--czytnik NR] [--plan NAZWA]\n"
    "                      [--tylko-wyjatki] (--csv PLIK | --xlsx PLIK | --pdf PLIK)\n"
    "Raport wyjątków instalacji z folderu FOLDER za okres od --od do --do (oba dni włącznie),\n"
    "zapisany jako CSV, XLSX albo PDF; \"--csv -\" pisze CSV na standardowe wyjście.\n"
    "Kody wyjścia: 0 zapisano, 1 złe argumenty, 2 nie można odczytać instalacji.\n";

// A failure that ends the run with its exit code and one line on stderr.
struct Failure {
    int code;
    QString message;
};

struct Arguments {
    QString folder;
    ExceptionReportChoices choices;
    std::optional<QString> csv; // "-": standard output
    std::optional<QString> xlsx;
    std::optional<QString> pdf;
};

QDate parseDate(const QString& option, const QString& text) {
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw Failure{kBadArguments,
                      QStringLiteral("zła data %1 %2 (oczekiwano RRRR-MM-DD)").arg(option, text)};
    return date;
}

Arguments parseArguments(const QStringList& arguments) {
    Arguments result;
    std::optional<QString> from, to;
    auto valueOf = [&](qsizetype& i) {
        if (i + 1 >= arguments.size())
            throw Failure{kBadArguments,
                          QStringLiteral("brak wartości opcji %1").arg(arguments[i])};
        return arguments[++i];
    };
    auto once = [](std::optional<QString>& slot, const QString& option, const QString& value) {
        if (slot)
            throw Failure{kBadArguments, QStringLiteral("opcja %1 podana dwa razy").arg(option)};
        slot = value;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--od"))
            once(from, argument, valueOf(i));
        else if (argument == QStringLiteral("--do"))
            once(to, argument, valueOf(i));
        else if (argument == QStringLiteral("--czytnik"))
            once(result.choices.instrument, argument, valueOf(i));
        else if (argument == QStringLiteral("--plan"))
            once(result.choices.plan, argument, valueOf(i));
        else if (argument == QStringLiteral("--csv"))
            once(result.csv, argument, valueOf(i));
        else if (argument == QStringLiteral("--xlsx"))
            once(result.xlsx, argument, valueOf(i));
        else if (argument == QStringLiteral("--pdf"))
            once(result.pdf, argument, valueOf(i));
        else if (argument == QStringLiteral("--tylko-wyjatki"))
            result.choices.exceptionsOnly = true;
        else if (argument.startsWith(QStringLiteral("--")))
            throw Failure{kBadArguments, QStringLiteral("nieznana opcja %1").arg(argument)};
        else if (result.folder.isEmpty())
            result.folder = argument;
        else
            throw Failure{kBadArguments, QStringLiteral("nadmiarowy argument %1").arg(argument)};
    }
    if (result.folder.isEmpty())
        throw Failure{kBadArguments, QStringLiteral("brak folderu instalacji")};
    for (auto [value, option] : {std::pair{&from, "--od"}, std::pair{&to, "--do"}})
        if (!*value)
            throw Failure{kBadArguments, QStringLiteral("brak opcji %1").arg(option)};
    result.choices.from = parseDate(QStringLiteral("--od"), *from);
    result.choices.to = parseDate(QStringLiteral("--do"), *to);
    if (int(result.csv.has_value()) + int(result.xlsx.has_value()) + int(result.pdf.has_value()) !=
        1)
        throw Failure{kBadArguments,
                      QStringLiteral("podaj jedną z opcji --csv, --xlsx albo --pdf")};
    for (const auto* file : {&result.xlsx, &result.pdf})
        if (*file == QStringLiteral("-"))
            throw Failure{kBadArguments,
                          QStringLiteral("na standardowe wyjście pisze tylko --csv -")};
    return result;
}

// A chosen instrument or plan that the installation does not know is a mistake in the command,
// not an empty report.
void checkChoices(TDM3& dm, const ExceptionReportChoices& choices) {
    const ExceptionReportOffer offer =
        dm.roundsFileMissing() ? ExceptionReportOffer{} : loadExceptionReportOffer(dm);
    if (choices.instrument) {
        bool known = dm.readers().contains(*choices.instrument);
        for (const InstrumentName& instrument : offer.instruments)
            known = known || instrument.instrument == *choices.instrument;
        if (!known)
            throw Failure{kBadArguments,
                          QStringLiteral("nieznany czytnik %1").arg(*choices.instrument)};
    }
    if (choices.plan && !offer.plans.contains(*choices.plan))
        throw Failure{kBadArguments, QStringLiteral("nieznany plan %1").arg(*choices.plan)};
}

ExceptionReport readReport(const Arguments& arguments, TDM3& dm) {
    const QString base = QDir::fromNativeSeparators(arguments.folder) + QLatin1Char('/');
    try {
        dm.setReadOnly(true);
        dm.setDatabaseFolder(databaseFolder(base));
        dm.setServer(databaseServerSetting());
        dm.openTables();
        checkChoices(dm, arguments.choices);
        ExceptionReport report = buildExceptionReport(
            loadExceptionReportTables(dm, arguments.choices), arguments.choices);
        // Checked before the pages are laid out: they say whether the tables are intact.
        report.archive = archiveSeal(*checkArchive(dm));
        return report;
    } catch (const EReportTooLarge& error) {
        throw Failure{kBadArguments, error.message()};
    } catch (const EDatabaseError& error) {
        throw Failure{kUnreadable, error.message()};
    } catch (const ERegistryException& error) {
        throw Failure{kUnreadable, error.message()};
    }
}

void writeReport(const Arguments& arguments, const ExceptionReport& report) {
    try {
        if (arguments.csv == QStringLiteral("-"))
            writeCsvToStdout(exceptionReportTitles(), exceptionRoundRows(report.rounds));
        else if (arguments.csv)
            writeCsvFile(*arguments.csv, exceptionReportTitles(),
                         exceptionRoundRows(report.rounds));
        else if (arguments.xlsx)
            writeXlsxFile(*arguments.xlsx, exceptionReportColumns(),
                          exceptionRoundRows(report.rounds));
        else
            writeReportPdf(*arguments.pdf, QStringLiteral("Raport wyjątków"),
                           ExceptionReportPages(report, Clock::now()));
    } catch (const Exception& error) {
        throw Failure{kBadArguments, error.message()};
    }
}

// Qt's own notices (a missing XDG_RUNTIME_DIR under cron, font lookups) are left out, so that a
// scheduler sees stderr only when the report failed, and then the one line that says why.
void quietNotices(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << terminalText(message) << '\n';
}

int run(const QStringList& commandLine) {
    try {
        if (printUsageWhenAsked(commandLine, usage))
            return kWritten;
        const Arguments arguments = parseArguments(commandLine);
        TDM3 dm;
        const ExceptionReport report = readReport(arguments, dm);
        // An empty report for a reason the reader should know is still a report written; the
        // reason goes to stderr, as a scheduler's mail shows it.
        if (const QString notice = exceptionReportNotice(report); !notice.isEmpty())
            printFailure(QStringLiteral("ronvalo-raport"), notice);
        writeReport(arguments, report);
        // The CSV itself may be on stdout: nothing else goes there then.
        if (arguments.csv != QStringLiteral("-"))
            QTextStream(stdout) << terminalText(tablesSourceLine(dm)) << '\n';
        return kWritten;
    } catch (const Failure& failure) {
        printFailure(QStringLiteral("ronvalo-raport"), failure.message);
        if (failure.code == kBadArguments && commandLine.size() <= 1)
            QTextStream(stderr) << usage;
        return failure.code;
    }
}

} // namespace

int main(int argc, char** argv) {
    // No screen is needed: the fonts and the PDF writer work offscreen. Windows' own platform
    // needs no display either, and is the one its installation carries.
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    qInstallMessageHandler(quietNotices);
    QGuiApplication app(argc, argv);
    // Anything the report's own failures do not cover (memory running out on a huge period, an
    // error of the program) ends the run as a table that cannot be read: one line, exit 2.
    return runTool(QStringLiteral("ronvalo-raport"), kUnreadable,
                   [&] { return run(app.arguments()); });
}
