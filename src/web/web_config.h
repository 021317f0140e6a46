// The service's settings: from the command line or from a configuration file of
// `klucz=wartość` lines (folder, adres, port, certyfikat, klucz).
#pragma once

#include <QString>
#include <optional>

namespace ronvalo::web {

struct WebSettings {
    QString folder;
    QString address = QStringLiteral("127.0.0.1");
    quint16 port = 8080;
    QString certificate; // both or neither: TLS with the administrator's certificate
    QString key;
};

// Reads the settings from `text`, the file named `fileName` (for the messages). One setting a
// line, `klucz=wartość`, spaces around both ignored; empty lines and lines beginning with "#"
// are skipped. An unknown key, a key given twice, a line without "=", a wrong value, a missing
// folder or a certificate without its key (or the reverse) is refused: nullopt with `error` set
// to one Polish sentence naming the line.
std::optional<WebSettings> parseWebConfig(const QString& text, const QString& fileName,
                                          QString* error);

// The same from the file at `path`; a file that cannot be read is refused too.
std::optional<WebSettings> readWebConfig(const QString& path, QString* error);

// Checks settings however they were given: the address an IP address, the port 1 to 65535
// (given as text), the certificate and its key both or neither. An empty text when they hold.
QString settingsProblem(const WebSettings& settings);
std::optional<quint16> parsePort(const QString& text);

} // namespace ronvalo::web
