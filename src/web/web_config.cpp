// The configuration file of the service.
#include "web/web_config.h"

#include <QFile>
#include <QHostAddress>
#include <QSet>
#include <QStringList>

namespace ronvalo::web {

namespace {

// One line's setting into `settings`; an empty text when taken, otherwise why not.
QString applySetting(WebSettings& settings, const QString& key, const QString& value) {
    if (key == QStringLiteral("folder"))
        settings.folder = value;
    else if (key == QStringLiteral("adres"))
        settings.address = value;
    else if (key == QStringLiteral("certyfikat"))
        settings.certificate = value;
    else if (key == QStringLiteral("klucz"))
        settings.key = value;
    else if (key == QStringLiteral("port")) {
        const std::optional<quint16> port = parsePort(value);
        if (!port)
            return QStringLiteral("niepoprawny numer portu „%1”").arg(value);
        settings.port = *port;
    } else
        return QStringLiteral("nieznany klucz „%1”").arg(key);
    return value.isEmpty() ? QStringLiteral("pusta wartość klucza „%1”").arg(key) : QString();
}

} // namespace

std::optional<quint16> parsePort(const QString& text) {
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port == 0 || port > 65535 || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return static_cast<quint16>(port);
}

QString settingsProblem(const WebSettings& settings) {
    if (settings.folder.isEmpty())
        return QStringLiteral("Nie podano folderu instalacji.");
    if (QHostAddress address; !address.setAddress(settings.address))
        return QStringLiteral("Niepoprawny adres „%1”: podaj adres IP, np. 127.0.0.1.")
            .arg(settings.address);
    if (settings.certificate.isEmpty() != settings.key.isEmpty())
        return QStringLiteral("Certyfikat i klucz podaje się razem.");
    return {};
}

std::optional<WebSettings> parseWebConfig(const QString& text, const QString& fileName,
                                          QString* error) {
    WebSettings settings;
    QSet<QString> seen;
    // A byte-order mark an editor put first is not part of the first key.
    const QStringList lines =
        (text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed();
        QString problem;
        if (equals < 0)
            problem = QStringLiteral("oczekiwano klucz=wartość");
        else if (seen.contains(key))
            problem = QStringLiteral("klucz „%1” podany drugi raz").arg(key);
        else
            problem = applySetting(settings, key, line.mid(equals + 1).trimmed());
        if (!problem.isEmpty()) {
            *error = QStringLiteral("Błąd w pliku %1, wiersz %2: %3.")
                         .arg(fileName, QString::number(i + 1), problem);
            return std::nullopt;
        }
        seen.insert(key);
    }
    if (const QString problem = settingsProblem(settings); !problem.isEmpty()) {
        *error = QStringLiteral("Błąd w pliku %1: %2").arg(fileName, problem);
        return std::nullopt;
    }
    return settings;
}

std::optional<WebSettings> readWebConfig(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Nie można odczytać pliku %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return parseWebConfig(QString::fromUtf8(file.readAll()), path, error);
}

} // namespace ronvalo::web
