// ronvalo-verify FOLDER: the download archive's check of an installation without a screen, for
// whoever audits it. It only reads the tables, so it may run beside the program. With
// --skrot SKRÓT, a digest printed earlier must be in the chain and the chain check from it on.
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTextStream>
#include <optional>
#include <utility>

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

const char* const usage = "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER\n";

// Qt's own notices are left out, so that stderr holds only why a check could not be made.
void quietNotices(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << message << '\n';
}

// The folder and the digest to look for (empty when none); nullopt for a command it cannot
// follow. A digest is 64 hex digits, as printed.
std::optional<std::pair<QString, QString>> folderAndDigest(QStringList arguments) {
    arguments.removeFirst();
    QString digest;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--skrot")); at >= 0) {
        if (at + 1 >= arguments.size())
            return std::nullopt;
        digest = arguments.takeAt(at + 1).toLower();
        arguments.removeAt(at);
        static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
        if (!hex.match(digest).hasMatch())
            return std::nullopt;
    }
    if (arguments.size() != 1 || arguments[0].startsWith(QLatin1Char('-')))
        return std::nullopt;
    return std::pair{arguments[0], digest};
}

ArchiveCheck check(const QString& folder, const QString& digest) {
    TDM3 dm;
    dm.setReadOnly(true);
    dm.setDatabaseFolder(databaseFolder(QDir::fromNativeSeparators(folder) + QLatin1Char('/')));
    dm.setServer(databaseServerSetting());
    dm.openTables();
    return *checkArchive(dm, {}, digest);
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietNotices);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto arguments = folderAndDigest(app.arguments());
    if (!arguments) {
        err << usage;
        return kUnreadable;
    }
    try {
        const ArchiveCheck result = check(arguments->first, arguments->second);
        for (const ArchiveFinding& finding : result.findings)
            out << finding.text << '\n';
        out << archiveCheckSummary(result) << '\n';
        return result.clean() ? kClean : kFindings;
    } catch (const Exception& error) {
        err << "ronvalo-verify: " << error.message() << '\n';
        return kUnreadable;
    }
}
