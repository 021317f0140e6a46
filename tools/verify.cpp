// ronvalo-verify FOLDER: the download archive's check of an installation without a screen, for
// whoever audits it. It only reads the tables, so it may run beside the program.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "app/backup.h"
#include "common/command_line.h"
#include "common/exception.h"
#include "common/registry.h"
#include "rounds/archive_check.h"
#include "store/data_module.h"
#include "store/tables_source.h"

namespace {

using namespace ronvalo;

constexpr int kClean = 0;
constexpr int kFindings = 1;
constexpr int kUnreadable = 2; // also a command it cannot follow

const char* const usage = "Użycie: ronvalo-verify FOLDER\n";

// Qt's own notices are left out, so that stderr holds only why a check could not be made.
void quietNotices(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << terminalText(message) << '\n';
}

// Checks the installation in `folder`, naming at the end the tables it read.
int check(const QString& folder) {
    TDM3 dm;
    dm.setReadOnly(true);
    dm.setDatabaseFolder(databaseFolder(QDir::fromNativeSeparators(folder) + QLatin1Char('/')));
    dm.setServer(databaseServerSetting());
    dm.openTables();
    const ArchiveCheck result = *checkArchive(dm);
    QTextStream out(stdout);
    for (const ArchiveFinding& finding : result.findings)
        out << terminalText(finding.text) << '\n';
    out << terminalText(archiveCheckSummary(result)) << '\n';
    // Last, so that the summary stays the first line of a clean check's output.
    out << terminalText(tablesSourceLine(dm)) << '\n';
    return result.clean() ? kClean : kFindings;
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietNotices);
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2 || arguments[1].startsWith(QStringLiteral("-"))) {
        QTextStream(stderr) << usage;
        return kUnreadable;
    }
    // Whatever goes wrong (a table that cannot be read, memory running out, an error of the
    // program) is one line on stderr and exit 2, never an abort.
    return runTool(QStringLiteral("ronvalo-verify"), kUnreadable,
                   [&] { return check(arguments[1]); });
}
