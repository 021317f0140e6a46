// ronvalo-verify FOLDER: the download archive's check of an installation without a screen, for
// whoever audits it. It only reads the tables, so it may run beside the program.
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "app/backup.h"
#include "common/exception.h"
#include "common/registry.h"
#include "rounds/archive_check.h"
#include "store/data_module.h"

namespace {

using namespace ronvalo;

constexpr int kClean = 0;
constexpr int kFindings = 1;
constexpr int kUnreadable = 2; // also a command it cannot follow

const char* const usage = "Użycie: ronvalo-verify FOLDER\n";

// Qt's own notices are left out, so that stderr holds only why a check could not be made.
void quietNotices(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << message << '\n';
}

ArchiveCheck check(const QString& folder) {
    TDM3 dm;
    dm.setReadOnly(true);
    dm.setDatabaseFolder(databaseFolder(QDir::fromNativeSeparators(folder) + QLatin1Char('/')));
    dm.setServer(databaseServerSetting());
    dm.openTables();
    return *checkArchive(dm);
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietNotices);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2 || arguments[1].startsWith(QStringLiteral("-"))) {
        err << usage;
        return kUnreadable;
    }
    try {
        const ArchiveCheck result = check(arguments[1]);
        for (const ArchiveFinding& finding : result.findings)
            out << finding.text << '\n';
        out << archiveCheckSummary(result) << '\n';
        return result.clean() ? kClean : kFindings;
    } catch (const Exception& error) {
        err << "ronvalo-verify: " << error.message() << '\n';
        return kUnreadable;
    }
}
