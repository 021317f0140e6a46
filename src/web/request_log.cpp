// The service's log lines.
#include "web/request_log.h"

#include <QDateTime>
#include <cstdio>

namespace ronvalo::web {

namespace {

// Control characters of a request (a forged login with a line feed) would forge log lines.
QString oneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('?');
    return text;
}

} // namespace

void RequestLog::write(const QString& address, const QString& account, const QString& request,
                       int status, const QString& note) {
    QString line = QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(QDateTime::currentDateTime().toString(Qt::ISODate), oneLine(address),
                            account.isEmpty() ? QStringLiteral("-") : oneLine(account),
                            oneLine(request), QString::number(status));
    if (!note.isEmpty())
        line += QLatin1Char(' ') + oneLine(note);
    notice(line);
}

void RequestLog::notice(const QString& text) {
    const QByteArray bytes = (oneLine(text) + QLatin1Char('\n')).toUtf8();
    std::lock_guard lock(mutex_);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace ronvalo::web
