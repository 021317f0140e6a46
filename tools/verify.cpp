// ronvalo-verify FOLDER: the download archive's check of an installation without a screen, for
// whoever audits it. It only reads the tables, so it may run beside the program. With
// --skrot SKRÓT, a digest printed earlier must be in the chain and the chain check from it on.
// With --dowod PLIK, it checks an evidence file of a period instead, without any tables.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <optional>
#include <utility>

#include "core/common/base_folder.h"
#include "core/common/command_line.h"
#include "core/common/exception.h"
#include "core/common/registry.h"
#include "core/proof/archive_check.h"
#include "core/proof/evidence_check.h"
#include "core/store/data_module.h"
#include "core/store/tables_source.h"

namespace {

using namespace ronvalo;

constexpr int kClean = 0;
constexpr int kFindings = 1;
constexpr int kUnreadable = 2; // also a command it cannot follow

const char* const usage = "Użycie: ronvalo-verify [--skrot SKRÓT] FOLDER | --dowod PLIK\n";

// Qt's own notices are left out, so that stderr holds only why a check could not be made.
void quietNotices(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << terminalText(message) << '\n';
}

// What the command asks: an installation's check, or an evidence file's.
struct Command {
    QString folder;
    QString digest;   // with a folder: the digest to look for; empty when none
    QString evidence; // the evidence file; empty for an installation's check
};

// The evidence file of "--dowod PLIK", alone on the line; nullopt for a command it cannot follow.
std::optional<Command> evidenceCommand(const QStringList& arguments) {
    if (arguments.size() != 3 || arguments[2].isEmpty())
        return std::nullopt;
    return Command{{}, {}, arguments[2]};
}

// The folder and the digest to look for (empty when none); nullopt for a command it cannot
// follow. A digest is 64 hex digits, as printed.
std::optional<Command> folderAndDigest(QStringList arguments) {
    if (arguments.contains(QStringLiteral("--dowod")))
        return arguments.indexOf(QStringLiteral("--dowod")) == 1 ? evidenceCommand(arguments)
                                                                 : std::nullopt;
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
    return Command{arguments[0], digest, {}};
}

// Checks the installation in `folder` (from `digest` on, when given), naming at the end the
// tables it read.
int check(const QString& folder, const QString& digest) {
    TDM3 dm;
    dm.setReadOnly(true);
    dm.setDatabaseFolder(databaseFolder(QDir::fromNativeSeparators(folder) + QLatin1Char('/')));
    dm.setServer(databaseServerSetting());
    dm.openTables();
    const ArchiveCheck result = *checkArchive(dm, {}, digest);
    QTextStream out(stdout);
    for (const ArchiveFinding& finding : result.findings)
        out << terminalText(finding.text) << '\n';
    // The summary's lines each on a line of their own, escaped one by one.
    for (const QString& line : archiveCheckSummary(result).split(QLatin1Char('\n')))
        out << terminalText(line) << '\n';
    // Last, so that the summary stays the first line of a clean check's output.
    out << terminalText(tablesSourceLine(dm)) << '\n';
    return result.clean() ? kClean : kFindings;
}

// Checks the evidence file at `path`: its findings, the summary and what it covers; a file it
// cannot read as one is a line on stderr and exit 2.
int checkEvidenceFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printFailure(
            QStringLiteral("ronvalo-verify"),
            QStringLiteral("Nie można otworzyć pliku %1: %2").arg(path, file.errorString()));
        return kUnreadable;
    }
    EvidenceCheck result;
    try {
        result = checkEvidence(file);
    } catch (const EEvidenceFormat& refused) {
        printFailure(QStringLiteral("ronvalo-verify"),
                     QStringLiteral("%1: %2").arg(path, refused.message()));
        return kUnreadable;
    }
    QTextStream out(stdout);
    for (const EvidenceFinding& finding : result.findings)
        out << terminalText(finding.text) << '\n';
    out << terminalText(evidenceCheckSummary(result)) << '\n';
    out << terminalText(evidenceCoverLine(result.header)) << '\n';
    return result.clean() ? kClean : kFindings;
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietNotices);
    QCoreApplication app(argc, argv);
    if (printUsageWhenAsked(app.arguments(), usage))
        return kClean;
    const auto command = folderAndDigest(app.arguments());
    if (!command) {
        QTextStream(stderr) << usage;
        return kUnreadable;
    }
    // Whatever goes wrong (a table that cannot be read, memory running out, an error of the
    // program) is one line on stderr and exit 2, never an abort.
    return runTool(QStringLiteral("ronvalo-verify"), kUnreadable, [&] {
        return command->evidence.isEmpty() ? check(command->folder, command->digest)
                                           : checkEvidenceFile(command->evidence);
    });
}
