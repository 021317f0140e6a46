// ronvalo-web serving: its command line (or configuration file) read, and the service run until
// it is stopped.
#pragma once

#include <QStringList>
#include <optional>
#include <variant>

#include "web/web_config.h"

namespace ronvalo::web {

extern const char* const serveUsage;

// The settings of a command line that serves: "--folder F [--adres A] [--port P] [--certyfikat C
// --klucz K]" or "--konfiguracja PLIK" alone. nullopt for one that manages accounts ("--konto");
// a Polish line for a wrong one.
std::optional<std::variant<WebSettings, QString>> parseServeCommand(const QStringList& arguments);

// Serves the installation until SIGTERM or SIGINT: 0 then, 2 when its tables cannot be opened or
// its address taken, with one line on stderr.
int runService(const WebSettings& settings);

} // namespace ronvalo::web
