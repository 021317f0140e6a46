// ronvalo-web: serves an installation's tables to browsers, or manages the accounts that may see
// them (--konto ..., the password read from standard input).
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>
#include <variant>

#include "core/common/command_line.h"
#include "platform/installation.h"
#include "web/account_command.h"
#include "web/password_input.h"
#include "web/serve_command.h"

namespace {

using namespace ronvalo;
using namespace ronvalo::web;

// Qt's own notices are left out, so that stderr holds only why a command failed.
void quietNotices(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << terminalText(message) << '\n';
}

// The password from standard input; at a terminal typed twice, unseen.
std::optional<QString> passwordFromInput(QString* error) {
    const std::optional<QString> first = readPasswordLine(stdin, "Hasło: ");
    if (!first) {
        *error = QStringLiteral("Nie podano hasła: oczekiwano jednego wiersza na standardowym "
                                "wejściu (najwyżej 1024 bajty).");
        return std::nullopt;
    }
    if (isatty(fileno(stdin)) && readPasswordLine(stdin, "Powtórz hasło: ") != first) {
        *error = QStringLiteral("Podane hasła się różnią.");
        return std::nullopt;
    }
    return first;
}

} // namespace

int main(int argc, char** argv) {
    // Obchody.db made for an installation from before the rounds belongs to the group as well.
    platform::shareNewFilesAsInstalled();
    // The PDF's fonts are laid out without a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietNotices);
    QGuiApplication app(argc, argv);
    const QByteArray usage = QByteArray(commandUsage) + '\n' + serveUsage;
    if (printUsageWhenAsked(app.arguments(), usage.constData()))
        return exitDone;
    if (const auto serving = parseServeCommand(app.arguments())) {
        if (const QString* problem = std::get_if<QString>(&*serving)) {
            QTextStream(stderr) << "ronvalo-web: " << terminalText(*problem) << '\n';
            return exitBadArguments;
        }
        return runTool(QStringLiteral("ronvalo-web"), exitUnreadable,
                       [&] { return runService(std::get<WebSettings>(*serving)); });
    }
    const auto parsed = parseAccountCommand(app.arguments());
    if (const QString* problem = std::get_if<QString>(&parsed)) {
        QTextStream(stderr) << "ronvalo-web: " << terminalText(*problem) << '\n';
        return exitBadArguments;
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    // A table that cannot be read or written, a server that does not answer: one line, exit 2.
    return runTool(QStringLiteral("ronvalo-web"), exitUnreadable, [&] {
        return runAccountCommand(std::get<AccountCommand>(parsed), passwordFromInput, out, err);
    });
}
