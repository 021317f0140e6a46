// Reading the serving command line and running the service.
#include "web/serve_command.h"

#include <QHash>
#include <QTextStream>
#include <csignal>
#include <pthread.h>
#include <thread>

#include "core/common/command_line.h"
#include "core/common/registry.h"
#include "core/store/data_module.h"
#include "core/store/tables_source.h"
#include "web/installation.h"
#include "web/web_service.h"

namespace ronvalo::web {

const char* const serveUsage =
    "Użycie: ronvalo-web --folder FOLDER [--adres 127.0.0.1] [--port 8080] "
    "[--certyfikat PLIK --klucz PLIK]\n"
    "       ronvalo-web --konfiguracja /etc/ronvalo/web.conf\n"
    "Udostępnia tabele instalacji przeglądarkom: na 127.0.0.1 przez HTTP albo przez TLS\n"
    "z certyfikatem i kluczem administratora. Plik konfiguracji zawiera te same ustawienia\n"
    "jako wiersze klucz=wartość (folder, adres, port, certyfikat, klucz).\n";

std::optional<std::variant<WebSettings, QString>> parseServeCommand(const QStringList& arguments) {
    if (arguments.contains(QStringLiteral("--konto")))
        return std::nullopt;
    static const QStringList valued{QStringLiteral("--folder"), QStringLiteral("--adres"),
                                    QStringLiteral("--port"),   QStringLiteral("--certyfikat"),
                                    QStringLiteral("--klucz"),  QStringLiteral("--konfiguracja")};
    QHash<QString, QString> values;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!valued.contains(argument))
            return QStringLiteral("nieznany argument „%1”").arg(argument);
        if (values.contains(argument))
            return QStringLiteral("%1 podano dwa razy").arg(argument);
        if (i + 1 >= arguments.size())
            return QStringLiteral("brak wartości po %1").arg(argument);
        values.insert(argument, arguments[++i]);
    }
    if (values.contains(QStringLiteral("--konfiguracja"))) {
        if (values.size() > 1)
            return QStringLiteral("--konfiguracja podaje się bez innych opcji");
        QString error;
        std::optional<WebSettings> read =
            readWebConfig(values.value(QStringLiteral("--konfiguracja")), &error);
        if (!read)
            return error;
        return *read;
    }
    WebSettings settings;
    settings.folder = values.value(QStringLiteral("--folder"));
    if (settings.folder.isEmpty())
        return QStringLiteral("brak --folder FOLDER");
    settings.address = values.value(QStringLiteral("--adres"), settings.address);
    if (values.contains(QStringLiteral("--port"))) {
        const std::optional<quint16> port = parsePort(values.value(QStringLiteral("--port")));
        if (!port)
            return QStringLiteral("--port musi być liczbą od 1 do 65535");
        settings.port = *port;
    }
    settings.certificate = values.value(QStringLiteral("--certyfikat"));
    settings.key = values.value(QStringLiteral("--klucz"));
    if (const QString problem = settingsProblem(settings); !problem.isEmpty())
        return problem;
    return settings;
}

int runService(const WebSettings& settings) {
    QTextStream err(stderr);
    // SIGTERM and SIGINT are taken by one thread that stops the service; every thread started
    // from here on inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Installation installation(settings.folder, databaseServerSetting());
    QString source;
    try {
        installation.prepare();
        source = tablesSource(installation.reading());
    } catch (const Exception& error) {
        err << "ronvalo-web: " << terminalText(error.message()) << '\n';
        return 2;
    }
    WebService service(settings, installation);
    QString problem;
    if (!service.bind(&problem)) {
        err << "ronvalo-web: " << terminalText(problem) << '\n';
        return 2;
    }
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        service.stop();
    });
    const QString address =
        QStringLiteral("%1://%2:%3/")
            .arg(service.tls() ? QStringLiteral("https") : QStringLiteral("http"),
                 settings.address.contains(QLatin1Char(':'))
                     ? QLatin1Char('[') + settings.address + QLatin1Char(']')
                     : settings.address)
            .arg(settings.port);
    service.log().notice(QStringLiteral("ronvalo-web: tabele %1, adres %2").arg(source, address));
    QTextStream(stdout) << "ronvalo-web: " << terminalText(address) << Qt::endl;
    service.run();
    // Stopped by a signal; otherwise the stopper still waits for one.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    service.log().notice(QStringLiteral("ronvalo-web: zatrzymano"));
    return 0;
}

} // namespace ronvalo::web
